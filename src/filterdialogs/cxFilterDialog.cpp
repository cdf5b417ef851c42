#include "filterdialogs/cxFilterDialog.h"
#include "filterdialogs/OperatorText.h"

#include "criteria/cxFilterCriteria.h"

#include "shell/Application.h"
#include "platform/Exception.h"
#include "widgets/FlatButton.h"
#include "widgets/FlatComboBox.h"
#include "widgets/FlatRadioButton.h"
#include "widgets/TopLineBevel.h"
#include "platformui/Fonts.h"
#include "platformui/GbkQt.h"
#include "grid/cxGridDBColumn.h"
#include "platformui/SystemColors.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>

#include <memory>
#include <set>

namespace {

const QString Caption = QStringLiteral("定制过滤");
const QString TitleText = QStringLiteral("显示条件行:");
const QString OkText = QStringLiteral("确定");
const QString CancelText = QStringLiteral("取消");
const QString UseText = QStringLiteral("使用");
const QString SingleText = QStringLiteral("表示任何单个字符");
const QString SeriesText = QStringLiteral("表示任意字符");
const char *const InvalidValue = "输入值非法";
const char *const BlankText = "空";

constexpr QSize ClientSize(414, 175);

QLabel *autoSizedLabel(QWidget *parent, const char *name, QPoint position)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(position);
    return label;
}

void setAutoSizedText(QLabel *label, const QString &text)
{
    label->setText(text);
    label->adjustSize();
}

QString wildcardText(char wildcard)
{
    return QString(QLatin1Char(wildcard));
}

// The display text of a condition without a value.
std::string blankText()
{
    return toGbk(QString::fromUtf8(BlankText)).value_or(std::string());
}

TcxFilterEditorOperator selectedOperator(const QComboBox *operators)
{
    return static_cast<TcxFilterEditorOperator>(operators->currentData().toInt());
}

} // namespace

TcxFilterDialogColumn filterDialogColumn(const TcxGridDBColumn &column)
{
    TcxFilterDialogColumn result;
    result.index = column.Index();
    result.caption = column.Caption();
    return result;
}

TcxFilterDialog::TcxFilterDialog(TcxFilterCriteria &criteria, const TcxFilterDialogColumn &column,
                                 const TcxFilterEditHelper &helper, QWidget *owner)
    : TForm(owner), m_criteria(criteria), m_column(column), m_helper(helper)
{
    setObjectName(QStringLiteral("cxFilterDialog"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFont(formFont(MsSansSerif, 11));
    QPalette colours = palette();
    colours.setColor(QPalette::Window, toQColor(clBtnFace));
    colours.setColor(QPalette::WindowText, toQColor(clBtnText));
    setPalette(colours);
    setFixedSize(ClientSize);
    setCentredWhenShown(true);

    createControls();
    setWindowTitle(Caption);
    fillOperators();
    showConditions();
    applyWildcardRule(cbOperator1, Edit1, true);
    applyWildcardRule(cbOperator2, Edit2, true);
    applyHintRule();
    cbOperator1->setFocus();
}

void TcxFilterDialog::createControls()
{
    lblTitle = autoSizedLabel(this, "lblTitle", QPoint(8, 8));
    bvlLine = new TTopLineBevel(this);
    bvlLine->setObjectName(QStringLiteral("bvlLine"));
    bvlLine->setGeometry(8, 34, 396, 4);
    // The caption stands on the line, its background hiding the line up to the blank after it.
    lblColumnCaption = autoSizedLabel(this, "lblColumnCaption", QPoint(8, 27));
    lblColumnCaption->setAutoFillBackground(true);
    lblColumnCaption->raise();

    cbOperator1 = new TFlatComboBox(this);
    cbOperator1->setObjectName(QStringLiteral("cbOperator1"));
    cbOperator1->setGeometry(8, 46, 193, 21);
    Edit1 = m_helper.createEditor(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(208, 46, 193, 21);

    rbAnd = new TFlatRadioButton(this);
    rbAnd->setObjectName(QStringLiteral("rbAnd"));
    rbAnd->setGeometry(56, 74, 60, 17);
    rbOr = new TFlatRadioButton(this);
    rbOr->setObjectName(QStringLiteral("rbOr"));
    rbOr->setGeometry(120, 74, 65, 17);

    cbOperator2 = new TFlatComboBox(this);
    cbOperator2->setObjectName(QStringLiteral("cbOperator2"));
    cbOperator2->setGeometry(8, 96, 193, 21);
    Edit2 = m_helper.createEditor(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setGeometry(208, 96, 193, 21);

    lblSingle = autoSizedLabel(this, "lblSingle", QPoint(8, 134));
    lblSeries = autoSizedLabel(this, "lblSeries", QPoint(8, 153));

    btnOK = new TFlatButton(this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(248, 144, 75, 23);
    btnCancel = new TFlatButton(this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(330, 144, 75, 23);
    // Enter presses the button that has the focus, and the default one otherwise.
    btnOK->setAutoDefault(true);
    btnCancel->setAutoDefault(true);

    setTabOrder(cbOperator1, Edit1);
    setTabOrder(Edit1, rbAnd);
    setTabOrder(rbAnd, rbOr);
    setTabOrder(rbOr, cbOperator2);
    setTabOrder(cbOperator2, Edit2);
    setTabOrder(Edit2, btnOK);
    setTabOrder(btnOK, btnCancel);

    setAutoSizedText(lblTitle, TitleText);
    setAutoSizedText(lblColumnCaption, m_column.caption + QLatin1Char(' '));
    rbAnd->setText(catalogueText(filteroperators::AndWord));
    rbOr->setText(catalogueText(filteroperators::OrWord));
    rbAnd->setChecked(true);
    const QString percent = wildcardText(m_criteria.PercentWildcard());
    const QString underscore = wildcardText(m_criteria.UnderscoreWildcard());
    const QString blank = QStringLiteral(" ");
    setAutoSizedText(lblSingle, UseText + blank + underscore + blank + SingleText);
    setAutoSizedText(lblSeries, UseText + blank + percent + blank + SeriesText);
    btnOK->setText(OkText);
    btnCancel->setText(CancelText);

    connect(cbOperator1, &QComboBox::currentIndexChanged, this,
            [this] { guarded([this] { cbOperator1Click(); }); });
    connect(cbOperator2, &QComboBox::currentIndexChanged, this,
            [this] { guarded([this] { cbOperator2PropertiesChange(); }); });
    connect(btnOK, &QPushButton::clicked, this, [this] { guarded([this] { btnOKClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
}

void TcxFilterDialog::fillOperators()
{
    const QSignalBlocker block1(cbOperator1);
    const QSignalBlocker block2(cbOperator2);
    cbOperator2->addItem(QString(), static_cast<int>(TcxFilterEditorOperator::None));
    for (TcxFilterEditorOperator op : m_helper.supportedOperators(false)) {
        cbOperator1->addItem(operatorText(op), static_cast<int>(op));
        cbOperator2->addItem(operatorText(op), static_cast<int>(op));
    }
    const int like = cbOperator1->findData(static_cast<int>(TcxFilterEditorOperator::Like));
    cbOperator1->setCurrentIndex(like >= 0 ? like : 0);
    cbOperator2->setCurrentIndex(0);
}

void TcxFilterDialog::showConditions()
{
    const TcxFilterCriteriaItem *first = m_criteria.findCondition(m_column.index);
    if (!first) return;
    showCondition(*first, cbOperator1, Edit1);
    const TcxFilterCriteriaItemList *group = first->parent();
    if (!group || group == &m_criteria.root() || group->count() < 2) return;
    const bool joinedByAnd = group->boolOperator() == TcxFilterBoolOperatorKind::And;
    rbAnd->setChecked(joinedByAnd);
    rbOr->setChecked(!joinedByAnd);
    if (const auto *second = dynamic_cast<const TcxFilterCriteriaItem *>(group->item(1)))
        showCondition(*second, cbOperator2, Edit2);
}

void TcxFilterDialog::showCondition(const TcxFilterCriteriaItem &condition, QComboBox *operators,
                                    QWidget *editor)
{
    const int index = operators->findData(static_cast<int>(editorOperatorOf(condition)));
    if (index >= 0) {
        const QSignalBlocker block(operators);
        operators->setCurrentIndex(index);
    }
    m_helper.writeValue(editor, condition.value());
}

TcxFilterEditorOperator TcxFilterDialog::operator1() const
{
    return selectedOperator(cbOperator1);
}

TcxFilterEditorOperator TcxFilterDialog::operator2() const
{
    return selectedOperator(cbOperator2);
}

void TcxFilterDialog::cbOperator1Click()
{
    applyWildcardRule(cbOperator1, Edit1, false);
    applyHintRule();
}

void TcxFilterDialog::cbOperator2PropertiesChange()
{
    applyWildcardRule(cbOperator2, Edit2, false);
    applyHintRule();
}

void TcxFilterDialog::applyWildcardRule(QComboBox *operators, QWidget *editor, bool opening)
{
    const QString wildcards =
        wildcardText(m_criteria.PercentWildcard()) + wildcardText(m_criteria.UnderscoreWildcard());
    if (isLikeOperator(selectedOperator(operators))) {
        m_helper.setWildcardsAllowed(editor, wildcards, true);
        return;
    }
    // A value that comes from the criteria keeps its characters: an equal condition on a name
    // with "%" in it must come back unchanged when the dialog is closed with OK. Only a change
    // of operator takes the wildcards out of what was typed.
    if (!opening) m_helper.setWildcardsAllowed(editor, wildcards, false);
}

void TcxFilterDialog::applyHintRule()
{
    const bool visible = isLikeOperator(operator1()) || isLikeOperator(operator2());
    lblSingle->setVisible(visible);
    lblSeries->setVisible(visible);
}

bool TcxFilterDialog::readRow(QComboBox *operators, QWidget *editor, TRow &row) const
{
    row.op = selectedOperator(operators);
    row.value = m_helper.readValue(editor);
    return validateFilterValue(row.value.value, row.op, m_column.valueType);
}

void TcxFilterDialog::FormCloseQuery(bool &canClose)
{
    canClose = false;
    // Leaving the editors makes them take what was typed.
    btnOK->setFocus();
    TRow rows[2];
    if (!readRow(cbOperator1, Edit1, rows[0])) {
        Edit1->setFocus();
        throw Exception(InvalidValue);
    }
    if (!readRow(cbOperator2, Edit2, rows[1])) {
        Edit2->setFocus();
        throw Exception(InvalidValue);
    }
    m_rows[0] = rows[0];
    m_rows[1] = rows[1];
    canClose = true;
}

void TcxFilterDialog::btnOKClick()
{
    bool canClose = false;
    FormCloseQuery(canClose);
    if (canClose) SetModalResult(mrOk);
}

void TcxFilterDialog::addRowCondition(TcxFilterCriteriaItemList *group, const TRow &row)
{
    if (row.op == TcxFilterEditorOperator::None) return;
    const TcxFilterOperatorKind kind = criteriaKind(row.op);
    if (isNullTest(row.op)) {
        m_criteria.addCondition(group, m_column.index, kind, TVariant(), blankText());
        return;
    }
    const TVariant &value = row.value.value;
    const bool blank = value.isNull() || (value.isText() && value.asText().empty());
    std::string displayText = blank ? blankText() : toGbk(row.value.text).value_or(std::string());
    m_criteria.addCondition(group, m_column.index, kind, value, std::move(displayText));
}

void TcxFilterDialog::applyToCriteria()
{
    TUpdateLock lock(m_criteria);
    m_criteria.root().setBoolOperator(TcxFilterBoolOperatorKind::And);
    m_criteria.removeConditions(m_column.index);
    if (m_rows[1].op != TcxFilterEditorOperator::None) {
        TcxFilterCriteriaItemList *group =
            m_criteria.addGroup(nullptr, rbOr->isChecked() ? TcxFilterBoolOperatorKind::Or
                                                           : TcxFilterBoolOperatorKind::And);
        addRowCondition(group, m_rows[0]);
        addRowCondition(group, m_rows[1]);
    } else {
        addRowCondition(nullptr, m_rows[0]);
    }
}

void TcxFilterDialog::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (event->modifiers() & ~Qt::KeypadModifier) break;
        btnOK->click();
        return;
    case Qt::Key_Escape:
        if (event->modifiers() != Qt::NoModifier) break;
        btnCancel->click();
        return;
    default: break;
    }
    TForm::keyPressEvent(event);
}

bool fitsCustomFilterDialog(const TcxFilterCriteria &criteria)
{
    const TcxFilterCriteriaItemList &root = criteria.root();
    if (root.isEmpty()) return true;
    if (root.boolOperator() != TcxFilterBoolOperatorKind::And) return false;
    auto simpleCondition = [](const TcxCustomFilterCriteriaItem *item) {
        const auto *condition = dynamic_cast<const TcxFilterCriteriaItem *>(item);
        return condition && static_cast<int>(condition->operatorKind()) <= 7 ? condition : nullptr;
    };
    std::set<int> seen;
    for (int i = 0; i < root.count(); ++i) {
        const TcxCustomFilterCriteriaItem *child = root.item(i);
        int column = 0;
        if (const TcxFilterCriteriaItem *condition = simpleCondition(child)) {
            column = condition->column();
        } else if (child->isGroup()) {
            const auto &group = static_cast<const TcxFilterCriteriaItemList &>(*child);
            if (group.count() != 2) return false;
            if (group.boolOperator() != TcxFilterBoolOperatorKind::And &&
                group.boolOperator() != TcxFilterBoolOperatorKind::Or)
                return false;
            const TcxFilterCriteriaItem *first = simpleCondition(group.item(0));
            const TcxFilterCriteriaItem *second = simpleCondition(group.item(1));
            if (!first || !second || first->column() != second->column()) return false;
            column = first->column();
        } else {
            return false;
        }
        if (!seen.insert(column).second) return false;
    }
    return true;
}

bool executeCustomFilterDialog(TcxFilterCriteria &criteria, const TcxFilterDialogColumn &column,
                         QWidget *owner)
{
    const TcxFilterEditHelper *helper = filterEditHelper(column.editor);
    if (!helper) return false;
    auto dialog = std::make_unique<TcxFilterDialog>(criteria, column, *helper, owner);
    if (dialog->ShowModal() != mrOk) return false;
    dialog->applyToCriteria();
    return true;
}
