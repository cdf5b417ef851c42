#include "forms/main/Main.h"

#include "data/ClientDataSet.h"
#include "data/DataSource.h"
#include "druglist/DrugFields.h"
#include "forms/about/About.h"
#include "editors/DBText.h"
#include "platformui/PlatformServices.h"
#include "forms/main/WebAddress.h"
#include "shell/Application.h"
#include "shell/MessageForm.h"
#include "platform/ModulePath.h"
#include "platform/RegularFile.h"
#include "platform/SharedReadFile.h"
#include "platformui/SystemColors.h"
#include "companion/Tolvane.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <utility>

TForm1 *Form1 = nullptr;

namespace {

const QString CannotOpenMessage = QStringLiteral("数据文件不能打开！");
const QString WrongFileMessage = QStringLiteral("数据文件错误！");
const QString NotFoundMessage = QStringLiteral("数据文件未找到！");
const char *const DataFileName = "YaoPin.XML";
// Beside the data file: every posted edit until the write-back. It is also what keeps the
// edits when the display goes away: the toolkit then ends the process with exit(), where
// the write-back cannot run safely any more; the next start replays the journal.
const char *const JournalSuffix = ".journal";
// Left beside the data file by an update that merged the user's edited data with a new
// release: its first line says, in Chinese, what the merge did.
const char *const UpdateReportName = ".update-report";

// Shows the update's report once: it is removed before it is shown. Only a regular file is
// read, and only its beginning, so that no file put there can hang or flood the start.
void showUpdateReport(const std::string &directory)
{
    const std::string path = directory + UpdateReportName;
    TFileFailure failure;
    std::optional<std::string> head = readRegularFileHead(path, 2048, failure);
    if (!head) return;
    std::remove(path.c_str());
    std::string line = head->substr(0, head->find('\n'));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const QString text = QString::fromUtf8(line).trimmed();
    if (!text.isEmpty()) ShowMessage(text);
}

} // namespace

TForm1::TForm1()
    : DataSource1(std::make_unique<TDataSource>("DataSource1")),
      cds(std::make_unique<TClientDataSet>("cds"))
{
    setObjectName(QStringLiteral("Form1"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, toQColor(clWhite));
    setPalette(palette);
    resize(768, 513);
    setCentredWhenShown(true);

    createDrugFields(*cds);
    DataSource1->SetDataSet(cds.get());

    createComponents();

    OnActivate = [this] { FormActivate(); };
    OnClose = [this](TCloseAction &action) { FormClose(action); };
    if (Application) Application->OnSessionEnd = [this] { return sessionEnd(); };
}

TForm1::~TForm1()
{
    if (Application) Application->OnSessionEnd = nullptr;
}

void TForm1::FormActivate()
{
    const std::string directory = executableDirectory();
    const std::string path = directory + DataFileName;
    bool passed = true;
    try {
        TSharedReadFile file;
        if (!file.open(path)) ShowMessage(CannotOpenMessage);
        // A file that could not be opened reads as the invalid size, so the check fails too.
        if (file.size32() != static_cast<std::uint32_t>(OKSize())) {
            passed = false;
            ShowMessage(WrongFileMessage);
            Close();
        }
    } catch (const std::exception &) {
        passed = false;
        ShowMessage(NotFoundMessage);
        Close();
    }
    // Opened whatever the check found; the check only decides whether the program goes on.
    // Only a file that passed the check takes the journal's edits.
    const bool opening = !cds->Active();
    cds->SetFileName(path);
    if (opening) cds->SetJournalFileName(passed ? path + JournalSuffix : std::string());
    cds->Open();
    if (passed && cds->Active()) showUpdateReport(directory);
}

void TForm1::FormClose(TCloseAction &)
{
    if (cds->Active()) cds->Close();
}

bool TForm1::sessionEnd()
{
    if (!cds->Active()) return true;
    if (cds->State() == TDataSetState::Edit || cds->State() == TDataSetState::Insert) {
        try {
            cds->CheckBrowseMode();
        } catch (const std::exception &) {
            // Not postable: dropped by the close below, as a close drops it.
        }
    }
    try {
        cds->Close();
    } catch (const EDataFileReplaced &replaced) {
        // Saved, beside the other writer's file.
        std::fprintf(stderr, "Tervana: %s\n", replaced.what());
    } catch (const std::exception &failure) {
        std::fprintf(stderr, "Tervana: %s\n", failure.what());
        return false;
    }
    return true;
}

void TForm1::Label1Click()
{
    showNoticeDialog(this);
}

void TForm1::DBText5Click()
{
    if (const std::optional<QUrl> address = webAddressToOpen(DBText5->Caption()))
        platformServices().openUrl(address->toString());
}
