#pragma once

#include <QColor>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

class QFont;

// What a label paints behind its text.
enum class TLabelBackground {
    Transparent, // nothing: what lies beneath shows through
    ParentColor, // the parent's colour, followed as it changes
    OwnColor,    // the label's own Color
};

// Whether a click needs the left button to go down on the label before it comes up there, or
// only to come up there.
enum class TClickNeedsPress { No, Yes };

// Where the text starts a new line. A carriage return, a line feed or the two together is one
// line end in both.
enum class TLineBreaks {
    // At the line ends only: each line is drawn on its own, one font height below the last,
    // and cut at the right edge.
    AtLineEnds,
    // At the line ends and between words where a line would pass the right edge, laid out by
    // the toolkit as the word-wrapped text is measured (wrappedTextRect).
    WordWrap,
};

// The static text of the flat kit: drawn from the top left in its font colour and cut at its
// bounds, an ampersand shown as itself, tabs expanded to every eighth width of "x". Takes no
// focus. Its click, background and line breaks follow the policies above.
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

    TLabelBackground Background() const { return m_background; }
    void SetBackground(TLabelBackground background);

    // The background colour: the own one with an own background, the parent's otherwise.
    // Setting it gives the label an own background.
    QColor Color() const;
    void SetColor(const QColor &color);
    bool ParentColor() const { return m_background == TLabelBackground::ParentColor; }
    void SetParentColor(bool parentColor);

    // The text's colour; the parent's until set.
    QColor FontColor() const;
    void SetFontColor(const QColor &color);

    TClickNeedsPress ClickNeedsPress() const { return m_clickNeedsPress; }
    void SetClickNeedsPress(TClickNeedsPress clickNeedsPress)
    {
        m_clickNeedsPress = clickNeedsPress;
    }

    TLineBreaks LineBreaks() const { return m_lineBreaks; }
    void SetLineBreaks(TLineBreaks lineBreaks);

    // Called on a click of the left button.
    std::function<void()> OnClick;

    // The caption's lines between its line ends.
    QStringList lines() const { return splitLines(m_caption); }
    // The size the text takes in the label's font, word-wrapped at the label's width where
    // it wraps; an empty text takes one space.
    QSize textSize() const;

    static QStringList splitLines(const QString &text);
    // Where `text` goes when word-wrapped at `width` in `font`, from the origin.
    static QRect wrappedTextRect(const QFont &font, const QString &text, int width);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void paintBackground(QPainter &painter) const;
    void paintText(QPainter &painter) const;
    void adjustBounds();
    void applyPalette();

    QString m_caption;
    bool m_autoSize = false;
    TLabelBackground m_background = TLabelBackground::ParentColor;
    QColor m_color;
    std::optional<QColor> m_fontColor;
    TClickNeedsPress m_clickNeedsPress = TClickNeedsPress::No;
    TLineBreaks m_lineBreaks = TLineBreaks::AtLineEnds;
    bool m_pressed = false;
};
