#pragma once
#include <QPen>
#include <QPoint>
#include <QSize>
#include <functional>
#include <optional>

class QPainter;
class QWidget;

// The look and handling the drill bar and both answer bars share.

// The point at a fraction of the primary screen: width * a / b and
// height * c / d, multiplied first and truncated.
QPoint ScreenFractionPoint(int a, int b, int c, int d);

// A bar is a frameless tool window that stays on top, has no taskbar entry
// and stays fully opaque; it is placed exactly and cannot be resized. It is
// left hidden.
void SetUpBarWindow(QWidget* bar, QPoint topLeft, QSize size);

// A frame pen as the frames are drawn: a wide line ends in round caps, so
// the bands of a frame meet without gaps at the corners.
QPen WithRoundEnds(QPen pen);

// The raised frame around the bar's client area.
void DrawRaisedFrame(QWidget* bar, QPainter& painter);

// Makes the bar's place as Qt knows it the place the window system has it,
// and says whether it had to. Qt can miss the window manager's first
// placing of a bar: openbox, when slow, reparents the bar into a frame
// still at the screen's corner, Qt asks where the bar is before the frame
// has moved, and nothing later tells it otherwise. pos() then stays at the
// corner while the learner sees the bar where it was put. Those who need
// the true place (a drag's start, the see-through sample) ask here first,
// at a moment when no move of the bar's own is on its way: the server has
// the bar where the manager last put it. Only X11 can be asked; elsewhere
// Qt's place stands.
bool SyncBarPosition(QWidget* bar);

// Where the window system has the window's client area, in logical
// coordinates; only X11 can be asked.
std::optional<QPoint> ClientPlaceOnServer(QWidget* window);

// Shows a bar that was hidden for a moment (a hot key, a screen copy)
// without taking the keyboard from the program the learner is typing in.
// Qt activates the application's modal window at each showing, and window
// managers focus a window newly shown unless its user time is 0; so the bar
// is shown as an ordinary window, as a window to leave unfocused.
void ShowBarWithoutFocus(QWidget* bar);

// Whether the window manager minimises the bar when asked. A bar is a
// utility window, and mutter (GNOME) never minimises those: asked, it leaves
// the bar where it is. A manager says what it allows a window in
// _NET_WM_ALLOWED_ACTIONS; one that says nothing (openbox before the bar is
// mapped, no manager at all) is taken to minimise, as is every platform but
// X11, where no such list can be read.
bool WindowManagerMinimises(QWidget* bar);

// A bar has no caption: pressing anywhere on it, controls included, and
// moving the pointer beyond the drag distance moves the bar. A press and
// release without that movement stays an ordinary click. dragStarted, if
// given, is told when the learner starts moving the bar.
void InstallBarDragging(QWidget* bar, std::function<void()> dragStarted = {});
