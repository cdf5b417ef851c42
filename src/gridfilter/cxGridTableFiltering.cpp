#include "gridfilter/cxGridTableFiltering.h"

#include "filterdialogs/fmFilterControlDialog.h"
#include "grid/cxGrid.h"
#include "grid/cxGridDBTableView.h"
#include "gridfilter/cxGridFilterBox.h"
#include "gridfilter/cxGridFilterPopup.h"
#include "criteria/cxDataFilterCriteria.h"

#include <QEvent>

TcxGridTableFiltering::TcxGridTableFiltering(TcxGrid *grid) : QObject(grid), m_grid(grid)
{
    m_filterBox = new TcxGridFilterBox(*this);
    TcxGridDBDataController &controller = view().DataController();
    m_filterChanged = controller.OnFilterChanged.subscribe([this] { layoutChanged(); });
    m_grid->onFilterButtonDown = [this](int column) { dropDown(column); };
    m_grid->isColumnFiltered = [this](int column) {
        return criteria().findCondition(column) != nullptr;
    };
    m_grid->installEventFilter(this);
    layoutChanged();
}

// NOTE: it goes as the grid's child, after the grid's own members (its view and hooks) are
// gone, so it touches none of them here.
TcxGridTableFiltering::~TcxGridTableFiltering() = default;

TcxGridDBTableView &TcxGridTableFiltering::view() const
{
    return *m_grid->cxGridDBTableView1;
}

TcxDataFilterCriteria &TcxGridTableFiltering::criteria() const
{
    return view().DataController().Filter();
}

void TcxGridTableFiltering::SetCustomizeDialog(bool customizeDialog)
{
    m_customizeDialog = customizeDialog;
    layoutChanged();
}

void TcxGridTableFiltering::SetVisible(TcxGridFilterVisible visible)
{
    m_visible = visible;
    layoutChanged();
}

void TcxGridTableFiltering::layoutChanged()
{
    m_filterBox->updateLayout();
}

bool TcxGridTableFiltering::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_grid &&
        (event->type() == QEvent::Resize || event->type() == QEvent::FontChange))
        layoutChanged();
    return QObject::eventFilter(watched, event);
}

void TcxGridTableFiltering::dropDown(int column)
{
    if (!m_popup) m_popup = std::make_unique<TcxGridFilterPopup>(*this);
    m_popup->open(column);
}

void TcxGridTableFiltering::runFilterBuilder()
{
    executeFilterBuilder(filterControlLink());
}

TcxFilterControlLink TcxGridTableFiltering::filterControlLink() const
{
    TcxFilterControlLink link;
    const TcxGridDBTableView &tableView = view();
    for (int i = 0; i < tableView.ColumnCount(); ++i) {
        const TcxGridDBColumn *column = tableView.Columns(i);
        if (!column->Options.Filtering) continue;
        link.columns.push_back({column->Caption(), i, true});
    }
    link.criteria = &criteria();
    return link;
}
