#include "widgets/FlatPanel.h"

#include "platformui/Fonts.h"
#include "platformui/SystemColors.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QImage>
#include <QPalette>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace {

const QColor White = toQColor(clWhite);
const QColor CaptionColor = bgrColor(10053171);

// The section captions' font, without smoothing so that every caption pixel is either ink
// or background.
QFont captionFont()
{
    static const bool registered = [] {
        registerFontSubstitutes();
        return true;
    }();
    (void)registered;
    QFont font = formFont(MsSansSerif, 13);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

QImage render(QWidget &widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QColor pixel(const QImage &image, int x, int y)
{
    return image.pixelColor(x, y);
}

// A white host, as the main window is, so that panels take white from it.
struct THost
{
    THost(QSize size = {400, 100})
    {
        QPalette palette = host.palette();
        palette.setColor(QPalette::Window, White);
        host.setPalette(palette);
        host.resize(size);
    }
    QWidget host;
};

// The columns that hold anything but the background in rows [top, bottom).
struct TInk
{
    int left = -1, right = -1, top = -1, bottom = -1;
    bool found() const { return left >= 0; }
};

TInk inkOf(const QImage &image, const QColor &background)
{
    TInk ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == background) continue;
            if (!ink.found() || x < ink.left) ink.left = x;
            if (x > ink.right) ink.right = x;
            if (ink.top < 0) ink.top = y;
            ink.bottom = y;
        }
    }
    return ink;
}

// A caption bar as the detail sections have it: white on white, the caption in the sections'
// colour and font.
TFlatPanel *captionBar(QWidget *parent, const QString &caption, TAlignment alignment,
                       int width = 264)
{
    auto *bar = new TFlatPanel(parent);
    bar->resize(width, 20);
    bar->SetColorHighLight(White);
    bar->SetColorShadow(White);
    bar->SetCaption(caption);
    bar->SetAlignment(alignment);
    bar->setFont(captionFont());
    bar->SetFontColor(CaptionColor);
    return bar;
}

} // namespace

TEST(FlatPanel, CreatedWithTheStockSettings)
{
    THost host;
    TFlatPanel panel(&host.host);
    EXPECT_EQ(panel.size(), QSize(185, 41));
    EXPECT_EQ(panel.ColorHighLight(), QColor(160, 150, 131));
    EXPECT_EQ(panel.ColorShadow(), QColor(160, 150, 131));
    EXPECT_EQ(panel.Alignment(), taCenter);
    EXPECT_TRUE(panel.Caption().isEmpty());
    EXPECT_FALSE(panel.Transparent());
    EXPECT_EQ(panel.focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(panel.ParentColor());
    EXPECT_EQ(panel.Color(), White);
}

TEST(FlatPanel, ColourFollowsTheParentUntilSet)
{
    THost host;
    TFlatPanel panel(&host.host);
    const QColor green = toQColor(clMoneyGreen);
    QPalette palette = host.host.palette();
    palette.setColor(QPalette::Window, green);
    host.host.setPalette(palette);
    EXPECT_EQ(panel.Color(), green);
    EXPECT_EQ(pixel(render(panel), 10, 10), green);

    panel.SetColor(White);
    EXPECT_FALSE(panel.ParentColor());
    palette.setColor(QPalette::Window, toQColor(clRed));
    host.host.setPalette(palette);
    EXPECT_EQ(panel.Color(), White);

    panel.SetParentColor(true);
    EXPECT_EQ(panel.Color(), toQColor(clRed));
}

TEST(FlatPanel, FramePixels)
{
    const QColor light = bgrColor(TFlatPanel::DefaultFrameColor);
    const QColor dark = bgrColor(0x404040);
    const struct
    {
        const char *name;
        QSize size;
        QColor highlight, shadow;
    } rows[] = {
        {"stock colours", {185, 41}, light, light},
        {"two colours", {30, 12}, light, dark},
        {"section width", {266, 76}, dark, light},
        {"two pixels high", {8, 2}, light, dark},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        THost host;
        TFlatPanel panel(&host.host);
        panel.resize(row.size);
        panel.SetColorHighLight(row.highlight);
        panel.SetColorShadow(row.shadow);
        const QImage image = render(panel);
        const int right = row.size.width() - 1;
        const int bottom = row.size.height() - 1;
        EXPECT_EQ(pixel(image, 0, 0), row.highlight);
        EXPECT_EQ(pixel(image, 0, bottom), row.highlight);
        EXPECT_EQ(pixel(image, right, 0), row.shadow);
        EXPECT_EQ(pixel(image, right, bottom), row.shadow);
        for (int x = 1; x < right; ++x) {
            ASSERT_EQ(pixel(image, x, 0), row.highlight) << "top, x " << x;
            ASSERT_EQ(pixel(image, x, bottom), row.shadow) << "bottom, x " << x;
        }
        for (int y = 1; y < bottom; ++y) {
            ASSERT_EQ(pixel(image, 0, y), row.highlight) << "left, y " << y;
            ASSERT_EQ(pixel(image, right, y), row.shadow) << "right, y " << y;
            for (int x = 1; x < right; ++x)
                ASSERT_EQ(pixel(image, x, y), White) << "inside, " << x << ", " << y;
        }
    }
}

TEST(FlatPanel, ResizedPanelLeavesNoOldFrameInside)
{
    THost host;
    TFlatPanel panel(&host.host);
    panel.resize(60, 30);
    host.host.show();
    render(panel);
    panel.resize(90, 50);
    const QImage image = render(panel);
    EXPECT_EQ(pixel(image, 59, 10), White);
    EXPECT_EQ(pixel(image, 10, 29), White);
    EXPECT_EQ(pixel(image, 89, 10), panel.ColorShadow());
    EXPECT_EQ(pixel(image, 10, 49), panel.ColorShadow());
}

TEST(FlatPanel, ChildrenSitOnePixelInsideEvenWithAnInvisibleFrame)
{
    THost host;
    TFlatPanel section(&host.host);
    section.SetColorHighLight(White);
    section.SetColorShadow(White);
    section.resize(266, 76);
    auto *bar = new TFlatPanel(&section);
    bar->resize(10, 20);
    bar->SetAlign(alTop);
    auto *memo = new QWidget(&section);
    setAlign(memo, alClient);
    EXPECT_EQ(bar->geometry(), QRect(1, 1, 264, 20));
    EXPECT_EQ(memo->geometry(), QRect(1, 21, 264, 54));

    host.host.show();
    section.resize(266, 100);
    EXPECT_EQ(memo->geometry(), QRect(1, 21, 264, 78));

    // The ring left free is the section's own: its pixels are the section's background.
    memo->setAutoFillBackground(true);
    QPalette palette = memo->palette();
    palette.setColor(QPalette::Window, toQColor(clBlue));
    memo->setPalette(palette);
    const QImage image = render(section);
    EXPECT_EQ(pixel(image, 0, 50), White);
    EXPECT_EQ(pixel(image, 1, 50), toQColor(clBlue));
    EXPECT_EQ(pixel(image, 264, 98), toQColor(clBlue));
    EXPECT_EQ(pixel(image, 265, 98), White);
    EXPECT_EQ(pixel(image, 264, 99), White);
}

TEST(FlatPanel, CaptionPlacement)
{
    const QString indented = QStringLiteral("      作用类别");
    const QString plain = QStringLiteral("作用类别");
    const QFontMetrics metrics(captionFont());
    const int sixSpaces = metrics.horizontalAdvance(QString(6, QLatin1Char(' ')));
    const int plainWidth = metrics.horizontalAdvance(plain);
    ASSERT_GT(sixSpaces, 12);
    const int width = 264;
    const struct
    {
        const char *name;
        QString caption;
        TAlignment alignment;
        int expectedLeft; // where the text's advance starts
    } rows[] = {
        {"left, six spaces", indented, taLeftJustify, sixSpaces},
        {"left, no spaces", plain, taLeftJustify, 0},
        {"right", plain, taRightJustify, width - plainWidth},
        {"centre", plain, taCenter, (width - plainWidth) / 2},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        THost host;
        TFlatPanel *bar = captionBar(&host.host, row.caption, row.alignment, width);
        const TInk ink = inkOf(render(*bar), White);
        ASSERT_TRUE(ink.found());
        // Glyphs may start a pixel or two into their advance; a fractional advance may put
        // the start one pixel earlier than the rounded width.
        EXPECT_GE(ink.left, row.expectedLeft - 1);
        EXPECT_LE(ink.left, row.expectedLeft + 2);
        EXPECT_LE(ink.right, row.expectedLeft + plainWidth);
        EXPECT_GE(ink.right, row.expectedLeft + plainWidth - 3);
        // Vertically centred: the ink lies in the line centred on the bar.
        const int lineTop = (20 - metrics.height()) / 2;
        EXPECT_GE(ink.top, lineTop - 1);
        EXPECT_LE(ink.bottom, lineTop + metrics.height());
        EXPECT_LE(std::abs((ink.top - 0) - (19 - ink.bottom)), 4);
    }
}

TEST(FlatPanel, LongCaptionIsCutAtTheRightEdgeOnOneLine)
{
    THost host;
    const QString longCaption = QStringLiteral("      药物相互作用药物相互作用药物相互作用");
    TFlatPanel *bar = captionBar(&host.host, longCaption, taLeftJustify, 120);
    ASSERT_GT(QFontMetrics(captionFont()).horizontalAdvance(longCaption), 200);
    const QImage image = render(*bar);
    const TInk ink = inkOf(image, White);
    ASSERT_TRUE(ink.found());
    EXPECT_GE(ink.right, 115);
    // One line of text in a 20-pixel bar: nothing wrapped above or below it.
    EXPECT_GE(ink.top, 1);
    EXPECT_LE(ink.bottom, 18);
}

TEST(FlatPanel, DisabledCaptionIsEmbossed)
{
    // A grey face shows both the light and the dark copy.
    THost host;
    TFlatPanel *bar = captionBar(&host.host, QStringLiteral("      规格"), taLeftJustify, 120);
    bar->SetColor(toQColor(clBtnFace));
    const QColor face = toQColor(clBtnFace);
    const QImage enabled = render(*bar);
    bar->setEnabled(false);
    const QImage disabled = render(*bar);

    const QColor light = toQColor(clBtnHighlight);
    const QColor dark = toQColor(clBtnShadow);
    // Inside the white frame ring.
    auto isInk = [&](int x, int y) {
        return x >= 1 && y >= 1 && x < 119 && y < 19 && enabled.pixelColor(x, y) != face;
    };
    int darkPixels = 0;
    for (int y = 1; y < 19; ++y) {
        for (int x = 1; x < 119; ++x) {
            const QColor expected = isInk(x, y) ? dark : isInk(x - 1, y - 1) ? light : face;
            ASSERT_EQ(disabled.pixelColor(x, y), expected) << x << ", " << y;
            if (expected == dark) ++darkPixels;
        }
    }
    EXPECT_GT(darkPixels, 0);

    bar->setEnabled(true);
    EXPECT_EQ(render(*bar), enabled);
}

TEST(FlatPanel, TransparentPanelShowsTheParentsPainting)
{
    THost host;
    TFlatPanel parent(&host.host);
    parent.resize(100, 60);
    parent.SetColor(toQColor(clMoneyGreen));
    parent.SetColorShadow(toQColor(clRed));
    // Reaches past the parent's right edge, so the parent's frame runs through its inside.
    TFlatPanel child(&parent);
    child.setGeometry(75, 10, 30, 20);
    child.SetColor(toQColor(clBlue));
    child.SetColorHighLight(White);
    child.SetColorShadow(White);

    EXPECT_EQ(pixel(render(child), 10, 10), toQColor(clBlue));
    child.SetTransparent(true);
    const QImage image = render(child);
    EXPECT_EQ(pixel(image, 10, 10), toQColor(clMoneyGreen));
    EXPECT_EQ(pixel(image, 23, 10), toQColor(clMoneyGreen));
    EXPECT_EQ(pixel(image, 24, 10), toQColor(clRed));
    // The panel's own frame is still drawn over the parent's picture.
    EXPECT_EQ(pixel(image, 0, 10), White);
    EXPECT_EQ(pixel(image, 10, 0), White);
}

TEST(FlatPanel, SettersRepaintOnlyOnChange)
{
    THost host;
    auto *panel = new TFlatPanel(&host.host);
    panel->SetColor(White);
    host.host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host.host));

    struct TPaintCounter : QObject
    {
        int paints = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint) ++paints;
            return false;
        }
    } counter;
    panel->installEventFilter(&counter);
    auto paintsAfter = [&](const std::function<void()> &change) {
        QApplication::processEvents();
        counter.paints = 0;
        change();
        QApplication::processEvents();
        return counter.paints;
    };
    const QColor other = toQColor(clRed);
    const struct
    {
        const char *name;
        std::function<void()> same, changed;
    } rows[] = {
        {"ColorHighLight", [&] { panel->SetColorHighLight(panel->ColorHighLight()); },
         [&] { panel->SetColorHighLight(other); }},
        {"ColorShadow", [&] { panel->SetColorShadow(panel->ColorShadow()); },
         [&] { panel->SetColorShadow(other); }},
        {"Caption", [&] { panel->SetCaption(panel->Caption()); },
         [&] { panel->SetCaption(QStringLiteral("      规格")); }},
        {"Alignment", [&] { panel->SetAlignment(panel->Alignment()); },
         [&] { panel->SetAlignment(taRightJustify); }},
        {"Transparent", [&] { panel->SetTransparent(panel->Transparent()); },
         [&] { panel->SetTransparent(true); }},
        {"enabled", [&] { panel->setEnabled(panel->isEnabled()); },
         [&] { panel->setEnabled(false); }},
        {"Color", [&] { panel->SetColor(White); }, [&] { panel->SetColor(toQColor(clRed)); }},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(paintsAfter(row.same), 0);
        EXPECT_GT(paintsAfter(row.changed), 0);
    }
}
