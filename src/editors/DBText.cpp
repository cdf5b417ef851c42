#include "editors/DBText.h"

#include "data/Field.h"
#include "platformui/GbkQt.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>

namespace {

constexpr int TextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs;

} // namespace

TDBText::TDBText(QWidget *owner) : QWidget(owner)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_link.OnDataChange = [this] {
        const TField *field = m_link.Field();
        setCaption(field && m_link.Active() ? toQString(field->DisplayText()) : QString());
    };
    connect(this, &QObject::objectNameChanged, this,
            [this](const QString &name) { m_link.SetControlName(name.toStdString()); });
    resize(65, 17);
}

TDBText::~TDBText()
{
    m_link.OnDataChange = nullptr;
    m_link.SetDataSource(nullptr);
}

void TDBText::SetDataSource(TDataSource *dataSource)
{
    m_link.SetControlName(objectName().toStdString());
    m_link.SetDataSource(dataSource);
}

void TDBText::SetDataField(std::string fieldName)
{
    m_link.SetControlName(objectName().toStdString());
    m_link.SetFieldName(std::move(fieldName));
}

void TDBText::SetAutoSize(bool autoSize)
{
    if (m_autoSize == autoSize) return;
    m_autoSize = autoSize;
    adjustBounds();
}

QColor TDBText::Color() const
{
    return palette().color(QPalette::Active, QPalette::Window);
}

void TDBText::SetColor(const QColor &color)
{
    if (!ParentColor() && color == Color()) return;
    QPalette changed = palette();
    changed.setColor(QPalette::Window, color);
    setPalette(changed);
    update();
}

bool TDBText::ParentColor() const
{
    return !palette().isBrushSet(QPalette::Active, QPalette::Window);
}

void TDBText::SetParentColor(bool parentColor)
{
    if (parentColor == ParentColor()) return;
    if (!parentColor) {
        SetColor(Color());
        return;
    }
    // Dropping the own palette would drop an own font colour with it.
    const bool ownFontColor = palette().isBrushSet(QPalette::Active, QPalette::WindowText);
    const QColor fontColor = FontColor();
    setPalette(QPalette());
    if (ownFontColor) SetFontColor(fontColor);
    update();
}

QColor TDBText::FontColor() const
{
    return palette().color(QPalette::Active, QPalette::WindowText);
}

void TDBText::SetFontColor(const QColor &color)
{
    QPalette changed = palette();
    changed.setColor(QPalette::WindowText, color);
    setPalette(changed);
    update();
}

void TDBText::setCaption(const QString &caption)
{
    if (caption == m_caption) return;
    m_caption = caption;
    adjustBounds();
    update();
}

QString TDBText::shownText() const
{
    // Every CR LF, CR or LF starts a line of its own.
    QString text = m_caption;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

QSize TDBText::textSize() const
{
    const QString text = shownText();
    return fontMetrics().size(TextFlags, text.isEmpty() ? QStringLiteral(" ") : text);
}

void TDBText::adjustBounds()
{
    if (!m_autoSize) return;
    const QSize size = textSize();
    if (size != this->size()) setGeometry(QRect(pos(), size));
}

void TDBText::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) adjustBounds();
}

void TDBText::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setClipRegion(event->region() & QRegion(rect()));
    painter.fillRect(rect(), Color());
    painter.setPen(FontColor());
    painter.setFont(font());
    painter.drawText(rect(), TextFlags, shownText());
}

void TDBText::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) m_pressed = true;
    QWidget::mousePressEvent(event);
}

void TDBText::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton) m_pressed = false;
    QWidget::mouseReleaseEvent(event);
    if (click && OnClick) OnClick();
}
