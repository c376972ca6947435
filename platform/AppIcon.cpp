#include "platform/AppIcon.h"

QIcon VokaboIcon()
{
    QIcon icon;
    // The sizes a window shows; the menu takes the larger files from the install.
    for (int size : {16, 32, 48, 64})
        icon.addFile(QStringLiteral(":/icons/vokabo-%1.png").arg(size), QSize(size, size));
    return icon;
}
