#include "forms/about/About.h"

#include "forms/about/IconPicture.h"

#include "forms/Author.h"
#include "widgets/FlatPanel.h"
#include "platformui/Fonts.h"
#include "platformui/PlatformServices.h"
#include "platformui/SystemColors.h"
#include "companion/Tolvane.h"

#include <QFile>
#include <QShortcut>

#include <memory>

TFAbout *FAbout = nullptr;

namespace {

const QString MailTip = QStringLiteral("如果作者有您的信箱地址，阁下将在第一时间得到最新的软件");

constexpr TColor DialogColor = 8779006;

QByteArray resource(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A label on the card: in the card's colour, sized to its text until fixSize, and clicked only
// by a press and a release on it.
TLabel *cardLabel(TFlatPanel *card, const char *name, int left, int top)
{
    auto *label = new TLabel(card);
    label->setObjectName(QString::fromLatin1(name));
    label->SetAutoSize(true);
    label->SetClickNeedsPress(TClickNeedsPress::Yes);
    label->move(left, top);
    label->SetFontColor(toQColor(clWindowText));
    return label;
}

void fixSize(TLabel *label, int width, int height)
{
    label->SetAutoSize(false);
    label->resize(width, height);
}

// The author's addresses, in blue; those that go somewhere also get the hand cursor.
void showAddress(TLabel *label, const QString &text)
{
    label->setFont(formFont(MsSansSerif, 13));
    label->SetFontColor(toQColor(clBlue));
    label->SetCaption(text);
}

} // namespace

TFAbout::TFAbout(QWidget *owner) : TForm(owner)
{
    setObjectName(QStringLiteral("FAbout"));
    // No caption, no frame, no frame buttons: nothing to move or resize it by.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setFixedSize(462, 453);
    setFont(formFont(MsSansSerif, 13));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, toQColor(DialogColor));
    setPalette(palette);
    setCentredWhenShown(true);

    FlatPanel1 = new TFlatPanel(this);
    FlatPanel1->setObjectName(QStringLiteral("FlatPanel1"));
    FlatPanel1->setGeometry(12, 12, 385, 421);
    FlatPanel1->SetColor(toQColor(clWhite));

    Image2 = new TCardImage(FlatPanel1);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(132, 16, 100, 93);
    Image2->SetPicture(QImage(QStringLiteral(":/about/logo.jpg"), "JPEG"));
    Image2->setToolTip(author::WebAddress);

    Label1 = cardLabel(FlatPanel1, "Label1", 40, 136);
    fixSize(Label1, 305, 53);
    Label1->setFont(formFont(SongTi, 13));
    Label1->SetFontColor(toQColor(clRed));

    Label2 = cardLabel(FlatPanel1, "Label2", 40, 208);
    fixSize(Label2, 305, 85);
    Label2->setFont(formFont(SongTi, 13));
    Label2->SetFontColor(toQColor(clBlue));

    Label4 = cardLabel(FlatPanel1, "Label4", 48, 312);
    fixSize(Label4, 185, 16);
    Label4->SetCaption(QStringLiteral("软件有关事宜请联络作者："));

    Label5 = cardLabel(FlatPanel1, "Label5", 80, 340);
    Label5->SetCaption(QStringLiteral("EMail:"));

    Label8 = cardLabel(FlatPanel1, "Label8", 124, 340);
    showAddress(Label8, author::MailAddress);
    Label8->setCursor(Qt::PointingHandCursor);
    Label8->setToolTip(MailTip);
    Label8->OnClick = [this] { Label8Click(); };

    Label6 = cardLabel(FlatPanel1, "Label6", 88, 360);
    Label6->SetCaption(QStringLiteral("QQ: "));

    Label9 = cardLabel(FlatPanel1, "Label9", 124, 360);
    showAddress(Label9, author::QQNumber);
    Label9->setToolTip(MailTip);

    Label7 = cardLabel(FlatPanel1, "Label7", 16, 392);
    showAddress(Label7, author::WebAddress);
    Label7->setCursor(Qt::PointingHandCursor);
    Label7->OnClick = [this] { Label7Click(); };

    Label3 = cardLabel(FlatPanel1, "Label3", 244, 392);

    Image1 = new TCardImage(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(412, 396, 32, 32);
    Image1->SetPicture(iconImage(resource(QStringLiteral(":/about/close.ico")), 32));
    Image1->setToolTip(QStringLiteral("关闭"));
    Image1->OnClick = [this] { Image1Click(); };

    // Not every window manager offers its close command on a frameless window, so the card
    // takes the key itself; the effect is that of the system close command.
    auto *closeKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F4), this);
    closeKey->setContext(Qt::WindowShortcut);
    connect(closeKey, &QShortcut::activated, this, [this] { close(); });

    FormCreate();
}

void TFAbout::FormCreate()
{
    // The line breaks are part of the text, so the lines break at the same words whatever
    // the font.
    Label1->SetCaption(QStringLiteral("敬告用户：使用药品之前，请仔细阅读药品包装中的\r"
                                      "使用说明书，并按说明使用或在药师指导下购买和使\r"
                                      "用。本软件仅供参考之用，不能作为药品使用标准！"));
    Label2->SetCaption(QStringLiteral("    本软件著作权归作者所有，个人可免费使用。\r"
                                      "未经作者书面许可，任何单位和个人不得将本软件\r"
                                      "    用于商业目的，也不得修改、出租或出售。\r"
                                      "药品资料仅供参考，作者不承担由此产生的责任。"));
}

void TFAbout::Image1Click()
{
    Close();
}

void TFAbout::Label7Click()
{
    platformServices().openUrl(author::WebAddress);
}

void TFAbout::Label8Click()
{
    platformServices().openUrl(QStringLiteral("MailTo:") + author::MailAddress);
}

QString noticeVersionText(std::int32_t version)
{
    return QStringLiteral("Ver:   ") + QString::number(version) + QStringLiteral(".0");
}

void showNoticeDialog(QWidget *owner)
{
    // The dialog is gone, and the global no longer refers to it, however the showing ends.
    struct TRelease
    {
        std::unique_ptr<TFAbout> dialog;
        ~TRelease()
        {
            dialog.reset();
            FAbout = nullptr;
        }
    } release{std::make_unique<TFAbout>(owner)};
    FAbout = release.dialog.get();
    FAbout->Label3->SetCaption(noticeVersionText(NowVer()));
    FAbout->ShowModal();
}
