#include "forms/about/CardImage.h"

#include <QMouseEvent>
#include <QPainter>

TCardImage::TCardImage(QWidget *parent) : QWidget(parent)
{}

void TCardImage::SetPicture(const QImage &picture)
{
    m_picture = picture;
    update();
}

void TCardImage::paintEvent(QPaintEvent *)
{
    if (m_picture.isNull()) return;
    QPainter painter(this);
    painter.drawImage(0, 0, m_picture);
}

void TCardImage::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
}

void TCardImage::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click && OnClick) OnClick();
}
