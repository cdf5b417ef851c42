#include "About.h"

#include "SystemColors.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

TFAbout *FAbout = nullptr;

namespace {

// FIXME: the close picture is drawn as a plain cross until the card gets its own pictures.
class TClosePicture : public QWidget
{
public:
    TClosePicture(QWidget *parent, std::function<void()> onClick)
        : QWidget(parent), m_onClick(std::move(onClick))
    {
        setObjectName(QStringLiteral("Image1"));
        setToolTip(QStringLiteral("关闭"));
        setCursor(Qt::ArrowCursor);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setPen(QPen(toQColor(clRed), 3));
        painter.drawLine(8, 8, 23, 23);
        painter.drawLine(23, 8, 8, 23);
    }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            m_onClick();
    }

private:
    std::function<void()> m_onClick;
};

} // namespace

TFAbout::TFAbout()
{
    setObjectName(QStringLiteral("FAbout"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setFixedSize(462, 453);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, bgrColor(8779006));
    setPalette(palette);

    Label3 = new QLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->move(12 + 244, 12 + 392);

    Image1 = new TClosePicture(this, [this] { Image1Click(); });
    Image1->setGeometry(412, 396, 32, 32);
    setCentredWhenShown(true);
}

void TFAbout::Image1Click()
{
    Close();
}
