#pragma once

#include <QImage>
#include <QWidget>

#include <functional>

// A picture on the notice card, drawn at its top-left corner; where the picture is
// transparent, whatever lies beneath shows through.
class TCardImage : public QWidget
{
    Q_OBJECT
public:
    explicit TCardImage(QWidget *parent);

    QImage Picture() const { return m_picture; }
    void SetPicture(const QImage &picture);

    std::function<void()> OnClick;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QImage m_picture;
    bool m_pressed = false;
};
