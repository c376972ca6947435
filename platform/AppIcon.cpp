#include "platform/AppIcon.h"

#include <QImageReader>
#include <QPixmap>

QIcon VokaboIcon()
{
    QIcon icon;
    // The sizes a window shows; the menu takes the larger files from the install.
    for (int size : {16, 32, 48, 64}) {
        // Named as PNG and read as such: a reader left to detect the format
        // first loads every image plugin of the system to ask whether it
        // reads PNG too.
        QImageReader reader(QStringLiteral(":/icons/vokabo-%1.png").arg(size), "png");
        reader.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(reader.read()));
    }
    return icon;
}
