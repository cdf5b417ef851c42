#pragma once

#include <QMargins>
#include <QObject>
#include <QRect>

class QWidget;

// The side of its parent a control docks to. Docked controls keep their size across the
// docking direction and stretch along the side; alClient takes whatever room is left.
enum TAlign : int { alNone, alTop, alBottom, alLeft, alRight, alClient };

// A control's alignment; any widget can carry one. Setting it realigns the parent.
TAlign alignOf(const QWidget *control);
void setAlign(QWidget *control, TAlign align);

// Whether a control was hidden on purpose and so stays out of its parent's layout. Qt counts
// every child of a container not shown yet as hidden; those still take part.
bool isExplicitlyHidden(const QWidget *control);

// Lays a container's docked children out as a classic form does, which no Qt layout does:
// first the top-aligned ones from the top, then the bottom-aligned from the bottom, then left,
// right, and finally the client-aligned ones in the room left over. Among children of one
// alignment the first in the children's order (creation order, unless raised or lowered) sits
// nearest its side, whatever their positions were. The layout runs again whenever the
// container or a docked child changes size, position or visibility.
// NOTE: Qt reports a resize of a widget that is not shown only once it is shown, so a
// top-level container resized before it is shown lays its children out then.
class TAlignLayout : public QObject
{
    Q_OBJECT
public:
    // `inset` is the ring of the container that docked children stay out of.
    explicit TAlignLayout(QWidget *container, QMargins inset = {});

    // The layout that aligns `container`'s children, if it has one.
    static TAlignLayout *of(const QWidget *container);

    QWidget *container() const { return m_container; }
    QRect clientRect() const;

    void realign();

    // While disabled, changes to the children do not realign; the outermost enable does.
    void disableAlign();
    void enableAlign();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watch(QObject *child);

    QWidget *m_container;
    QMargins m_inset;
    int m_disableCount = 0;
    int m_aligning = 0;
};

// Keeps a container's alignment suspended for a scope, so that a control can be moved and
// resized in two steps without the layout acting on the half-done change.
class TAlignLock
{
public:
    explicit TAlignLock(QWidget *container);
    ~TAlignLock();
    TAlignLock(const TAlignLock &) = delete;
    TAlignLock &operator=(const TAlignLock &) = delete;

private:
    TAlignLayout *m_layout;
};
