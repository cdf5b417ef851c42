#include "tervana-data/DataTool.h"

#include "data/ClientDataSet.h"
#include "platform/Codec.h"
#include "data/DataSource.h"
#include "druglist/DrugFields.h"
#include "druglist/DrugListColumns.h"
#include "data/Field.h"
#include "controller/cxGridDBDataController.h"
#include "criteria/cxDataFilterCriteria.h"

#include <ostream>
#include <vector>

namespace {

// A name on one line: line breaks inside it are shown as "\n".
std::string printable(std::string_view gbkName)
{
    std::string text = gbk::toUtf8(gbkName);
    std::string line;
    line.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        if (text[i] == '\n' || text[i] == '\r')
            line += "\\n";
        else
            line += text[i];
    }
    return line;
}

} // namespace

int queryDataFile(const std::string &dataPath, std::string_view filterStream, std::ostream &out,
                  std::ostream &errors)
{
    TClientDataSet cds("cds");
    createDrugFields(cds);
    TDataSource source("DataSource1");
    source.SetDataSet(&cds);

    TcxGridDBDataController controller(drugListFieldNames());
    designDrugListController(controller, cds);
    TcxDataFilterCriteria &criteria = controller.Filter();

    try {
        criteria.readFromStream(filterStream);
        criteria.SetActive(true);
        cds.SetFileName(dataPath);
        controller.SetDataSource(&source);
        cds.Open();
        controller.FilterChanged();
    } catch (const Exception &failure) {
        errors << failure.Message() << '\n';
        return 1;
    }

    out << gbk::toUtf8(criteria.filterText()) << '\n';
    for (int row = 0; row < controller.RowCount(); ++row) {
        const std::optional<std::string_view> name =
            controller.value(controller.recordIndexOfRow(row), 0);
        out << (name ? printable(*name) : std::string("<null>")) << '\n';
    }
    return out ? 0 : 1;
}
