#include "forms/main/Main.h"

#include "forms/about/About.h"
#include "widgets/AlignLayout.h"
#include "forms/Author.h"
#include "editors/DBText.h"
#include "data/DataSource.h"
#include "druglist/DrugDetails.h"
#include "widgets/FlatPanel.h"
#include "widgets/FlatSplitter.h"
#include "platformui/Fonts.h"
#include "grid/DrugListGrid.h"
#include "grid/cxGrid.h"
#include "grid/cxGridDBTableView.h"
#include "gridfilter/cxGridTableFiltering.h"
#include "widgets/Label.h"
#include "widgets/StatusBar.h"
#include "platformui/SystemColors.h"
#include "editors/cxDBMemo.h"

#include <optional>

// The main window's arrangement: the regions, the detail sections and their panes, the link
// bar and the status bar, created in the order in which they dock.

namespace {

// The colour of the section captions and of the name bar.
const QColor CaptionColor = bgrColor(10053171);

// A white panel; its frame in `frame` when given, else in the flat panel's own colours.
TFlatPanel *flatPanel(QWidget *parent, const char *name, TAlign align, QSize size,
                      std::optional<QColor> frame = std::nullopt)
{
    auto *panel = new TFlatPanel(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->resize(size);
    panel->SetColor(toQColor(clWhite));
    if (frame) {
        panel->SetColorHighLight(*frame);
        panel->SetColorShadow(*frame);
    }
    panel->SetCaption(QString());
    panel->SetAlign(align);
    return panel;
}

TFlatSplitter *flatSplitter(QWidget *parent, const char *name, TAlign align)
{
    auto *splitter = new TFlatSplitter(parent);
    splitter->setObjectName(QString::fromLatin1(name));
    splitter->resize(3, 3);
    splitter->SetAlign(align);
    if (align == alTop || align == alBottom) splitter->setCursor(Qt::SplitVCursor);
    return splitter;
}

TLabel *label(QWidget *parent, const char *name, QPoint at, const QString &caption,
              const QColor &color, const QFont &font)
{
    auto *label = new TLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(font);
    label->move(at);
    label->SetFontColor(color);
    label->SetCaption(caption);
    label->SetAutoSize(true);
    return label;
}

// A section's caption bar text: the caption, set in from the bar's left edge.
QString sectionCaption(std::size_t section)
{
    return QStringLiteral("      ") + QString::fromUtf8(DrugSections[section].caption);
}

TDBText *dbText(QWidget *parent, const char *name, QRect at, TDataSource *source, const char *field,
                const QColor &color, const QFont &font, bool autoSize)
{
    auto *text = new TDBText(parent);
    text->setObjectName(QString::fromLatin1(name));
    text->setFont(font);
    text->setGeometry(at);
    text->SetFontColor(color);
    text->SetAutoSize(autoSize);
    text->SetDataSource(source);
    text->SetDataField(field);
    return text;
}

} // namespace

TFlatPanel *TForm1::addSection(QWidget *column, const char *panelName, const char *barName,
                               const QString &caption, const char *field, int height,
                               TcxDBMemo *&memo, const char *memoName)
{
    TFlatPanel *section = flatPanel(column, panelName, height > 0 ? alTop : alClient,
                                    QSize(column->width(), height), toQColor(clWhite));
    TFlatPanel *bar =
        flatPanel(section, barName, alTop, QSize(section->width(), 20), toQColor(clWhite));
    bar->SetCaption(caption);
    bar->SetAlignment(taLeftJustify);
    bar->setFont(formFont(MsSansSerif, 13));
    bar->SetFontColor(CaptionColor);

    memo = new TcxDBMemo(section);
    memo->setObjectName(QString::fromLatin1(memoName));
    memo->Style().SetBorderStyle(TcxEditBorderStyle::ebsNone);
    memo->Style().SetBorderColor(clWindowFrame);
    memo->DataBinding().SetDataSource(DataSource1.get());
    memo->DataBinding().SetDataField(field);
    setAlign(memo, alClient);
    return section;
}

void TForm1::createComponents()
{
    new TAlignLayout(this);
    const QFont song13 = formFont(SongTi, 13);

    StatusBar1 = new TStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->resize(768, 19);
    StatusBar1->addPanel(50);
    StatusBar1->addPanel(50, QStringLiteral("QQ:") + author::QQNumber + QStringLiteral("      ") +
                                 author::WebAddress);
    setAlign(StatusBar1, alBottom);

    // The left half: name bar, drug list, link bar.
    FlatPanel1 = flatPanel(this, "FlatPanel1", alLeft, QSize(237, 494));
    FlatPanel23 = flatPanel(FlatPanel1, "FlatPanel23", alTop, QSize(235, 32), toQColor(clWhite));
    QFont nameFont = formFont(SongTi, 15);
    nameFont.setBold(true);
    DBText1 = dbText(FlatPanel23, "DBText1", QRect(1, 8, 233, 19), DataSource1.get(),
                     drugdetail::NameField, CaptionColor, nameFont, false);
    FlatPanel24 = flatPanel(FlatPanel1, "FlatPanel24", alBottom, QSize(235, 25), toQColor(clWhite));
    Label1 = label(FlatPanel24, "Label1", QPoint(48, 8), QStringLiteral("声明"), toQColor(clBlue),
                   song13);
    Label1->setCursor(Qt::PointingHandCursor);
    Label1->OnClick = [this] { Label1Click(); };
    // Looks like a link, as it always has, but leads nowhere.
    Label2 = label(FlatPanel24, "Label2", QPoint(124, 8), QStringLiteral("升级"), toQColor(clBlue),
                   song13);
    Label2->setCursor(Qt::PointingHandCursor);

    cxGrid2 = newDrugListGrid(FlatPanel1);
    cxGrid2->setObjectName(QStringLiteral("cxGrid2"));
    cxGrid2->cxGridDBTableView1->DataController().SetDataSource(DataSource1.get());
    setAlign(cxGrid2, alClient);
    // The column drop-down and the filter box, which live as long as the list.
    new TcxGridTableFiltering(cxGrid2);

    // The right half: two columns of sections with a splitter between them.
    FlatPanel2 = flatPanel(this, "FlatPanel2", alClient, QSize(531, 494));
    FlatPanel3 = flatPanel(FlatPanel2, "FlatPanel3", alLeft, QSize(268, 492), toQColor(clWhite));
    FlatSplitter1 = flatSplitter(FlatPanel2, "FlatSplitter1", alLeft);
    FlatPanel4 = flatPanel(FlatPanel2, "FlatPanel4", alClient, QSize(258, 492), toQColor(clWhite));

    FlatPanel5 =
        addSection(FlatPanel3, "FlatPanel5", "FlatPanel6", sectionCaption(0),
                   DrugSections[0].fieldName, 76, cxDBMemo1, "cxDBMemo1");
    FlatSplitter2 = flatSplitter(FlatPanel3, "FlatSplitter2", alTop);
    FlatPanel7 =
        addSection(FlatPanel3, "FlatPanel7", "FlatPanel8", sectionCaption(1),
                   DrugSections[1].fieldName, 73, cxDBMemo2, "cxDBMemo2");
    FlatSplitter3 = flatSplitter(FlatPanel3, "FlatSplitter3", alTop);
    FlatPanel9 = addSection(FlatPanel3, "FlatPanel9", "FlatPanel10", sectionCaption(2),
                            DrugSections[2].fieldName, 89, cxDBMemo3, "cxDBMemo3");
    FlatSplitter4 = flatSplitter(FlatPanel3, "FlatSplitter4", alTop);
    FlatPanel11 =
        addSection(FlatPanel3, "FlatPanel11", "FlatPanel12", sectionCaption(3),
                   DrugSections[3].fieldName, 97, cxDBMemo4, "cxDBMemo4");
    FlatSplitter5 = flatSplitter(FlatPanel3, "FlatSplitter5", alTop);
    FlatPanel13 =
        addSection(FlatPanel3, "FlatPanel13", "FlatPanel14", sectionCaption(4),
                   DrugSections[4].fieldName, 69, cxDBMemo5, "cxDBMemo5");
    FlatSplitter6 = flatSplitter(FlatPanel3, "FlatSplitter6", alTop);
    FlatPanel15 = addSection(FlatPanel3, "FlatPanel15", "FlatPanel16", sectionCaption(5),
                             DrugSections[5].fieldName, 0, cxDBMemo6, "cxDBMemo6");

    // The category sits in the first caption bar, right after its title.
    DBText2 =
        dbText(FlatPanel5->findChild<TFlatPanel *>(QStringLiteral("FlatPanel6")), "DBText2",
               QRect(80, 4, 65, 17), DataSource1.get(), drugdetail::CategoryField, CaptionColor,
               song13, false);

    FlatPanel17 =
        addSection(FlatPanel4, "FlatPanel17", "FlatPanel18", sectionCaption(6),
                   DrugSections[6].fieldName, 96, cxDBMemo7, "cxDBMemo7");
    FlatSplitter7 = flatSplitter(FlatPanel4, "FlatSplitter7", alTop);
    FlatPanel19 =
        addSection(FlatPanel4, "FlatPanel19", "FlatPanel20", sectionCaption(7),
                   DrugSections[7].fieldName, 96, cxDBMemo8, "cxDBMemo8");
    FlatSplitter9 = flatSplitter(FlatPanel4, "FlatSplitter9", alTop);

    // The manufacturer block keeps its height at the bottom of the right column.
    FlatPanel25 =
        flatPanel(FlatPanel4, "FlatPanel25", alBottom, QSize(256, 103), toQColor(clMoneyGreen));
    FlatPanel26 = flatPanel(FlatPanel25, "FlatPanel26", alTop, QSize(254, 20), toQColor(clWhite));
    FlatPanel26->SetCaption(QStringLiteral("      生产或经营企业"));
    FlatPanel26->SetAlignment(taLeftJustify);
    FlatPanel26->setFont(formFont(MsSansSerif, 13));
    FlatPanel26->SetFontColor(CaptionColor);
    FlatPanel27 =
        flatPanel(FlatPanel25, "FlatPanel27", alClient, QSize(254, 81), toQColor(clWhite));
    const QColor text = toQColor(clWindowText);
    Label3 = label(FlatPanel27, "Label3", QPoint(16, 8), QStringLiteral("名称："), text, song13);
    Label3->SetAutoSize(false);
    Label3->resize(37, 13);
    Label4 = label(FlatPanel27, "Label4", QPoint(16, 32), QStringLiteral("电话："), text, song13);
    Label5 = label(FlatPanel27, "Label5", QPoint(16, 56), QStringLiteral("网址："), text, song13);
    DBText3 = dbText(FlatPanel27, "DBText3", QRect(52, 8, 400, 13), DataSource1.get(),
                     drugdetail::ManufacturerField, toQColor(clBlue), song13, false);
    DBText4 = dbText(FlatPanel27, "DBText4", QRect(52, 32, 49, 13), DataSource1.get(), drugdetail::PhoneField,
                     toQColor(clBlue), song13, true);
    DBText5 = dbText(FlatPanel27, "DBText5", QRect(52, 56, 49, 13), DataSource1.get(), drugdetail::WebField,
                     toQColor(clBlue), song13, true);
    DBText5->setCursor(Qt::PointingHandCursor);
    DBText5->OnClick = [this] { DBText5Click(); };

    FlatPanel21 =
        addSection(FlatPanel4, "FlatPanel21", "FlatPanel22", sectionCaption(8),
                   DrugSections[8].fieldName, 0, cxDBMemo9, "cxDBMemo9");

    // The list, then the panes of the left column top to bottom, then those of the right.
    QWidget *order[] = {cxGrid2,   cxDBMemo1, cxDBMemo2, cxDBMemo3, cxDBMemo4,
                        cxDBMemo5, cxDBMemo6, cxDBMemo7, cxDBMemo8, cxDBMemo9};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
}
