#pragma once

#include "shell/Form.h"
#include "controller/cxFilterValueList.h"

#include <QFont>
#include <QRect>
#include <QStringList>

#include <memory>
#include <vector>

class TcxGridTableFiltering;
class TcxScrollBar;

// The column filter drop-down: a stay-on-top pop-up form of its own with one owner-drawn list
// of the column's value list entries. Showing it makes it the focused form; hiding it gives
// the focus back to the list, so the main window is activated again.
class TcxGridFilterPopup : public TForm
{
    Q_OBJECT
public:
    explicit TcxGridFilterPopup(TcxGridTableFiltering &filtering);
    ~TcxGridFilterPopup() override;

    // Builds the column's list and drops it down under (or above) its filter button.
    void open(int column);
    // Applies an entry and closes; -1 only closes.
    void select(int index);
    // Hides without a change.
    void closeUp();
    // Hiding hands the focus back only once the drop-down is off the screen.
    void setVisible(bool visible) override;

    int column() const { return m_column; }
    const TcxFilterValueList &valueList() const { return m_valueList; }
    // The entries' display texts, as the list shows them. The list makes each one only when it
    // paints it: a column of a hundred thousand names costs no text of its own per name.
    int entryCount() const { return m_valueList.Count(); }
    QString entryText(int index) const;
    QStringList entries() const;
    int itemIndex() const { return m_itemIndex; }
    void setItemIndex(int index);
    int topIndex() const { return m_topIndex; }
    void setTopIndex(int index);
    int itemHeight() const { return m_itemHeight; }
    int visibleRowCount() const { return m_visibleRows; }
    bool hasScrollBar() const;
    TcxScrollBar *scrollBar() const { return m_scrollBar; }
    QWidget *listBox() const { return m_listBox; }

    // Geometry in the list box's coordinates: the row of an entry (empty when scrolled out
    // of sight) and the entry under a point (-1 for none).
    QRect itemRect(int index) const;
    int itemAt(QPoint point) const;

    // The list's frame, on each side.
    static constexpr int FrameWidth = 1;

    // The widest of the entries' display texts in `font`, in pixels, as QFontMetrics measures
    // each text (kerning included). `advances` keeps what it learns of the font's characters
    // for the next call with the same font.
    class TAdvanceTable;
    static int widestTextWidth(const QFont &font, const std::vector<TcxFilterValueItem> &items,
                               std::shared_ptr<TAdvanceTable> &advances);

protected:
    void paintEvent(QPaintEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    class TListBox;
    friend class TListBox;

    void fill();
    void place();
    int currentFilterIndex() const;
    void paintList(QPainter &painter) const;
    void applyEntry(const TcxFilterValueItem &entry);
    void listKeyPress(int key);

    TcxGridTableFiltering &m_filtering;
    TcxFilterValueList m_valueList;
    std::shared_ptr<TAdvanceTable> m_advances;
    QWidget *m_listBox = nullptr;
    TcxScrollBar *m_scrollBar = nullptr;
    int m_column = -1;
    int m_itemIndex = -1;
    int m_topIndex = 0;
    int m_itemHeight = 16;
    int m_visibleRows = 0;
};
