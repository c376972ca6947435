// See-through on scaled screens: the screen copy holds device pixels, the
// bars are placed in logical ones.
#include "bars/CinputDlg.h"

#include "platform/ScreenCopy.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

const QColor kLeft(200, 30, 30);
const QColor kRight(30, 30, 200);
const QColor kBelow(30, 160, 30);

QWidget* Block(QWidget* parent, QRect area, QColor colour)
{
    auto* block = new QWidget(parent);
    QPalette palette;
    palette.setColor(QPalette::Window, colour);
    block->setPalette(palette);
    block->setAutoFillBackground(true);
    block->setGeometry(area);
    return block;
}

} // namespace

// Given a window over the whole primary screen, red left of x = 201 and blue
// right of it, green below y = 151; when an answer bar's corner sits at a
// point and see-through is switched on; then the bar takes the colour under
// that point, not the colour at the point's device coordinates read as
// logical ones.
TEST(SeeThroughScale, BarOnAScaledScreen_TakesTheColourUnderItsCorner)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_GT(screen->devicePixelRatio(), 1.0) << "run with QT_SCALE_FACTOR above 1";
    const QRect area = screen->geometry();
    QWidget window(nullptr, Qt::FramelessWindowHint);
    window.setGeometry(area);
    Block(&window, QRect(0, 0, 201, 151), kLeft);
    Block(&window, QRect(201, 0, area.width() - 201, 151), kRight);
    Block(&window, QRect(0, 151, area.width(), area.height() - 151), kBelow);
    window.show();
    QCoreApplication::processEvents();
    ScreenCopyDC.Reset();
    TakeScreenCopy({});
    window.hide();

    struct Case {
        QPoint corner;
        QColor expected;
    };
    // At a scale of 1.5 the boundary at 201 falls on device pixel 301.5;
    // Qt rounds a window there to 302, and the block's fill starts there too.
    const Case cases[] = {
        {QPoint(201, 10), kRight},  {QPoint(200, 10), kLeft},  {QPoint(201, 150), kRight},
        {QPoint(300, 120), kRight}, {QPoint(10, 151), kBelow}, {QPoint(201, 151), kBelow},
    };
    QWidget drillBar;
    auto* bar = new CinputDlg;
    bar->Create(&drillBar);
    bar->show();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.corner.x() << "," << c.corner.y());
        bar->move(c.corner);
        QCoreApplication::processEvents();
        bar->SetSeeThrough(true);
        EXPECT_EQ(bar->m_look.BackBrush().color(), c.expected);
        bar->SetSeeThrough(false);
    }
    delete bar;
    ScreenCopyDC.Reset();
}

// Given a copy of one screen or of the whole desktop, in device pixels; a
// logical point lands on the pixel where Qt would put a window's corner:
// counted from the origin of the screen under the point, rounded.
TEST(SeeThroughScale, CopyOfAScreenOrTheDesktop_PointMapsThroughTheScreenUnderIt)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    ASSERT_EQ(screens.size(), 2) << "run with the two screens of TwoScreens.json";
    const qreal scale = screens[0]->devicePixelRatio();
    ASSERT_TRUE(scale == 2.0 || scale == 1.5) << "run with QT_SCALE_FACTOR 2 or 1.5";
    // Device pixels: the screens are 800 x 600 each, side by side.
    const QRect deviceArea[] = {QRect(0, 0, 800, 600), QRect(800, 0, 800, 600), QRect(0, 0, 1600, 600)};
    const QRect logicalArea[] = {screens[0]->geometry(), screens[1]->geometry(), screens[0]->virtualGeometry()};
    enum Copy { kLeftScreen, kRightScreen, kDesktop };
    struct Case {
        Copy copy;
        bool statesScale;
        QPoint point;
        QPoint atTwo;
        QPoint atOneAndAHalf;
    };
    const Case cases[] = {
        {kLeftScreen, true, QPoint(201, 151), QPoint(402, 302), QPoint(302, 227)},
        {kDesktop, true, QPoint(201, 151), QPoint(402, 302), QPoint(302, 227)},
        {kRightScreen, true, QPoint(811, 11), QPoint(22, 22), QPoint(17, 17)},
        {kDesktop, true, QPoint(811, 11), QPoint(822, 22), QPoint(817, 17)},
        {kLeftScreen, true, QPoint(811, 11), QPoint(822, 22), QPoint(817, 17)}, // outside the copy
        // A picture that states no scale is stretched over its area.
        {kLeftScreen, false, QPoint(201, 151), QPoint(402, 302), QPoint(302, 227)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "copy " << c.copy << (c.statesScale ? "" : " unscaled") << " at "
                                        << c.point.x() << "," << c.point.y());
        QImage picture(deviceArea[c.copy].size(), QImage::Format_RGB32);
        if (c.statesScale)
            picture.setDevicePixelRatio(scale);
        ScreenCopy copy;
        copy.Hold(picture, logicalArea[c.copy]);
        EXPECT_EQ(copy.PixelOf(c.point), scale == 2.0 ? c.atTwo : c.atOneAndAHalf);
    }
}
