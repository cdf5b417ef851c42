#include "widgets/Label.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>

#include <algorithm>
#include <vector>

namespace {

constexpr int WrapFlags = Qt::TextWordWrap | Qt::TextExpandTabs | Qt::AlignLeft | Qt::AlignTop;

// A piece of a line between tabs and where it starts.
struct TTextRun
{
    int x;
    QString text;
};

// The runs of one line: a tab moves on to the next multiple of eight widths of "x".
std::vector<TTextRun> textRuns(const QFontMetrics &metrics, const QString &line)
{
    const int tabStop = std::max(1, 8 * metrics.horizontalAdvance(QLatin1Char('x')));
    std::vector<TTextRun> runs;
    int x = 0;
    for (const QString &piece : line.split(QLatin1Char('\t'))) {
        if (!runs.empty()) x = (x / tabStop + 1) * tabStop;
        runs.push_back({x, piece});
        x += metrics.horizontalAdvance(piece);
    }
    return runs;
}

int lineWidth(const QFontMetrics &metrics, const QString &line)
{
    const TTextRun last = textRuns(metrics, line).back();
    return last.x + metrics.horizontalAdvance(last.text);
}

// The text with every line end as one line feed, the toolkit's only line break.
QString withLineFeeds(const QString &text)
{
    QString result = text;
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

} // namespace

TLabel::TLabel(QWidget *owner) : QWidget(owner)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TLabel::SetCaption(const QString &caption)
{
    if (caption == m_caption) return;
    m_caption = caption;
    adjustBounds();
    update();
}

void TLabel::SetAutoSize(bool autoSize)
{
    if (autoSize == m_autoSize) return;
    m_autoSize = autoSize;
    adjustBounds();
}

void TLabel::SetBackground(TLabelBackground background)
{
    if (background == m_background) return;
    // An own background starts in the colour the label shows now.
    if (background == TLabelBackground::OwnColor) m_color = Color();
    m_background = background;
    setAttribute(Qt::WA_OpaquePaintEvent, background != TLabelBackground::Transparent);
    applyPalette();
    update();
}

QColor TLabel::Color() const
{
    // The active group, so that a disabled label keeps its colour.
    return palette().color(QPalette::Active, QPalette::Window);
}

void TLabel::SetColor(const QColor &color)
{
    if (m_background == TLabelBackground::OwnColor && color == m_color) return;
    m_color = color;
    m_background = TLabelBackground::OwnColor;
    setAttribute(Qt::WA_OpaquePaintEvent);
    applyPalette();
}

void TLabel::SetParentColor(bool parentColor)
{
    if (parentColor)
        SetBackground(TLabelBackground::ParentColor);
    else if (ParentColor())
        SetBackground(TLabelBackground::OwnColor);
}

QColor TLabel::FontColor() const
{
    return palette().color(QPalette::Active, QPalette::WindowText);
}

void TLabel::SetFontColor(const QColor &color)
{
    if (m_fontColor == color) return;
    m_fontColor = color;
    applyPalette();
}

void TLabel::SetLineBreaks(TLineBreaks lineBreaks)
{
    if (lineBreaks == m_lineBreaks) return;
    m_lineBreaks = lineBreaks;
    adjustBounds();
    update();
}

QStringList TLabel::splitLines(const QString &text)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    return text.split(lineEnd);
}

QRect TLabel::wrappedTextRect(const QFont &font, const QString &text, int width)
{
    return QFontMetrics(font).boundingRect(QRect(0, 0, width, 0), WrapFlags, withLineFeeds(text));
}

QSize TLabel::textSize() const
{
    const QString text = m_caption.isEmpty() ? QStringLiteral(" ") : m_caption;
    if (m_lineBreaks == TLineBreaks::WordWrap) return wrappedTextRect(font(), text, width()).size();
    const QFontMetrics metrics(font());
    const QStringList textLines = splitLines(text);
    int widest = 0;
    for (const QString &line : textLines)
        widest = std::max(widest, lineWidth(metrics, line));
    return {widest, metrics.height() * int(textLines.size())};
}

void TLabel::adjustBounds()
{
    if (m_autoSize) resize(textSize());
}

void TLabel::applyPalette()
{
    // Only the roles set here are the label's own; Qt fills in the rest from the parent, and
    // the palette change repaints.
    QPalette own;
    if (m_background == TLabelBackground::OwnColor) own.setColor(QPalette::Window, m_color);
    if (m_fontColor) own.setColor(QPalette::WindowText, *m_fontColor);
    setPalette(own);
}

void TLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintBackground(painter);
    paintText(painter);
}

void TLabel::paintBackground(QPainter &painter) const
{
    if (m_background != TLabelBackground::Transparent) painter.fillRect(rect(), Color());
}

void TLabel::paintText(QPainter &painter) const
{
    painter.setFont(font());
    painter.setPen(FontColor());
    if (m_lineBreaks == TLineBreaks::WordWrap) {
        painter.drawText(rect(), WrapFlags, withLineFeeds(m_caption));
        return;
    }
    // Every line at the font's own ascent and height, whatever faces stand in for glyphs the
    // font lacks, so that the lines keep their places.
    const QFontMetrics metrics(font());
    int top = 0;
    for (const QString &line : lines()) {
        if (top >= height()) break;
        for (const TTextRun &run : textRuns(metrics, line))
            painter.drawText(run.x, top + metrics.ascent(), run.text);
        top += metrics.height();
    }
}

void TLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) m_pressed = true;
    QWidget::mousePressEvent(event);
}

void TLabel::mouseReleaseEvent(QMouseEvent *event)
{
    const bool left = event->button() == Qt::LeftButton;
    const bool click = left && rect().contains(event->position().toPoint()) &&
                       (m_pressed || m_clickNeedsPress == TClickNeedsPress::No);
    if (left) m_pressed = false;
    QWidget::mouseReleaseEvent(event);
    // Last, as the handler may close the label's window.
    if (click && OnClick) OnClick();
}

void TLabel::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) adjustBounds();
}
