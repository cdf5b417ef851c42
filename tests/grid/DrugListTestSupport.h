#pragma once

// A drug list grid over a real data set opened on a packet file, inside a window with one
// more control that can take the focus, for the view and painting suites.

#include "DataSetTestSupport.h"

#include "data/DataSource.h"
#include "platformui/Fonts.h"
#include "grid/DrugListGrid.h"
#include "grid/cxGrid.h"
#include "grid/cxGridDBTableView.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <string>
#include <vector>

namespace testsupport {

class TDrugList
{
public:
    // The rows' generic names in file order; the grid sized so that `fullyVisible` rows fit
    // completely, with a part of the next one shown below them.
    explicit TDrugList(const std::vector<std::string> &names, int fullyVisible = 5)
    {
        registerFontSubstitutes();
        std::vector<std::vector<TValue>> rows;
        for (const std::string &name : names)
            rows.push_back(drugRow(name));
        const std::string path = makeFolder() + "YaoPin.XML";
        writeFile(path, packet(drugPacketFields(), rows));
        createDrugFields(cds);
        cds.SetFileName(path);
        source.SetDataSet(&cds);

        window.setFont(formFont(MsSansSerif, 13));
        grid = newDrugListGrid(&window);
        other = new QLineEdit(&window);
        grid->move(0, 0);
        other->move(0, 600);
        window.resize(300, 640);
        view().DataController().SetDataSource(&source);
        cds.Open();
        fitRows(fullyVisible);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        grid->setFocus();
        QApplication::processEvents();
    }

    TcxGridDBTableView &view() { return *grid->cxGridDBTableView1; }
    TcxGridDBDataController &controller() { return view().DataController(); }

    // 235 wide, and high enough for exactly `count` whole rows plus half a row.
    void fitRows(int count)
    {
        grid->resize(235, 2 + view().headerHeight() + count * view().rowHeight() +
                              view().rowHeight() / 2);
    }

    int focusedRow() { return controller().FocusedRowIndex(); }
    int topRow() { return view().TopRowIndex(); }
    std::string currentName() { return cds.FieldByName("TongYongMing").AsString(); }
    std::string rowName(int row) { return std::string(controller().displayText(row, 0)); }
    std::vector<std::string> rowNames()
    {
        std::vector<std::string> names;
        for (int row = 0; row < controller().RowCount(); ++row)
            names.push_back(rowName(row));
        return names;
    }
    // The focused row is one of the fully visible ones.
    bool focusedRowFullyVisible()
    {
        const int focused = focusedRow();
        return focused >= topRow() && focused <= view().lastFullyVisibleRow();
    }

    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(grid, key, modifiers);
    }
    QPoint headerPoint() { return view().headerRect(0).topLeft() + QPoint(20, 8); }
    QPoint rowPoint(int row) { return view().rowRect(row, 0).topLeft() + QPoint(30, 5); }
    void clickHeader(Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::mouseClick(grid, Qt::LeftButton, modifiers, headerPoint());
    }

    // The data set goes after the window, the data source after the data set.
    TDataSource source{"DataSource1"};
    TClientDataSet cds{"cds"};
    QWidget window;
    TcxGrid *grid = nullptr;
    QLineEdit *other = nullptr;
};

// Names that sort differently from their file order: the file's first record sorts last.
inline std::vector<std::string> shuffledNames(int count)
{
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        const int sorted = (i * 7 + count - 1) % count; // a permutation for counts prime to 7
        names.push_back("Drug " + std::string(1, char('A' + sorted / 10)) +
                        std::string(1, char('0' + sorted % 10)));
    }
    return names;
}

} // namespace testsupport
