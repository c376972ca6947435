#pragma once
#include <QPen>
#include <QPoint>
#include <QSize>

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

// A bar has no caption: pressing anywhere on it, controls included, and
// moving the pointer beyond the drag distance moves the bar. A press and
// release without that movement stays an ordinary click.
void InstallBarDragging(QWidget* bar);
