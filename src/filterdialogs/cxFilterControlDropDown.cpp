#include "filterdialogs/cxFilterControlDropDown.h"

#include "shell/Application.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>

TcxFilterControlDropDown::TcxFilterControlDropDown(QWidget *owner) : QListWidget(owner)
{
    setWindowFlags(Qt::Popup);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { choose(row(item)); });
}

void TcxFilterControlDropDown::popup(const QStringList &entries, int current, const QRect &anchor,
                                     std::function<void(int)> chosen)
{
    clear();
    addItems(entries);
    m_chosen = std::move(chosen);
    setCurrentRow(current);
    const int rowHeight = qMax(sizeHintForRow(0), fontMetrics().height());
    const int rows = qBound(1, static_cast<int>(entries.size()), MaxRows);
    int width = anchor.width();
    // Measured from the texts: the view knows no item sizes before it is shown.
    for (const QString &entry : entries)
        width = qMax(width, fontMetrics().horizontalAdvance(entry) + 12);
    if (entries.size() > MaxRows) width += style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2;
    resize(width + 2 * frameWidth() + 4, rows * rowHeight + 2 * frameWidth());
    move(anchor.bottomLeft() + QPoint(0, 1));
    show();
    setFocus();
    if (current >= 0) scrollToItem(item(current));
}

void TcxFilterControlDropDown::choose(int index)
{
    hide();
    if (index < 0 || index >= count() || !m_chosen) return;
    auto chosen = std::move(m_chosen);
    m_chosen = nullptr;
    guarded([&] { chosen(index); });
}

void TcxFilterControlDropDown::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: choose(currentRow()); return;
    case Qt::Key_Escape:
        m_chosen = nullptr;
        hide();
        return;
    default: QListWidget::keyPressEvent(event);
    }
}
