#pragma once

#include "platform/Notifier.h"

#include <QObject>

#include <memory>

class TcxDataFilterCriteria;
class TcxGrid;
class TcxGridDBTableView;
class TcxGridFilterBox;
class TcxGridFilterPopup;
struct TcxFilterControlLink;

enum class TcxGridFilterVisible { fvNever, fvNonEmpty, fvAlways };

// The drug list's filtering: its options, the column drop-down (made when a filter button is
// first pressed) and the filter box under the rows. It plugs into the grid through the grid's
// hooks and lives as long as the grid, whose child it is.
class TcxGridTableFiltering : public QObject
{
    Q_OBJECT
public:
    explicit TcxGridTableFiltering(TcxGrid *grid);
    ~TcxGridTableFiltering() override;

    bool CustomizeDialog() const { return m_customizeDialog; }
    void SetCustomizeDialog(bool customizeDialog);
    // 0: as wide as the widest entry.
    int DropDownWidth() const { return m_dropDownWidth; }
    void SetDropDownWidth(int width) { m_dropDownWidth = width; }
    // 0: no limit.
    int MaxDropDownCount() const { return m_maxDropDownCount; }
    void SetMaxDropDownCount(int count) { m_maxDropDownCount = count; }
    TcxGridFilterVisible Visible() const { return m_visible; }
    void SetVisible(TcxGridFilterVisible visible);

    TcxGrid &grid() const { return *m_grid; }
    TcxGridDBTableView &view() const;
    TcxDataFilterCriteria &criteria() const;

    // Null until a filter button was first pressed.
    TcxGridFilterPopup *popup() const { return m_popup.get(); }
    TcxGridFilterBox &filterBox() const { return *m_filterBox; }

    // Opens the column's drop-down.
    void dropDown(int column);
    // Runs the filter builder on the whole criteria.
    void runFilterBuilder();
    // What the filter builder is given: every column that can filter, in the view's order.
    TcxFilterControlLink filterControlLink() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void layoutChanged();

    TcxGrid *m_grid;
    TcxGridFilterBox *m_filterBox = nullptr;
    std::unique_ptr<TcxGridFilterPopup> m_popup;
    bool m_customizeDialog = true;
    int m_dropDownWidth = 0;
    int m_maxDropDownCount = 15;
    TcxGridFilterVisible m_visible = TcxGridFilterVisible::fvNonEmpty;
    TSubscription m_filterChanged;
};
