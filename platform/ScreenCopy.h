#pragma once
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <functional>
#include <memory>

// A copy of the screen: a picture in device pixels and the rectangle of the
// desktop, in logical coordinates, that it shows. The picture's device pixel
// ratio is its scale, its pixels per logical pixel.
class ScreenCopy {
public:
    // Keeps `picture` as the copy of `area`. A picture that states no scale
    // (ratio 1) but is wider than the area is taken as stretched evenly over
    // it. A null picture is a failed copy and keeps the previous one.
    // Says whether the copy is the new picture.
    bool Hold(QImage picture, QRect area);
    // The copy's pixel under a point in logical screen coordinates; a point
    // outside the copy answers black, as the window system does.
    QColor PixelAt(QPoint logicalPoint) const;
    // Where a logical point falls in the picture, as Qt places a window at
    // that point: device pixels count from the top-left corner of the screen
    // under the point, where logical and device coordinates agree.
    QPoint PixelOf(QPoint logicalPoint) const;
    void Reset();

private:
    QImage m_picture;
    QRect m_area;
};

// Where copies of the screen come from. A source answers each Take exactly
// once, at once or later from the event loop, with the picture (null when
// the copy failed) and the logical rectangle it covers.
class ScreenCopySource {
public:
    using Taken = std::function<void(QImage picture, QRect area)>;
    virtual ~ScreenCopySource() = default;
    virtual void Take(Taken taken) = 0;
    // One of the program's ordinary windows has the focus: a source that
    // needs the learner's permission and can be given it only now asks.
    virtual void AskPermissionWhileFocused() {}
};

// The copy a session's windowing system gives an application of its own
// accord: Qt grabs the primary screen (on X11 the root window's pixels there).
class ScreenGrabSource : public ScreenCopySource {
public:
    void Take(Taken taken) override;
};

enum class SessionKind;

// The source for the session start-up decided on.
std::unique_ptr<ScreenCopySource> ScreenCopySourceForSession(SessionKind kind);

// The see-through look paints each bar in the colour the screen had under
// it when the look was switched on. ScreenDC is where copies of the screen
// come from, ScreenCopyDC holds the latest. Start-up sets ScreenDC once.
extern std::unique_ptr<ScreenCopySource> ScreenDC;
extern ScreenCopy ScreenCopyDC;

// Takes a fresh copy from ScreenDC into ScreenCopyDC, then calls `done`: at
// once or, with a source that answers later, from the event loop.
void TakeScreenCopy(std::function<void(bool copied)> done);

// The main dialog has the focus; see ScreenCopySource.
void AskScreenCopyPermission();

// Drops the copy and its source at shutdown, while the application that
// a source's answers go through still stands.
void ReleaseScreenCopy();
