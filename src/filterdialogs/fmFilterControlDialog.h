#pragma once

#include "filterdialogs/cxFilterControl.h"
#include "shell/Form.h"

#include <functional>
#include <vector>

class QPushButton;
class TcxDataFilterCriteria;

// What the filter builder needs of the list it filters: the columns it offers (every column
// that can filter, the hidden ones included, in the view's order), the list's criteria and
// what to do after each apply besides switching the criteria on.
struct TcxFilterControlLink
{
    std::vector<TcxFilterControlColumn> columns;
    TcxDataFilterCriteria *criteria = nullptr;
    std::function<void()> applied;
};

// The filter builder: the tree editor of the list's whole filter, with open, save, OK,
// Cancel and Apply.
class TfmFilterControlDialog : public TForm
{
    Q_OBJECT
public:
    TfmFilterControlDialog();
    ~TfmFilterControlDialog() override;

    // Loads the list's criteria; a filter the columns cannot show ends in the error box and
    // leaves the rows built before it.
    void setLink(const TcxFilterControlLink &link);

    TcxFilterControl *FilterControl = nullptr;
    QWidget *pnlBottom = nullptr;
    QPushButton *btOpen = nullptr;
    QPushButton *btSave = nullptr;
    QWidget *pnlBottomRight = nullptr;
    QPushButton *btOk = nullptr;
    QPushButton *btCancel = nullptr;
    QPushButton *btApply = nullptr;

    QString fileName() const { return m_fileName; }

    void btOpenClick();
    void btSaveClick();
    void btOkClick();
    void btApplyClick();

    // The size the dialog starts with and the least it can be made.
    static constexpr QSize DefaultSize{528, 365};
    static constexpr QSize MinimumSize{520, 165};

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateCaption();

    TcxFilterControlLink m_link;
    QString m_fileName;
    QString m_savePath;
};

// Runs the filter builder on the list modally; true when it was closed with OK. The filter
// box's "定制..." and the column drop-down's "(定制过滤...)" call it. Each apply copies the
// tree into `link.criteria`, switches it on and calls `link.applied`; Cancel keeps what an
// earlier apply did. The dialog's place and size are kept for the next run of the program's
// session, never on disk.
bool executeFilterBuilder(const TcxFilterControlLink &link);
