#pragma once

// The main window's drug list with a data file of chosen generic names, and simulated input
// on its column drop-down and filter box. Each test runs in a process of its own.

#include "shell/Application.h"
#include "DataSetTestSupport.h"
#include "grid/cxGrid.h"
#include "grid/cxGridDBTableView.h"
#include "gridfilter/cxGridFilterPopup.h"
#include "gridfilter/cxGridTableFiltering.h"
#include "platform/IntegrityRecord.h"
#include "forms/main/Main.h"
#include "ModalDriver.h"
#include "platform/ModulePath.h"

#include <QTest>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace listfilter {

inline const std::string DataPath = executableDirectory() + "YaoPin.XML";

inline std::string dataFile(const std::vector<std::optional<std::string>> &names)
{
    std::vector<std::vector<testsupport::TValue>> rows;
    for (const std::optional<std::string> &name : names) {
        std::vector<testsupport::TValue> row(22);
        row[0] = name;
        rows.push_back(row);
    }
    return integrity::sealed(testsupport::packet(testsupport::drugPacketFields(), rows));
}

inline void writeDataFile(const std::string &bytes)
{
    std::ofstream(DataPath, std::ios::binary | std::ios::trunc) << bytes;
}

// Writes the names (GBK, nullopt for null) and starts the main window with them.
inline TForm1 *startWith(const std::vector<std::optional<std::string>> &names)
{
    writeDataFile(dataFile(names));
    Application->CreateForm(Form1);
    Form1->show();
    Form1->activateWindow();
    waitFor([] { return Application->Screen().FocusedForm() == Form1; });
    return Form1;
}

inline TcxGridTableFiltering &filtering()
{
    return *Form1->cxGrid2->findChild<TcxGridTableFiltering *>();
}

inline TcxDataFilterCriteria &criteria()
{
    return filtering().criteria();
}

inline TcxGridDBTableView &view()
{
    return *Form1->cxGrid2->cxGridDBTableView1;
}

// The names the list shows, top to bottom.
inline std::vector<std::string> shownNames()
{
    std::vector<std::string> names;
    const TcxGridDBDataController &controller = view().DataController();
    for (int row = 0; row < controller.RowCount(); ++row)
        names.emplace_back(
            controller.value(controller.recordIndexOfRow(row), 0).value_or("<null>"));
    return names;
}

// Presses the filter button of the name column, as the user does.
inline TcxGridFilterPopup *openDropDown()
{
    const QPoint button = view().filterButtonRect(0).center();
    QTest::mousePress(Form1->cxGrid2, Qt::LeftButton, {}, button);
    TcxGridFilterPopup *popup = filtering().popup();
    if (!popup || !waitFor([popup] { return popup->isVisible(); })) return nullptr;
    return popup;
}

// Moves the mouse onto the entry and releases the button over it.
inline bool pickEntry(TcxGridFilterPopup &popup, const QString &text)
{
    const int index = static_cast<int>(popup.entries().indexOf(text));
    if (index < 0) return false;
    popup.setTopIndex(index);
    const QPoint centre = popup.itemRect(index).center();
    QTest::mouseMove(popup.listBox(), centre);
    QTest::mouseRelease(popup.listBox(), Qt::LeftButton, {}, centre);
    return !popup.isVisible();
}

inline bool pick(const QString &text)
{
    TcxGridFilterPopup *popup = openDropDown();
    return popup && pickEntry(*popup, text);
}

} // namespace listfilter
