// The look the three bars share: placing, window set-up, the raised frame
// and dragging by any point.
#include "bars/BarLook.h"
#include "support/BarDrag.h"

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyleHints>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QColor kWhite(255, 255, 255);
const QColor kGrey(128, 128, 128);
const QColor kBackground(10, 20, 30);

// A stand-in bar with the kinds of control the bars have.
struct DragBar {
    DragBar()
    {
        bar->setGeometry(100, 100, 160, 25);
        button->setGeometry(120, 2, 20, 20);
        QObject::connect(button, &QPushButton::clicked, [this] { ++clicks; });
        InstallBarDragging(bar.get());
        bar->show();
    }
    std::unique_ptr<QWidget> bar = std::make_unique<QWidget>(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    QLineEdit* edit = new QLineEdit(bar.get());
    QPushButton* button = new QPushButton(bar.get());
    int clicks = 0;
};

} // namespace

TEST(ScreenFractionPoint, FractionsOfThePrimaryScreen_MultipliedFirstAndTruncated)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    ASSERT_EQ(screen, QRect(0, 0, 800, 800)) << "the offscreen platform's default screen";
    struct Case {
        int a, b, c, d;
        QPoint expected;
    };
    const Case cases[] = {
        {1, 2, 1, 2, QPoint(400, 400)}, // answer bars: the centre
        {5, 6, 1, 8, QPoint(666, 100)}, // drill bar: 4000 / 6 truncated
        {1, 3, 2, 3, QPoint(266, 533)}, // divided first, 800 / 3 * 2 would give 532
        {0, 1, 1, 1, QPoint(0, 800)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << "/" << c.b << ", " << c.c << "/" << c.d);
        EXPECT_EQ(ScreenFractionPoint(c.a, c.b, c.c, c.d), c.expected);
    }
}

TEST(SetUpBarWindow, AnyWidget_BecomesHiddenFixedOnTopToolWindowAtThePoint)
{
    QWidget owner;
    auto* bar = new QWidget(&owner, Qt::Dialog);
    bar->show();

    SetUpBarWindow(bar, QPoint(400, 300), QSize(160, 25));

    const Qt::WindowFlags flags = bar->windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(flags & Qt::FramelessWindowHint);
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(flags & Qt::X11BypassWindowManagerHint);
    EXPECT_EQ(bar->parentWidget(), &owner);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(bar->windowOpacity(), 1.0);
    EXPECT_EQ(bar->minimumSize(), QSize(160, 25));
    EXPECT_EQ(bar->maximumSize(), QSize(160, 25));
    bar->show();
    EXPECT_EQ(bar->geometry(), QRect(400, 300, 160, 25));
}

TEST(DrawRaisedFrame, BarRectangle_LightLeftAndTopDarkRightAndBottom)
{
    QWidget bar;
    bar.resize(12, 8);
    QImage image(12, 8, QImage::Format_RGB32);
    image.fill(kBackground);
    QPainter painter(&image);
    DrawRaisedFrame(&bar, painter);
    painter.end();

    // W white, G grey, . untouched: two columns left and right, one row
    // top and bottom, the bottom band over the left one's end.
    const char* const expected[] = {
        "WWWWWWWWWWWW", //
        "WW........GG", //
        "WW........GG", //
        "WW........GG", //
        "WW........GG", //
        "WW........GG", //
        "WW........GG", //
        "GGGGGGGGGGGG", //
    };
    for (int y = 0; y < 8; ++y) {
        std::string row;
        for (int x = 0; x < 12; ++x) {
            const QColor c = image.pixelColor(x, y);
            row += c == kWhite ? 'W' : c == kGrey ? 'G' : c == kBackground ? '.' : '?';
        }
        EXPECT_EQ(row, expected[y]) << "row " << y;
    }
}

TEST(InstallBarDragging, PressMoveRelease_OnControlOrBar_MovesBarWithoutClicking)
{
    const int far = QGuiApplication::styleHints()->startDragDistance() + 20;
    DragBar fixture;
    auto* check = new QCheckBox(fixture.bar.get()); // a control added after the install
    check->setGeometry(100, 4, 16, 16);
    check->show();
    QWidget* const targets[] = {fixture.button, fixture.edit, check, fixture.bar.get()};
    QPoint expected = fixture.bar->pos();
    for (QWidget* target : targets) {
        SCOPED_TRACE(target->metaObject()->className());
        PressMoveRelease(target, QPoint(far, far / 2));
        expected += QPoint(far, far / 2);
        EXPECT_EQ(fixture.bar->pos(), expected);
    }
    EXPECT_EQ(fixture.clicks, 0);
    EXPECT_FALSE(fixture.button->isDown());
    EXPECT_FALSE(check->isChecked());
}

TEST(InstallBarDragging, ClickOrMoveWithinDragDistance_StaysAClick)
{
    const int near = QGuiApplication::styleHints()->startDragDistance() - 1;
    ASSERT_GE(near, 1);
    DragBar fixture;
    const QPoint start = fixture.bar->pos();

    QTest::mouseClick(fixture.button, Qt::LeftButton);
    PressMoveRelease(fixture.button, QPoint(near, 0));

    EXPECT_EQ(fixture.clicks, 2);
    EXPECT_EQ(fixture.bar->pos(), start);
}

TEST(InstallBarDragging, PressInAnOwnedWindow_LeavesTheBarInPlace)
{
    DragBar fixture;
    auto* owned = new QWidget(fixture.bar.get(), Qt::Tool | Qt::FramelessWindowHint);
    owned->setGeometry(300, 300, 50, 20);
    owned->show();
    const QPoint start = fixture.bar->pos();

    PressMoveRelease(owned, QPoint(40, 40));

    EXPECT_EQ(fixture.bar->pos(), start);
}
