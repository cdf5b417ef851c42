#include "Main.h"

#include "ClientDataSet.h"
#include "DataSource.h"
#include "DrugFields.h"
#include "About.h"
#include "DBText.h"
#include "PlatformServices.h"
#include "WebAddress.h"
#include "MessageForm.h"
#include "ModulePath.h"
#include "SharedReadFile.h"
#include "SystemColors.h"
#include "Tolvane.h"

TForm1 *Form1 = nullptr;

namespace {

const QString CannotOpenMessage = QStringLiteral("数据文件不能打开！");
const QString WrongFileMessage = QStringLiteral("数据文件错误！");
const QString NotFoundMessage = QStringLiteral("数据文件未找到！");
const char *const DataFileName = "YaoPin.XML";

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
}

TForm1::~TForm1() = default;

void TForm1::FormActivate()
{
    const std::string path = executableDirectory() + DataFileName;
    try {
        TSharedReadFile file;
        if (!file.open(path)) ShowMessage(CannotOpenMessage);
        // A file that could not be opened reads as the invalid size, so the check fails too.
        if (file.size32() != static_cast<std::uint32_t>(OKSize())) {
            ShowMessage(WrongFileMessage);
            Close();
        }
    } catch (const std::exception &) {
        ShowMessage(NotFoundMessage);
        Close();
    }
    // Opened whatever the check found; the check only decides whether the program goes on.
    cds->SetFileName(path);
    cds->Open();
}

void TForm1::FormClose(TCloseAction &)
{
    if (cds->Active()) cds->Close();
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
