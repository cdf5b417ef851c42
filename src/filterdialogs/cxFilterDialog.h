#pragma once

#include "criteria/cxFilterOperatorCatalogue.h"
#include "filterdialogs/cxFilterEditHelper.h"

#include "shell/Form.h"

#include <QString>

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class TcxFilterCriteria;
class TcxFilterCriteriaItem;
class TcxFilterCriteriaItemList;
class TcxGridDBColumn;

// The column that the dialog filters.
struct TcxFilterDialogColumn
{
    int index = 0; // the criteria's item index of the column
    QString caption;
    TcxColumnEditorKind editor = TcxColumnEditorKind::MaskEdit;
    TcxFilterValueType valueType = TcxFilterValueType::Text;
};

// A column of the drug list as the dialog sees it: a text field in a masked text editor.
TcxFilterDialogColumn filterDialogColumn(const TcxGridDBColumn &column);

// The custom filter dialog: one column filtered by one condition, or by two joined by "and"
// or "or", each an operator from a fixed list and a typed value.
class TcxFilterDialog : public TForm
{
    Q_OBJECT
public:
    TcxFilterDialog(TcxFilterCriteria &criteria, const TcxFilterDialogColumn &column,
                    const TcxFilterEditHelper &helper, QWidget *owner = nullptr);

    QLabel *lblTitle = nullptr;
    QLabel *lblColumnCaption = nullptr;
    QWidget *bvlLine = nullptr;
    QComboBox *cbOperator1 = nullptr;
    QWidget *Edit1 = nullptr; // the first value editor, where lblEdit1PlaceHolder was
    QRadioButton *rbAnd = nullptr;
    QRadioButton *rbOr = nullptr;
    QComboBox *cbOperator2 = nullptr;
    QWidget *Edit2 = nullptr; // the second value editor, where lblEdit2PlaceHolder was
    QLabel *lblSingle = nullptr;
    QLabel *lblSeries = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;

    // The operator a row's list shows; None for the empty entry of the second row.
    TcxFilterEditorOperator operator1() const;
    TcxFilterEditorOperator operator2() const;

    void cbOperator1Click();
    void cbOperator2PropertiesChange();
    // Only for closing with OK: validates both rows. Throws Exception with the message
    // "输入值非法" (after putting the focus into the editor concerned) when a value does not fit
    // the column's field.
    void FormCloseQuery(bool &canClose);
    // Puts the rows into the criteria in place of the column's conditions.
    void applyToCriteria();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    struct TRow
    {
        TcxFilterEditorOperator op = TcxFilterEditorOperator::None;
        TcxFilterEditValue value;
    };

    void createControls();
    void fillOperators();
    void showConditions();
    void showCondition(const TcxFilterCriteriaItem &condition, QComboBox *operators,
                       QWidget *editor);
    void applyWildcardRule(QComboBox *operators, QWidget *editor, bool opening);
    void applyHintRule();
    bool readRow(QComboBox *operators, QWidget *editor, TRow &row) const;
    void addRowCondition(TcxFilterCriteriaItemList *group, const TRow &row);
    void btnOKClick();

    TcxFilterCriteria &m_criteria;
    TcxFilterDialogColumn m_column;
    const TcxFilterEditHelper &m_helper;
    TRow m_rows[2];
};

// Whether the dialog can show the whole criteria: the root joins by AND, and each of its
// children is either a condition of kind 0 to 7 or an AND or OR group of two such conditions
// on one column, no column taking part twice. An empty criteria fits.
bool fitsCustomFilterDialog(const TcxFilterCriteria &criteria);

// Runs the custom filter dialog modally for one column of the criteria's list: it opens with
// the column's first condition (and the second of its group) and, when closed with OK,
// replaces the column's conditions by what the dialog shows, inside one update bracket of the
// criteria, so that the list is filtered once. Returns whether it closed with OK; Cancel
// changes nothing. A column whose editor the filter editors cannot take values from opens no
// dialog and returns false. The caller checks fitsCustomFilterDialog() first and sets the criteria
// active; the column drop-down does both.
bool executeCustomFilterDialog(TcxFilterCriteria &criteria, const TcxFilterDialogColumn &column,
                         QWidget *owner = nullptr);
