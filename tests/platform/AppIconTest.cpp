// The window icon is compiled in from the PNGs the menu installs; every size
// must show exactly what Qt's own reader makes of its PNG.
#include "platform/AppIcon.h"

#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QSize>
#include <QString>

TEST(AppIconTest, EachSize_ShowsThePixelsOfItsPng)
{
    const QIcon icon = VokaboIcon();
    const QList<QSize> sizes = {{16, 16}, {32, 32}, {48, 48}, {64, 64}};
    EXPECT_EQ(icon.availableSizes(), sizes);
    for (const QSize& size : sizes) {
        SCOPED_TRACE(size.width());
        const QString path = QStringLiteral(VOKABO_ICON_DIR "/vokabo-%1.png").arg(size.width());
        // Both as a window gets them: premultiplied, as a pixmap holds them.
        const QImage expected = QImage(path).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        ASSERT_EQ(expected.size(), size) << qPrintable(path);
        const QImage shown = icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        ASSERT_EQ(shown.size(), size);
        int differing = 0;
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                const QRgb want = expected.pixel(x, y);
                const QRgb got = shown.pixel(x, y);
                if (got != want && differing++ == 0)
                    ADD_FAILURE() << "first difference at (" << x << ", " << y << "): " << std::hex << got
                                  << " instead of " << want;
            }
        }
        EXPECT_EQ(differing, 0);
    }
}
