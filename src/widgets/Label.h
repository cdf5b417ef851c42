#pragma once

#include <QWidget>

#include <functional>

// A static text: opaque in its parent's colour, drawn from the top left, cut at its bounds,
// one line per line break, an ampersand shown as itself.
class TLabel : public QWidget
{
    Q_OBJECT
public:
    explicit TLabel(QWidget *owner = nullptr);

    QString Caption() const { return m_caption; }
    void SetCaption(const QString &caption);

    // Sized to its text after every change of text or font, the top left staying put.
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool autoSize);

    QColor FontColor() const;
    void SetFontColor(const QColor &color);

    std::function<void()> OnClick;

    // The size the text takes in the label's font; an empty text takes one space.
    QSize textSize() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void adjustSize();

    QString m_caption;
    bool m_autoSize = false;
};
