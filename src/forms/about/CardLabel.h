#pragma once

#include <QColor>
#include <QStringList>
#include <QWidget>

#include <functional>

// A text on the notice card: opaque in its background colour, one line per line break of
// its text (a carriage return is one; the text is never wrapped), and cut at its bounds
// unless it sizes itself to the text.
class TCardLabel : public QWidget
{
    Q_OBJECT
public:
    explicit TCardLabel(QWidget *parent);

    QString text() const { return m_text; }
    void setText(const QString &text);

    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool autoSize);

    QColor Color() const { return m_color; }
    void SetColor(const QColor &color);

    QColor fontColor() const { return m_fontColor; }
    void setFontColor(const QColor &color);

    // The text's lines: it breaks at a carriage return, a line feed, or both together.
    QStringList lines() const;
    // The size the text takes in the label's font; an empty text measures as one blank.
    QSize textExtent() const;

    std::function<void()> OnClick;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void adjustToText();

    QString m_text;
    bool m_autoSize = true;
    bool m_pressed = false;
    QColor m_color = Qt::white;
    QColor m_fontColor = Qt::black;
};
