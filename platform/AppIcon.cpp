#include "platform/AppIcon.h"

#include "res/IconPixels.h"

#include <QImage>
#include <QPixmap>

QIcon VokaboIcon()
{
    QIcon icon;
    for (const IconPixels& size : VokaboIconPixels()) {
        // Wraps the compiled-in pixels without copying them; the pixmap makes
        // its own copy in the window system's format.
        const QImage image(reinterpret_cast<const uchar*>(size.argb), size.width, size.height,
                           QImage::Format_ARGB32);
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}
