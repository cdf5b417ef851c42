#pragma once

#include "filterdialogs/cxFilterControlTree.h"
#include "criteria/cxFilterControlCriteria.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QHash>
#include <QString>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QLineEdit;
class QMenu;
class TcxFilterControlDropDown;

// A column the filter builder offers: its caption, its ID in the list (which saved filters
// store) and whether its field holds text.
struct TcxFilterControlColumn
{
    QString caption;
    int id = 0;
    bool textType = true;
};

// The parts of a row that react to the mouse and the keys.
enum class TcxFilterControlElement {
    None,
    RowButton,
    BoolOperator,
    Column,
    Operator,
    Value,
    AddValue,
    AddCondition
};

// An element of the tree: the row's index in display order (the add-condition text stands in
// the row after the last), the element, and for a value its slot.
struct TcxFilterControlHit
{
    int row = -1;
    TcxFilterControlElement element = TcxFilterControlElement::None;
    int valueIndex = -1;
    bool operator==(const TcxFilterControlHit &) const = default;
};

// How a piece of a row is drawn.
enum class TcxFilterControlPieceStyle {
    Plain,
    RowButton,
    BoolOperator,
    Column,
    Operator,
    Value,
    AddValue,
    AddCondition
};

// One drawn piece of a row, in content coordinates (before scrolling).
struct TcxFilterControlPiece
{
    TcxFilterControlHit hit; // element None for the decoration between elements
    TcxFilterControlPieceStyle style = TcxFilterControlPieceStyle::Plain;
    QRect rect;
    QString text;
};

// The tree editor of the filter builder: the whole filter as rows of groups and conditions,
// edited with the mouse and the keys, with its own criteria keyed by column ID.
class TcxFilterControl : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit TcxFilterControl(QWidget *owner = nullptr);
    ~TcxFilterControl() override;

    void setColumns(std::vector<TcxFilterControlColumn> columns);
    const std::vector<TcxFilterControlColumn> &columns() const { return m_columns; }
    TcxFilterControlTree &tree() { return m_tree; }
    const TcxFilterControlTree &tree() const { return m_tree; }
    TcxFilterControlCriteria &criteria() { return m_criteria; }

    // The list's criteria, which the tree loads from now and after every apply.
    void setLinkedCriteria(TcxFilterCriteria *criteria);
    // Loads the linked criteria into the rows; throws "不能从源建立过滤".
    void loadFromLinked();
    // Builds the own criteria, copies it into the linked one, tells OnApplyFilter and loads
    // the result back, all in one change of the linked criteria.
    void applyFilter();
    std::function<void()> OnApplyFilter;

    // Ends a value edit and builds the own criteria from the rows (kept as it was while a
    // condition is incomplete).
    void buildCriteria();
    // The rows and the own criteria from a filter stream. Throws "Stream read error" with what
    // was read in the tree, or "不能从源建立过滤".
    void loadFromStream(std::string_view bytes);
    std::string saveToStream();

    QString NullString() const { return m_nullString; }
    bool ShowLevelLines() const { return m_showLevelLines; }
    bool HotTrackOnUnfocused() const { return m_hotTrackOnUnfocused; }
    bool WantTabs() const { return m_wantTabs; }

    const QFont &groupOperatorFont() const { return m_fonts[0]; }
    const QFont &columnFont() const { return m_fonts[1]; }
    const QFont &operatorFont() const { return m_fonts[2]; }
    const QFont &valueFont() const { return m_fonts[3]; }

    TcxFilterControlHit focusedElement() const { return m_focus; }
    void setFocusedElement(const TcxFilterControlHit &hit);
    TcxFilterControlHit hotElement() const { return m_hot; }

    // Geometry, in viewport coordinates where a point or rectangle is on screen.
    int rowHeight() const;
    int topRow() const;
    std::vector<TcxFilterControlPiece> rowPieces(int row) const; // content coordinates
    QRect elementRect(const TcxFilterControlHit &hit) const;     // viewport coordinates
    TcxFilterControlHit hitTest(QPoint viewportPoint) const;
    int contentWidth() const;

    // What a click or Enter on an element does.
    void activate(const TcxFilterControlHit &hit);
    void addConditionTo(int row);
    void addGroupTo(int row);
    void deleteRowAt(int row);
    void clearAll();

    // The pop-ups, for whoever drives them from outside.
    QMenu *rowMenu() const { return m_rowMenu; }
    TcxFilterControlDropDown *dropDown() const { return m_dropDown; }
    QLineEdit *valueEditor() const { return m_editor; }
    bool isEditing() const { return m_editing.element == TcxFilterControlElement::Value; }
    // Accepts a value edit in progress. Throws Exception ("输入值非法") for a text the data's
    // code page cannot hold; the editor then stays open with the focus.
    void acceptEdit();
    void cancelEdit();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Geometry.
    QString rowButtonText(int row) const;
    QRect rowButtonRect(int row) const; // content coordinates
    QString valueText(const TcxFilterControlRow &row, int index) const;
    int valueWidth(const TcxFilterControlHit &hit, const QString &text) const;
    std::vector<TcxFilterControlHit> rowElements(int row) const;
    QPoint contentOffset() const;
    QRect contentRectOf(const TcxFilterControlHit &hit) const;
    const QFont &styleFont(TcxFilterControlPieceStyle style) const;
    // The width of a text in one of the fonts (0 to 3 the element fonts, 4 the control's),
    // remembered: a large filter measures the same few texts over and over.
    int textWidth(int font, const QString &text) const;

    // Painting.
    void paintBackground(QPainter &painter, const QRect &area) const;
    void paintLevelLines(QPainter &painter, const QRect &area) const;
    void paintPiece(QPainter &painter, const TcxFilterControlPiece &piece) const;
    void paintFocus(QPainter &painter) const;

    // Input.
    void moveFocusWithinRow(int step);
    void moveFocusToRow(int row);
    void deleteFocused();
    void showRowMenu(int row);
    void showBoolOperators(int row);
    void showColumns(int row);
    void showOperators(int row);
    void openEditor(const TcxFilterControlHit &hit, const QString &typed);
    void closeEditor();
    void placeEditor();
    void applyWildcardRule();
    bool editorKey(QKeyEvent *event);

    // State changes.
    void rowsChanged();
    void validateFocus();
    void makeFocusedVisible();
    void updateScrollBars();
    void setHot(const TcxFilterControlHit &hit);
    void updateFonts();
    void rebuildRows();
    TcxFilterControlHit firstElementOf(int row) const;

    std::vector<TcxFilterControlColumn> m_columns;
    TcxFilterControlTree m_tree;
    TcxFilterControlCriteria m_criteria;
    TcxFilterCriteria *m_linked = nullptr;

    QString m_nullString;
    bool m_showLevelLines = true;
    bool m_hotTrackOnUnfocused = true;
    bool m_wantTabs = false;
    QFont m_fonts[4];
    mutable QHash<QString, int> m_widths[5];
    mutable int m_rowHeight = 0;

    TcxFilterControlHit m_focus{0, TcxFilterControlElement::BoolOperator, -1};
    TcxFilterControlHit m_hot;
    TcxFilterControlHit m_editing;

    QMenu *m_rowMenu = nullptr;
    TcxFilterControlDropDown *m_dropDown = nullptr;
    QLineEdit *m_editor = nullptr;
    bool m_closingEditor = false;
};
