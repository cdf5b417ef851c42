#include "widgets/AlignLayout.h"

#include <QChildEvent>
#include <QEvent>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace {

const char *const AlignProperty = "tervanaAlign";

} // namespace

bool isExplicitlyHidden(const QWidget *control)
{
    return control->testAttribute(Qt::WA_WState_ExplicitShowHide) &&
           control->testAttribute(Qt::WA_WState_Hidden);
}

TAlign alignOf(const QWidget *control)
{
    const QVariant value = control->property(AlignProperty);
    return value.isValid() ? static_cast<TAlign>(value.toInt()) : alNone;
}

void setAlign(QWidget *control, TAlign align)
{
    if (alignOf(control) == align) return;
    control->setProperty(AlignProperty, static_cast<int>(align));
    if (TAlignLayout *layout = TAlignLayout::of(control->parentWidget())) layout->realign();
}

TAlignLayout::TAlignLayout(QWidget *container, QMargins inset)
    : QObject(container), m_container(container), m_inset(inset)
{
    container->installEventFilter(this);
    for (QObject *child : container->children())
        watch(child);
    realign();
}

TAlignLayout *TAlignLayout::of(const QWidget *container)
{
    if (!container) return nullptr;
    return container->findChild<TAlignLayout *>(QString(), Qt::FindDirectChildrenOnly);
}

QRect TAlignLayout::clientRect() const
{
    return m_container->rect().marginsRemoved(m_inset);
}

void TAlignLayout::watch(QObject *child)
{
    if (child->isWidgetType() && !static_cast<QWidget *>(child)->isWindow())
        child->installEventFilter(this);
}

void TAlignLayout::disableAlign()
{
    ++m_disableCount;
}

void TAlignLayout::enableAlign()
{
    Q_ASSERT(m_disableCount > 0);
    if (m_disableCount > 0 && --m_disableCount == 0) realign();
}

void TAlignLayout::realign()
{
    if (m_disableCount > 0 || m_aligning > 0) return;
    ++m_aligning;

    std::vector<QWidget *> docked;
    for (QObject *object : m_container->children()) {
        if (!object->isWidgetType()) continue;
        auto *child = static_cast<QWidget *>(object);
        if (child->isWindow() || isExplicitlyHidden(child) || alignOf(child) == alNone) continue;
        docked.push_back(child);
    }

    QRect room = clientRect();
    for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
        std::vector<QWidget *> group;
        std::copy_if(docked.begin(), docked.end(), std::back_inserter(group),
                     [align](const QWidget *child) { return alignOf(child) == align; });
        for (QWidget *child : group) {
            const int width = child->width();
            const int height = child->height();
            // Once the room is used up, later children get no size rather than a negative one.
            const int roomWidth = std::max(0, room.width());
            const int roomHeight = std::max(0, room.height());
            switch (align) {
            case alTop:
                child->setGeometry(room.left(), room.top(), roomWidth, height);
                room.setTop(room.top() + height);
                break;
            case alBottom:
                child->setGeometry(room.left(), room.top() + room.height() - height, roomWidth,
                                   height);
                room.setHeight(room.height() - height);
                break;
            case alLeft:
                child->setGeometry(room.left(), room.top(), width, roomHeight);
                room.setLeft(room.left() + width);
                break;
            case alRight:
                child->setGeometry(room.left() + room.width() - width, room.top(), width,
                                   roomHeight);
                room.setWidth(room.width() - width);
                break;
            default: child->setGeometry(room.left(), room.top(), roomWidth, roomHeight); break;
            }
            // Qt holds a hidden widget's resize event back until it is shown; a docked
            // container must not wait that long to lay out its own children.
            if (!child->isVisible())
                if (TAlignLayout *inner = TAlignLayout::of(child)) inner->realign();
        }
    }
    --m_aligning;
}

bool TAlignLayout::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_container) {
        switch (event->type()) {
        case QEvent::ChildAdded: watch(static_cast<QChildEvent *>(event)->child()); break;
        case QEvent::ChildRemoved:
        case QEvent::Resize: realign(); break;
        default: break;
        }
        return false;
    }
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::Move:
    case QEvent::Show:
    case QEvent::Hide:
        if (watched->isWidgetType() && alignOf(static_cast<QWidget *>(watched)) != alNone)
            realign();
        break;
    default: break;
    }
    return false;
}

TAlignLock::TAlignLock(QWidget *container) : m_layout(TAlignLayout::of(container))
{
    if (m_layout) m_layout->disableAlign();
}

TAlignLock::~TAlignLock()
{
    if (m_layout) m_layout->enableAlign();
}
