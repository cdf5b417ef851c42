#include "forms/about/About.h"
#include "forms/about/CardImage.h"
#include "forms/about/IconPicture.h"

#include "shell/Application.h"
#include "widgets/FlatPanel.h"
#include "widgets/Label.h"
#include "ModalDriver.h"
#include "RecordingPlatform.h"
#include "platformui/SystemColors.h"
#include "companion/Tolvane.h"
#include "platform/IntegrityRecord.h"

#include <QFile>
#include <QHelpEvent>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <algorithm>
#include <set>
#include <utility>

#include <gtest/gtest.h>

// The notice card: its controls, its links, closing it, and its two pictures.
namespace {

const QColor DialogColor(254, 244, 133);
const QString MailTip = QStringLiteral("如果作者有您的信箱地址，阁下将在第一时间得到最新的软件");

QByteArray resource(const char *path)
{
    QFile file(QString::fromLatin1(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
    return file.readAll();
}

// Whether any pixel of `wanted` (as far as it lies in `image`) differs from `background`.
bool hasInk(const QImage &image, const QRect &wanted, const QColor &background)
{
    const QRect area = wanted & image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) != background) return true;
    return false;
}

// The marker codes of a JPEG's segments up to the start of the first scan.
std::vector<int> jpegMarkers(const QByteArray &data)
{
    std::vector<int> markers;
    int at = 2;
    while (at + 4 <= data.size() && static_cast<unsigned char>(data[at]) == 0xFF) {
        const int marker = static_cast<unsigned char>(data[at + 1]);
        markers.push_back(marker);
        if (marker == 0xDA) break;
        const int length = static_cast<unsigned char>(data[at + 2]) << 8 |
                           static_cast<unsigned char>(data[at + 3]);
        at += 2 + length;
    }
    return markers;
}

// A checksum of an image's pixels as 32-bit words, row by row.
std::uint64_t pixelSum(const QImage &image)
{
    integrity::TChecksum sum;
    for (int y = 0; y < image.height(); ++y)
        sum.update({reinterpret_cast<const char *>(image.constScanLine(y)),
                    static_cast<std::size_t>(image.width()) * 4});
    return sum.digest();
}

// Runs `action` on the notice card once it is shown modally.
void whenCardShown(std::function<void(TFAbout *)> action)
{
    whenShown<TFAbout>([action](TFAbout *about) {
        ASSERT_TRUE(waitFor([about] { return about->isModal(); }));
        action(about);
    });
}

// Runs the event loop until what was queued before the call has been handled: a zero timer
// started now fires after those already waiting, and the call it queues comes after every
// event posted before it. A deferred reaction to a click has shown by then.
void settle()
{
    bool done = false;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &timer, [&] {
        QMetaObject::invokeMethod(
            &timer, [&done] { done = true; }, Qt::QueuedConnection);
    });
    timer.start(0);
    EXPECT_TRUE(waitFor([&done] { return done; }));
}

void closeWithAltF4(TFAbout *about)
{
    // The key closes the active window, as a user presses it.
    EXPECT_TRUE(waitFor([about] { return QApplication::activeWindow() == about; }));
    QTest::keyClick(about, Qt::Key_F4, Qt::AltModifier);
}

void clickClosePicture(TFAbout *about)
{
    QTest::mouseClick(about->Image1, Qt::LeftButton);
}

// Closes the card one way; should that fail, the test fails instead of waiting for ever.
void closeCard(TFAbout *about, void (*closer)(TFAbout *))
{
    closer(about);
    QTimer::singleShot(2000, about, [about] {
        if (!about->isModal()) return;
        ADD_FAILURE() << "still open";
        about->SetModalResult(mrCancel);
    });
}

} // namespace

TEST(AboutPictures, LogoIsAProgressiveJpegOfTheCardSize)
{
    const QByteArray logo = resource(":/about/logo.jpg");
    ASSERT_GE(logo.size(), 4);
    EXPECT_EQ(static_cast<unsigned char>(logo[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(logo[1]), 0xD8);
    const std::vector<int> markers = jpegMarkers(logo);
    EXPECT_NE(std::find(markers.begin(), markers.end(), 0xC2), markers.end())
        << "the frame is progressive (SOF2)";
    for (int baseline : {0xC0, 0xC1})
        EXPECT_EQ(std::find(markers.begin(), markers.end(), baseline), markers.end());
    ASSERT_FALSE(markers.empty());
    EXPECT_EQ(markers.back(), 0xDA);

    const QImage image = QImage::fromData(logo, "JPEG");
    ASSERT_EQ(image.size(), QSize(100, 93));
    // Red stays red (no channel swap): the capsule's red cap, and the white ground.
    const QColor cap = image.pixelColor(40, 59);
    EXPECT_GT(cap.red(), 150);
    EXPECT_LT(cap.green(), 90);
    EXPECT_LT(cap.blue(), 90);
    const QColor ground = image.pixelColor(2, 2);
    EXPECT_GT(std::min({ground.red(), ground.green(), ground.blue()}), 240);
}

TEST(AboutPictures, DamagedJpegDataIsRefusedOrDrawnAsFarAsItGoes)
{
    const QByteArray logo = resource(":/about/logo.jpg");
    for (const auto &[name, data] : std::vector<std::pair<const char *, QByteArray>>{
             {"empty", {}},
             {"not a JPEG", QByteArray(300, 'x')},
             {"start marker only", logo.left(2)},
             {"cut inside the headers", logo.left(40)},
         }) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(QImage::fromData(data, "JPEG").isNull());
    }
    // Cut in the middle of the scans: what arrived is drawn, at full size.
    EXPECT_EQ(QImage::fromData(logo.left(logo.size() / 2), "JPEG").size(), QSize(100, 93));
}

TEST(AboutPictures, CloseIconHoldsNineImagesThatAllShowTheButton)
{
    const QByteArray icon = resource(":/about/close.ico");
    const std::vector<TIconImage> images = iconImages(icon);
    // 48, 32 and 16 pixels, each at 16 colours, 256 colours and 32 bits with alpha.
    std::multiset<std::pair<int, bool>> found;
    for (const TIconImage &entry : images) {
        EXPECT_EQ(entry.image.width(), entry.image.height());
        found.insert({entry.image.width(), entry.alpha});
    }
    EXPECT_EQ(found, (std::multiset<std::pair<int, bool>>{{48, false},
                                                          {48, false},
                                                          {48, true},
                                                          {32, false},
                                                          {32, false},
                                                          {32, true},
                                                          {16, false},
                                                          {16, false},
                                                          {16, true}}));

    for (const TIconImage &entry : images) {
        const QImage &image = entry.image;
        const int size = image.width();
        SCOPED_TRACE(testing::Message() << size << " pixels, alpha " << entry.alpha);
        const QColor centre = image.pixelColor(size / 2, size / 2);
        EXPECT_EQ(centre.alpha(), 255);
        EXPECT_GT(std::min({centre.red(), centre.green(), centre.blue()}), 230) << "the cross";
        const QColor face = image.pixelColor(size / 2, size / 5);
        EXPECT_EQ(face.alpha(), 255);
        EXPECT_GT(face.red(), 150);
        EXPECT_LT(face.green(), 110);
        EXPECT_LT(face.blue(), 110);
        for (const QPoint corner :
             {QPoint(0, 0), QPoint(size - 1, 0), QPoint(0, size - 1), QPoint(size - 1, size - 1)})
            EXPECT_EQ(image.pixelColor(corner).alpha(), 0) << "outside the round button";
    }
    // The card's close picture is the one with alpha.
    const QImage picked = iconImage(icon, 32);
    ASSERT_EQ(picked.size(), QSize(32, 32));
    const auto withAlpha = std::find_if(images.begin(), images.end(), [](const TIconImage &entry) {
        return entry.alpha && entry.image.width() == 32;
    });
    ASSERT_NE(withAlpha, images.end());
    EXPECT_EQ(picked, withAlpha->image);
}

// The pictures are decoded pixel for pixel as the decoders written for them before Qt's took
// over gave them (a libjpeg wrapper and an icon reader of our own): these are their sums.
TEST(AboutPictures, PixelsAreThoseOfTheEarlierDecoders)
{
    const QImage logo = QImage::fromData(resource(":/about/logo.jpg"), "JPEG");
    EXPECT_EQ(pixelSum(logo.convertToFormat(QImage::Format_RGB32)), 0x903923765d5e20efull);

    // In file order: 48, 32 and 16 pixels, each at 16 colours, 256 colours and 32 bits;
    // compared premultiplied, as they are drawn.
    const std::uint64_t icons[] = {
        0x4185736ca9abfa50ull, 0x19c2f609d93f40a3ull, 0xe6169cccf14cf2c5ull,
        0x856c3fab5d1895c5ull, 0x53eaf6a161cd9aaeull, 0x70a84fca3322ef92ull,
        0x0c261e115ebe2db2ull, 0xd1bd1cb027080bfeull, 0xc3c4ef51dbf36c8cull,
    };
    const std::vector<TIconImage> images = iconImages(resource(":/about/close.ico"));
    ASSERT_EQ(images.size(), std::size(icons));
    for (std::size_t i = 0; i < images.size(); ++i)
        EXPECT_EQ(pixelSum(images[i].image.convertToFormat(QImage::Format_ARGB32_Premultiplied)),
                  icons[i])
            << "image " << i;
}

TEST(AboutPictures, DamagedIconsLoseOnlyTheirDamagedImages)
{
    const QByteArray icon = resource(":/about/close.ico");
    EXPECT_TRUE(iconImage(icon, 24).isNull()) << "no such size";
    for (const QByteArray &junk : {QByteArray(), QByteArray(5, '\0'), QByteArray(200, '\xFF')}) {
        EXPECT_TRUE(iconImages(junk).empty());
        EXPECT_TRUE(iconImage(junk, 32).isNull());
    }
    // The last image (16 pixels, 32 bits) cut short: the others still read.
    const QByteArray cut = icon.left(icon.size() - 10);
    EXPECT_EQ(iconImages(cut).size(), 8u);
    EXPECT_EQ(iconImage(cut, 32).size(), QSize(32, 32));
    // A directory that claims more images than the file holds.
    QByteArray overclaimed = icon;
    overclaimed[4] = char(0xFF);
    overclaimed[5] = char(0xFF);
    EXPECT_TRUE(iconImages(overclaimed).empty());
    // An image whose bitmap header claims a huge width: it is read at the size the directory
    // gives, and no huge picture is made.
    QByteArray huge = icon;
    const int offset = static_cast<unsigned char>(huge[18]) | static_cast<unsigned char>(huge[19])
                                                                  << 8;
    huge[offset + 5] = char(0x7F);
    const std::vector<TIconImage> read = iconImages(huge);
    ASSERT_EQ(read.size(), 9u);
    EXPECT_EQ(read[0].image.size(), QSize(48, 48));
}

TEST(About, CardLayout)
{
    TFAbout about;
    EXPECT_EQ(about.size(), QSize(462, 453));
    EXPECT_TRUE(about.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(about.FlatPanel1->parentWidget(), &about);
    EXPECT_EQ(about.FlatPanel1->geometry(), QRect(12, 12, 385, 421));
    EXPECT_EQ(about.Image1->parentWidget(), &about) << "in the yellow margin, not on the card";
    EXPECT_EQ(about.Image1->geometry(), QRect(412, 396, 32, 32));
    EXPECT_EQ(about.Image2->parentWidget(), about.FlatPanel1);
    EXPECT_EQ(about.Image2->geometry(), QRect(132, 16, 100, 93));

    struct TRow
    {
        TLabel *label;
        QPoint position;
        QSize fixedSize; // empty: sized to its text
    };
    const TRow rows[] = {
        {about.Label1, {40, 136}, {305, 53}}, {about.Label2, {40, 208}, {305, 85}},
        {about.Label4, {48, 312}, {185, 16}}, {about.Label5, {80, 340}, {}},
        {about.Label8, {124, 340}, {}},       {about.Label6, {88, 360}, {}},
        {about.Label9, {124, 360}, {}},       {about.Label7, {16, 392}, {}},
        {about.Label3, {244, 392}, {}},
    };
    for (const TRow &row : rows) {
        SCOPED_TRACE(row.label->objectName().toStdString());
        EXPECT_EQ(row.label->parentWidget(), about.FlatPanel1);
        EXPECT_EQ(row.label->pos(), row.position);
        if (row.fixedSize.isEmpty()) {
            EXPECT_TRUE(row.label->AutoSize());
            EXPECT_EQ(row.label->size(), row.label->textSize());
            EXPECT_GT(row.label->width(), 0);
        } else {
            EXPECT_FALSE(row.label->AutoSize());
            EXPECT_EQ(row.label->size(), row.fixedSize);
        }
    }
}

TEST(About, TextsFontsColoursAndCursors)
{
    TFAbout about;
    struct TRow
    {
        TLabel *label;
        QString text; // empty: the author's address, checked elsewhere
        const char *family;
        QColor colour;
        Qt::CursorShape cursor;
    };
    const QColor red(255, 0, 0), blue(0, 0, 255), black(0, 0, 0);
    const TRow rows[] = {
        {about.Label1, {}, "宋体", red, Qt::ArrowCursor},
        {about.Label2, {}, "宋体", blue, Qt::ArrowCursor},
        {about.Label4, QStringLiteral("软件有关事宜请联络作者："), "MS Sans Serif", black,
         Qt::ArrowCursor},
        {about.Label5, QStringLiteral("EMail:"), "MS Sans Serif", black, Qt::ArrowCursor},
        {about.Label6, QStringLiteral("QQ: "), "MS Sans Serif", black, Qt::ArrowCursor},
        {about.Label8, {}, "MS Sans Serif", blue, Qt::PointingHandCursor},
        {about.Label9, {}, "MS Sans Serif", blue, Qt::ArrowCursor},
        {about.Label7, {}, "MS Sans Serif", blue, Qt::PointingHandCursor},
        {about.Label3, {}, "MS Sans Serif", black, Qt::ArrowCursor},
    };
    for (const TRow &row : rows) {
        SCOPED_TRACE(row.label->objectName().toStdString());
        if (!row.text.isEmpty()) {
            EXPECT_EQ(row.label->Caption(), row.text);
        }
        EXPECT_EQ(row.label->font().family(), QString::fromUtf8(row.family));
        EXPECT_EQ(row.label->font().pixelSize(), 13);
        EXPECT_EQ(row.label->FontColor(), row.colour);
        EXPECT_EQ(row.label->Color(), QColor(Qt::white)) << "opaque in the card's colour";
        EXPECT_EQ(row.label->cursor().shape(), row.cursor);
    }
    EXPECT_TRUE(about.Label7->Caption().startsWith(QStringLiteral("http://")));
    EXPECT_TRUE(about.Label8->Caption().contains(QLatin1Char('@')));
    EXPECT_FALSE(about.Label9->Caption().isEmpty());
    EXPECT_TRUE(about.Label3->Caption().isEmpty()) << "the version is set only on request";
}

TEST(About, NoticeBreaksAfterTheSameWordsWhateverTheFont)
{
    TFAbout about;
    const QString text = about.Label1->Caption();
    EXPECT_FALSE(text.contains(QLatin1Char('\n'))) << "carriage returns only";
    EXPECT_EQ(text.count(QLatin1Char('\r')), 2);
    const QStringList lines = about.Label1->lines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("敬告用户：使用药品之前，请仔细阅读药品包装中的"));
    EXPECT_EQ(lines[1], QStringLiteral("使用说明书，并按说明使用或在药师指导下购买和使"));
    EXPECT_EQ(lines[2], QStringLiteral("用。本软件仅供参考之用，不能作为药品使用标准！"));

    // Drawn, each line of ink ends where its own line of text ends, in a wide font and in a
    // narrow one, and nothing follows the third.
    for (int pixels : {13, 9}) {
        SCOPED_TRACE(pixels);
        QFont font = about.Label1->font();
        font.setPixelSize(pixels);
        about.Label1->setFont(font);
        const QImage image = about.Label1->grab().toImage();
        const QFontMetrics metrics(font);
        const int lineHeight = metrics.height();
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            const int end = metrics.horizontalAdvance(lines[i]);
            ASSERT_LT(end + 2, image.width());
            const QRect band(0, i * lineHeight, image.width(), lineHeight);
            EXPECT_TRUE(hasInk(image, band.adjusted(0, 0, end - image.width(), 0), Qt::white));
            EXPECT_FALSE(hasInk(image, band.adjusted(end + 1, 0, 0, 0), Qt::white));
        }
        EXPECT_FALSE(hasInk(image, QRect(0, 3 * lineHeight, image.width(), 53), Qt::white));
    }
}

TEST(About, NoticeAndRightsFitTheirLabels)
{
    TFAbout about;
    const QStringList rights = about.Label2->lines();
    ASSERT_EQ(rights.size(), 4);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const bool indented = i % 2 == 0;
        EXPECT_EQ(rights[i].startsWith(QStringLiteral("    ")), indented);
        EXPECT_NE(rights[i][indented ? 4 : 0], QLatin1Char(' '));
    }
    EXPECT_FALSE(about.Label2->Caption().contains(QLatin1Char('\n')));
    // Nothing is cut off at the labels' fixed bounds.
    for (TLabel *label : {about.Label1, about.Label2}) {
        SCOPED_TRACE(label->objectName().toStdString());
        const QSize extent = label->textSize();
        EXPECT_LE(extent.width(), label->width());
        EXPECT_LE(extent.height(), label->height());
    }
    // The one-line label keeps its text on its one line.
    EXPECT_LE(about.Label4->textSize().width(), about.Label4->width());
}

TEST(About, Tooltips)
{
    TFAbout about;
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    const std::pair<QWidget *, QString> rows[] = {
        {about.Image2, about.Label7->Caption()},
        {about.Label8, MailTip},
        {about.Label9, MailTip},
        {about.Image1, QStringLiteral("关闭")},
    };
    for (const auto &[widget, tip] : rows) {
        SCOPED_TRACE(widget->objectName().toStdString());
        EXPECT_EQ(widget->toolTip(), tip);
        // Hovering shows it.
        const QPoint at = widget->rect().center();
        QHelpEvent hover(QEvent::ToolTip, at, widget->mapToGlobal(at));
        QApplication::sendEvent(widget, &hover);
        EXPECT_TRUE(waitFor([&] { return QToolTip::isVisible(); }));
        EXPECT_EQ(QToolTip::text(), tip);
        QToolTip::hideText();
    }
}

TEST(About, LinksHandTheirAddressesToTheShell)
{
    TRecordingPlatform platform;
    TFAbout about;
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    QTest::mouseClick(about.Label7, Qt::LeftButton);
    EXPECT_EQ(platform.openedUrls, QStringList{about.Label7->Caption()});
    platform.openedUrls.clear();
    QTest::mouseClick(about.Label8, Qt::LeftButton);
    EXPECT_EQ(platform.openedUrls, QStringList{QStringLiteral("MailTo:") + about.Label8->Caption()});
    platform.openedUrls.clear();
    // A press that ends outside the link is no click.
    QTest::mousePress(about.Label7, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseRelease(about.Label7, Qt::LeftButton, {}, QPoint(-5, -5));
    EXPECT_TRUE(platform.openedUrls.isEmpty());
}

TEST(About, LogoAndNumberDoNothingWhenClicked)
{
    TRecordingPlatform platform;
    Application->CreateForm(FAbout);
    bool clicked = false;
    whenCardShown([&](TFAbout *about) {
        QWidget *const inert[] = {about->Image2, about->Label9, about->Label3, about->FlatPanel1};
        for (QWidget *widget : inert)
            QTest::mouseClick(widget, Qt::LeftButton);
        settle();
        clicked = true;
        EXPECT_TRUE(about->isVisible());
        EXPECT_EQ(about->ModalResult(), mrNone);
        closeCard(about, clickClosePicture);
    });
    EXPECT_EQ(FAbout->ShowModal(), mrCancel);
    EXPECT_TRUE(clicked);
    EXPECT_TRUE(platform.openedUrls.isEmpty());
    EXPECT_TRUE(platform.errorBoxes.isEmpty());
}

TEST(About, SplashShowsNoVersion)
{
    // As the program body shows it.
    Application->CreateForm(FAbout);
    FAbout->Label3->SetCaption(QString());
    bool checked = false;
    whenCardShown([&](TFAbout *about) {
        checked = true;
        const QImage card = about->FlatPanel1->grab().toImage();
        EXPECT_FALSE(hasInk(card, QRect(244, 392, 120, 16), Qt::white));
        EXPECT_TRUE(hasInk(card, QRect(16, 392, 120, 16), Qt::white)) << "the web address";
        closeCard(about, closeWithAltF4);
    });
    EXPECT_EQ(FAbout->ShowModal(), mrCancel);
    EXPECT_TRUE(checked);
    Application->DestroyForm(FAbout);
}

TEST(About, VersionText)
{
    const std::pair<std::int32_t, const char *> rows[] = {
        {3, "Ver:   3.0"},
        {0, "Ver:   0.0"},
        {-7, "Ver:   -7.0"},
        {2147483647, "Ver:   2147483647.0"},
        {-2147483647 - 1, "Ver:   -2147483648.0"},
    };
    for (const auto &[version, text] : rows)
        EXPECT_EQ(noticeVersionText(version), QString::fromLatin1(text)) << version;
}

// Both ways of closing the notice end its modal loop, and the notice is destroyed then.
TEST(About, NoticeModeShowsTheVersionAndIsDestroyedWhenClosed)
{
    const std::pair<const char *, void (*)(TFAbout *)> closers[] = {
        {"close picture", clickClosePicture},
        {"Alt+F4", closeWithAltF4},
    };
    QWidget owner;
    owner.setWindowFlag(Qt::Window);
    owner.show();
    for (const auto &[name, closer] : closers) {
        SCOPED_TRACE(name);
        QPointer<TFAbout> shown;
        bool ran = false;
        whenCardShown([&, closer = closer](TFAbout *about) {
            shown = about;
            ran = true;
            EXPECT_EQ(about, FAbout);
            EXPECT_EQ(about->parentWidget(), &owner);
            EXPECT_EQ(about->Label3->Caption(),
                      QStringLiteral("Ver:   ") + QString::number(NowVer()) + QStringLiteral(".0"));
            EXPECT_EQ(about->Label3->size(), about->Label3->textSize());
            EXPECT_TRUE(
                hasInk(about->FlatPanel1->grab().toImage(), QRect(244, 392, 120, 16), Qt::white));
            closeCard(about, closer);
        });
        showNoticeDialog(&owner);
        EXPECT_TRUE(ran);
        EXPECT_TRUE(shown.isNull()) << "destroyed as soon as it has closed";
        EXPECT_EQ(FAbout, nullptr);
    }
}

TEST(About, PicturesAsDrawnOnTheCard)
{
    TFAbout about;
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    const QImage drawn = about.grab().toImage();
    EXPECT_EQ(drawn.pixelColor(3, 3), DialogColor);
    // The white card in its frame.
    const QColor frame = bgrColor(8623776);
    for (const QPoint at : {QPoint(12, 12), QPoint(396, 12), QPoint(12, 432), QPoint(396, 432),
                            QPoint(200, 12), QPoint(12, 200)})
        EXPECT_EQ(drawn.pixelColor(at), frame) << at.x() << "," << at.y();
    EXPECT_EQ(drawn.pixelColor(13, 13), QColor(Qt::white));
    EXPECT_EQ(drawn.pixelColor(395, 431), QColor(Qt::white));
    EXPECT_EQ(drawn.pixelColor(397, 200), DialogColor);

    // The close picture: its clear parts show the dialog's colour, the rest is the icon's.
    const QImage icon = iconImage(resource(":/about/close.ico"), 32);
    ASSERT_FALSE(icon.isNull());
    int clear = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const QColor source = icon.pixelColor(x, y);
            const QColor shown = drawn.pixelColor(412 + x, 396 + y);
            if (source.alpha() == 0) {
                ++clear;
                EXPECT_EQ(shown, DialogColor) << x << "," << y;
            } else if (source.alpha() == 255) {
                EXPECT_EQ(shown.rgb(), source.rgb()) << x << "," << y;
            }
        }
    }
    EXPECT_GT(clear, 0);

    // The logo, at its place on the card.
    const QImage logo = QImage::fromData(resource(":/about/logo.jpg"), "JPEG");
    for (const QPoint at : {QPoint(0, 0), QPoint(40, 59), QPoint(99, 92), QPoint(60, 40)})
        EXPECT_EQ(drawn.pixelColor(QPoint(12 + 132, 12 + 16) + at), logo.pixelColor(at));
}
