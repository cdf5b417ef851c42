// The data-aware label: what it shows, how it sizes itself, where its text is cut, and its
// click; plus the pixels of a memo pane's frame.
#include "DataSetTestSupport.h"

#include "editors/DBText.h"
#include "data/DataSource.h"
#include "platformui/Fonts.h"
#include "editors/cxDBMemo.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPlainTextEdit>
#include <QTest>

#include <cstdlib>
#include <memory>

using namespace testsupport;

namespace {

class DBTextTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        path = makeFolder() + "YaoPin.XML";
        createDrugFields(cds);
        cds.SetFileName(path);
        source.SetDataSet(&cds);
        parent = std::make_unique<QWidget>();
        QPalette palette = parent->palette();
        palette.setColor(QPalette::Window, Qt::white);
        parent->setPalette(palette);
        parent->setAutoFillBackground(true);
        parent->resize(300, 120);
        label = new TDBText(parent.get());
        label->setObjectName(QStringLiteral("DBText5"));
        label->setFont(formFont(SongTi, 13));
        label->SetFontColor(Qt::blue);
        label->move(52, 56);
    }

    void TearDown() override
    {
        parent.reset();
        if (cds.Active()) cds.Close();
    }

    // Drugs "A", "B", ... with the given web addresses.
    void openWithWeb(const std::vector<TValue> &addresses)
    {
        std::vector<std::vector<TValue>> rows;
        for (std::size_t i = 0; i < addresses.size(); ++i) {
            rows.push_back(drugRow(std::string(1, static_cast<char>('A' + i))));
            rows.back()[21] = addresses[i];
        }
        writeFile(path, packet(drugPacketFields(), rows));
        cds.Open();
    }

    void bind(const char *fieldName = "Web")
    {
        label->SetDataSource(&source);
        label->SetDataField(fieldName);
    }

    QImage render() const
    {
        QImage image(parent->size(), QImage::Format_RGB32);
        image.fill(Qt::black);
        parent->render(&image);
        return image;
    }

    std::string path;
    TClientDataSet cds{"cds"};
    TDataSource source{"DataSource1"};
    std::unique_ptr<QWidget> parent;
    TDBText *label = nullptr;
};

TEST_F(DBTextTest, FollowsTheCurrentRecordAndEmptiesWhenClosed)
{
    openWithWeb({gbkOf("www.a.cn"), std::nullopt});
    bind();
    EXPECT_EQ(label->Caption(), QStringLiteral("www.a.cn"));
    cds.Next();
    EXPECT_EQ(label->Caption(), QString());
    cds.Edit();
    cds.FieldByName("Web").SetAsString(gbkOf("网址"));
    EXPECT_EQ(label->Caption(), QStringLiteral("网址")) << "a change of the field shows at once";
    cds.Cancel();
    cds.First();
    cds.Close();
    EXPECT_EQ(label->Caption(), QString());
    cds.Open();
    EXPECT_EQ(label->Caption(), QStringLiteral("www.a.cn"));
}

TEST_F(DBTextTest, AutoSizeFitsTheTextWithTheTopLeftKept)
{
    label->SetAutoSize(true);
    openWithWeb({gbkOf("A&B 药"), gbkOf(""), std::string("ab\r\ncd")});
    bind();
    const QFontMetrics metrics(label->font());
    struct TRow
    {
        const char *name;
        QString measured;
        int lines;
    };
    const TRow rows[] = {
        {"an ampersand is shown as itself", QStringLiteral("A&B 药"), 1},
        {"an empty text keeps one space", QStringLiteral(" "), 1},
        {"a line break starts a line", QStringLiteral("ab"), 2},
    };
    // The layout rounds fractional advances up, so a pixel of slack; an ampersand taken
    // for an accelerator, or an empty text taking no width, is off by far more.
    int oneLine = 0;
    for (const TRow &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(label->pos(), QPoint(52, 56));
        EXPECT_NEAR(label->width(), metrics.horizontalAdvance(row.measured), 1);
        if (row.lines == 1) {
            EXPECT_GE(label->height(), metrics.height());
            EXPECT_LE(label->height(), metrics.lineSpacing() + 2);
            if (row.measured == QStringLiteral(" ")) oneLine = label->height();
        } else {
            EXPECT_EQ(label->height(), 2 * oneLine);
        }
        cds.Next();
    }

    const QSize sized = label->size();
    label->SetAutoSize(false);
    cds.First();
    EXPECT_EQ(label->size(), sized) << "without auto-size the label keeps its bounds";
}

TEST_F(DBTextTest, TextIsCutAtTheBoundsOnAnOpaqueBackground)
{
    openWithWeb({gbkOf("http://www.example.com.cn/a/very/long/address")});
    bind();
    label->setGeometry(52, 56, 40, 13);
    label->SetColor(QColor(255, 255, 0));
    const QImage image = render();

    int inked = 0;
    int background = 0;
    for (int y = 56; y < 69; ++y)
        for (int x = 52; x < 92; ++x)
            ++(image.pixelColor(x, y) == QColor(255, 255, 0) ? background : inked);
    EXPECT_GT(background, inked) << "the label's own colour behind the text";
    EXPECT_GT(inked, 0) << "the text is drawn";
    for (int y = 40; y < 90; ++y)
        for (int x = 92; x < 300; ++x)
            ASSERT_EQ(image.pixelColor(x, y), QColor(Qt::white)) << x << "," << y;
}

TEST_F(DBTextTest, ClickNeedsPressAndReleaseOnTheLabelAndTakesNoFocus)
{
    openWithWeb({gbkOf("www.a.cn")});
    bind();
    label->SetAutoSize(true);
    int clicks = 0;
    label->OnClick = [&] { ++clicks; };
    parent->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(parent.get()));

    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(clicks, 1);
    QTest::mouseClick(label, Qt::RightButton, {}, QPoint(2, 2));
    QTest::mousePress(label, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(label->width() + 5, 2));
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(label->hasFocus());
}

TEST_F(DBTextTest, MemoPaneSitsOnePixelInsideItsFrame)
{
    openWithWeb({gbkOf("www.a.cn")});
    auto *memo = new TcxDBMemo(parent.get());
    memo->setGeometry(10, 10, 200, 60);
    memo->setFont(formFont(SongTi, 13));
    memo->DataBinding().SetDataSource(&source);
    memo->DataBinding().SetDataField("Zhuyishixiang");
    parent->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(parent.get()));
    EXPECT_EQ(memo->innerEdit()->geometry(), QRect(1, 1, 198, 58));

    memo->Style().SetColor(0x00FFFF);
    QImage image = render();
    for (const QPoint corner : {QPoint(10, 10), QPoint(209, 10), QPoint(10, 69), QPoint(209, 69)})
        EXPECT_EQ(image.pixelColor(corner), QColor(255, 255, 0)) << "ring in the pane's colour";
    EXPECT_EQ(image.pixelColor(100, 60), QColor(255, 255, 0)) << "inner edit in the same colour";

    memo->Style().SetBorderStyle(TcxEditBorderStyle::ebsSingle);
    memo->Style().SetBorderColor(clRed);
    image = render();
    EXPECT_EQ(image.pixelColor(10, 10), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(11, 11), QColor(255, 255, 0));
    EXPECT_EQ(memo->innerEdit()->geometry(), QRect(2, 2, 196, 56));
}

} // namespace
