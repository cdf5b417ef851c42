// The flat kit's label: its click, background and line-break policies.
#include "widgets/Label.h"

#include "platformui/Fonts.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

QFont songFont()
{
    static const bool registered = [] {
        registerFontSubstitutes();
        return true;
    }();
    (void)registered;
    return formFont(SongTi, 13);
}

// A parent whose own painting (red) differs from its palette's colour (green), so that what
// shows through a transparent label tells apart from the parent's colour.
class TPaintedParent : public QWidget
{
public:
    TPaintedParent()
    {
        QPalette colours = palette();
        colours.setColor(QPalette::Window, Qt::green);
        setPalette(colours);
        resize(120, 60);
    }

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), Qt::red); }
};

QImage render(QWidget &widget)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    widget.render(&image);
    return image;
}

void send(TLabel &label, QEvent::Type type, Qt::MouseButton button, QPoint at)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? button : Qt::NoButton;
    QMouseEvent event(type, QPointF(at), QPointF(label.mapToGlobal(at)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(&label, &event);
}

} // namespace

TEST(Label, ClickRules)
{
    // p / r: left press / release on the label; o: left release beside it; P / R: right
    // button press / release on it.
    const struct
    {
        const char *name;
        TClickNeedsPress rule;
        const char *events;
        int clicks;
    } rows[] = {
        {"a release alone, no press needed", TClickNeedsPress::No, "r", 1},
        {"a release alone, a press needed", TClickNeedsPress::Yes, "r", 0},
        {"press and release", TClickNeedsPress::Yes, "pr", 1},
        {"released beside the label", TClickNeedsPress::Yes, "po", 0},
        {"released beside, no press needed", TClickNeedsPress::No, "po", 0},
        {"a release beside disarms the press", TClickNeedsPress::Yes, "por", 0},
        {"one press, one click", TClickNeedsPress::Yes, "prr", 1},
        {"the right button does not click", TClickNeedsPress::No, "PR", 0},
        {"the right button leaves the left press armed", TClickNeedsPress::Yes, "pPRr", 1},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        QWidget parent;
        TLabel label(&parent);
        label.setGeometry(10, 10, 40, 15);
        label.SetClickNeedsPress(row.rule);
        int clicks = 0;
        label.OnClick = [&] { ++clicks; };
        const QPoint inside(5, 5), beside(50, 5);
        for (const char *event = row.events; *event; ++event) {
            switch (*event) {
            case 'p': send(label, QEvent::MouseButtonPress, Qt::LeftButton, inside); break;
            case 'r': send(label, QEvent::MouseButtonRelease, Qt::LeftButton, inside); break;
            case 'o': send(label, QEvent::MouseButtonRelease, Qt::LeftButton, beside); break;
            case 'P': send(label, QEvent::MouseButtonPress, Qt::RightButton, inside); break;
            case 'R': send(label, QEvent::MouseButtonRelease, Qt::RightButton, inside); break;
            }
        }
        EXPECT_EQ(clicks, row.clicks);
    }
}

TEST(Label, Backgrounds)
{
    const struct
    {
        const char *name;
        TLabelBackground background;
        QColor shown;
    } rows[] = {
        {"transparent shows the parent's painting", TLabelBackground::Transparent, Qt::red},
        {"the parent's colour", TLabelBackground::ParentColor, Qt::green},
        {"its own colour", TLabelBackground::OwnColor, Qt::blue},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        TPaintedParent parent;
        auto *label = new TLabel(&parent);
        label->setGeometry(10, 10, 40, 15);
        if (row.background == TLabelBackground::OwnColor) label->SetColor(Qt::blue);
        label->SetBackground(row.background);
        EXPECT_EQ(label->Background(), row.background);
        EXPECT_EQ(render(parent).pixelColor(30, 17), row.shown);
    }

    TPaintedParent parent;
    auto *label = new TLabel(&parent);
    label->setGeometry(10, 10, 40, 15);
    EXPECT_TRUE(label->ParentColor()) << "the parent's colour until set";
    label->SetColor(Qt::blue);
    EXPECT_EQ(label->Background(), TLabelBackground::OwnColor);
    QPalette colours = parent.palette();
    colours.setColor(QPalette::Window, Qt::yellow);
    parent.setPalette(colours);
    EXPECT_EQ(label->Color(), QColor(Qt::blue)) << "an own colour stays";
    label->SetParentColor(true);
    EXPECT_EQ(label->Color(), QColor(Qt::yellow));
    EXPECT_EQ(render(parent).pixelColor(30, 17), QColor(Qt::yellow));
    label->SetParentColor(false);
    EXPECT_EQ(label->Color(), QColor(Qt::yellow)) << "an own colour starts as the one shown";
    colours.setColor(QPalette::Window, Qt::cyan);
    parent.setPalette(colours);
    EXPECT_EQ(label->Color(), QColor(Qt::yellow));
}

TEST(Label, LineBreaks)
{
    const QFontMetrics metrics(songFont());
    const int x = metrics.horizontalAdvance(QLatin1Char('x'));
    const struct
    {
        const char *name;
        TLineBreaks breaks;
        QString caption;
        int width; // the label's width, which only word wrap heeds
        int lines;
    } rows[] = {
        {"a carriage return", TLineBreaks::AtLineEnds, QStringLiteral("ab\rcd"), 200, 2},
        {"a line feed", TLineBreaks::AtLineEnds, QStringLiteral("ab\ncd"), 200, 2},
        {"CR LF is one line end", TLineBreaks::AtLineEnds, QStringLiteral("ab\r\ncd"), 200, 2},
        {"a trailing line end", TLineBreaks::AtLineEnds, QStringLiteral("ab\r"), 200, 2},
        {"never wrapped", TLineBreaks::AtLineEnds, QStringLiteral("一二三四五六"), 20, 1},
        {"wrapped at the width", TLineBreaks::WordWrap, QStringLiteral("一二三四五六"), 30, 3},
        {"CR LF when wrapping", TLineBreaks::WordWrap, QStringLiteral("ab\r\ncd"), 200, 2},
        {"a carriage return when wrapping", TLineBreaks::WordWrap, QStringLiteral("ab\rcd"), 200,
         2},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        QWidget parent;
        TLabel label(&parent);
        label.setFont(songFont());
        label.resize(row.width, 100);
        label.SetLineBreaks(row.breaks);
        label.SetCaption(row.caption);
        EXPECT_EQ(label.textSize().height(), row.lines * metrics.height());
        if (row.breaks == TLineBreaks::WordWrap) {
            EXPECT_LE(label.textSize().width(), row.width);
        }
    }

    // Tabs stop at every eight widths of "x"; an empty text takes one space.
    QWidget parent;
    TLabel label(&parent);
    label.setFont(songFont());
    label.SetCaption(QStringLiteral("a\tb"));
    EXPECT_EQ(label.textSize().width(), 8 * x + metrics.horizontalAdvance(QLatin1Char('b')));
    label.SetCaption(QString());
    EXPECT_EQ(label.textSize(),
              QSize(metrics.horizontalAdvance(QLatin1Char(' ')), metrics.height()));
}

TEST(Label, LinesKeepTheFontHeightAndAreCutAtTheBounds)
{
    QWidget parent;
    QPalette colours = parent.palette();
    colours.setColor(QPalette::Window, Qt::white);
    parent.setPalette(colours);
    parent.resize(200, 100);
    auto *label = new TLabel(&parent);
    label->setFont(songFont());
    label->SetFontColor(Qt::black);
    label->move(0, 0);
    label->SetCaption(QStringLiteral("一\r二\r三"));
    label->SetAutoSize(true);
    const int lineHeight = QFontMetrics(songFont()).height();
    ASSERT_EQ(label->height(), 3 * lineHeight);
    label->resize(label->width(), 2 * lineHeight);

    const QImage image = render(parent);
    auto inkIn = [&](int top, int bottom) {
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y) != QColor(Qt::white)) return true;
        return false;
    };
    EXPECT_TRUE(inkIn(0, lineHeight));
    EXPECT_TRUE(inkIn(lineHeight, 2 * lineHeight));
    EXPECT_FALSE(inkIn(2 * lineHeight, image.height())) << "the third line is cut off";
}
