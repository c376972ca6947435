#include "platform/ScreenCopy.h"

#include "platform/PortalScreenshot.h"
#include "platform/SessionKind.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

std::unique_ptr<ScreenCopySource> ScreenDC;
ScreenCopy ScreenCopyDC;

bool ScreenCopy::Hold(QImage picture, QRect area)
{
    if (picture.isNull() || area.isEmpty())
        return false;
    if (qFuzzyCompare(picture.devicePixelRatio(), 1.0) && picture.width() != area.width())
        picture.setDevicePixelRatio(qreal(picture.width()) / area.width());
    m_picture = std::move(picture);
    m_area = area;
    return true;
}

QPoint ScreenCopy::PixelOf(QPoint logicalPoint) const
{
    const QScreen* screen = QGuiApplication::screenAt(logicalPoint);
    if (!screen)
        screen = QGuiApplication::screenAt(m_area.topLeft());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const qreal screenScale = screen ? screen->devicePixelRatio() : 1.0;
    const QPoint origin = screen ? screen->geometry().topLeft() : m_area.topLeft();
    const qreal scale = m_picture.devicePixelRatio();
    // A screen's origin is a device position already; only a picture finer
    // than the screen's device pixels stretches it. The offset within the
    // screen rounds per coordinate, as QPoint * qreal and Qt's own mapping do.
    return (origin - m_area.topLeft()) * (scale / screenScale) + (logicalPoint - origin) * scale;
}

QColor ScreenCopy::PixelAt(QPoint logicalPoint) const
{
    if (m_picture.isNull())
        return QColor(0, 0, 0);
    const QPoint pixel = PixelOf(logicalPoint);
    if (!m_picture.rect().contains(pixel))
        return QColor(0, 0, 0);
    return m_picture.pixelColor(pixel);
}

void ScreenCopy::Reset()
{
    m_picture = QImage();
    m_area = QRect();
}

void ScreenGrabSource::Take(Taken taken)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        taken(QImage(), QRect());
        return;
    }
    // Qt gives the grab the screen's scale as its device pixel ratio.
    taken(screen->grabWindow(0).toImage(), screen->geometry());
}

// In a Wayland session the X server's grab would miss every Wayland window,
// so the compositor's picture comes through the portal there.
std::unique_ptr<ScreenCopySource> ScreenCopySourceForSession(SessionKind kind)
{
    if (IsWaylandKind(kind))
        return std::make_unique<PortalScreenshotSource>();
    return std::make_unique<ScreenGrabSource>();
}

void TakeScreenCopy(std::function<void(bool copied)> done)
{
    auto hold = [done = std::move(done)](QImage picture, QRect area) {
        const bool copied = ScreenCopyDC.Hold(std::move(picture), area);
        if (done)
            done(copied);
    };
    if (ScreenDC)
        ScreenDC->Take(std::move(hold));
    else
        hold(QImage(), QRect());
}

void AskScreenCopyPermission()
{
    if (ScreenDC)
        ScreenDC->AskPermissionWhileFocused();
}

void ReleaseScreenCopy()
{
    ScreenCopyDC.Reset();
    ScreenDC.reset();
}
