// The Windows faces of the bars and dialogs resolve to installed Japanese
// fonts that can draw every built-in meaning.
#include "platform/DrawingObjects.h"
#include "platform/FontSetup.h"
#include "store/BuiltinLists.h"
#include "store/Cp932.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QRawFont>
#include <QString>
#include <QStringList>

namespace {

QFont Face(const char* family)
{
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(15);
    return font;
}

QStringList CharactersWithoutGlyph(const QFont& face)
{
    const QRawFont raw = QRawFont::fromFont(face);
    QStringList missing;
    for (const BuiltinWordRecord& record : kBuiltinWords) {
        const QString meaning = QString::fromStdString(Cp932ToUtf8(record.meaning));
        for (QChar c : meaning)
            if (!raw.supportsCharacter(c))
                missing << QString::fromLatin1(record.word) + u':' + c;
    }
    return missing;
}

} // namespace

// The bars size themselves by bytes of CP932 text: one byte must be half of a
// Japanese character's width, as in the Windows face.
TEST(FontSetup, MsGothic_ResolvesToFixedPitchIpaGothic)
{
    InstallFontSubstitutions();
    const QFont gothic = Face("MS Gothic");
    EXPECT_EQ(QFontInfo(gothic).family(), QStringLiteral("IPAGothic"));

    const QFontMetricsF metrics(gothic);
    const qreal half = metrics.horizontalAdvance(u'a');
    EXPECT_GT(half, 0);
    EXPECT_DOUBLE_EQ(metrics.horizontalAdvance(u'W'), half);
    EXPECT_DOUBLE_EQ(metrics.horizontalAdvance(QStringLiteral("(名)卵")), 6 * half);
}

TEST(FontSetup, MsGothic_DrawsEveryBuiltinMeaning)
{
    InstallFontSubstitutions();
    EXPECT_EQ(CharactersWithoutGlyph(Face("MS Gothic")), QStringList{});
}

TEST(FontSetup, System_ResolvesToAJapaneseFace)
{
    InstallFontSubstitutions();
    const QFont system = Face("System");
    const QStringList japanese = {QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP"),
                                  QStringLiteral("IPAGothic")};
    EXPECT_TRUE(japanese.contains(QFontInfo(system).family())) << QFontInfo(system).family().toStdString();
    EXPECT_EQ(CharactersWithoutGlyph(system), QStringList{});
}

// The card label's height and the drill bar's widening by bytes were made
// for text whose character cell (ascent plus descent) is 15 pixels; an em of
// 15 pixels draws the phonetic text a sixth larger and overflows the label.
TEST(FontSetup, BarFonts_HaveACellOf15PixelsInTheirOwnFaces)
{
    EXPECT_EQ(QFontInfo(PhoneticFont).family(), QStringLiteral("triphibian"));
    EXPECT_EQ(QFontInfo(GothicFont).family(), QStringLiteral("IPAGothic"));
    for (const QFont* font : {&PhoneticFont, &GothicFont}) {
        const QFontMetrics metrics(*font);
        EXPECT_EQ(metrics.ascent() + metrics.descent(), 15) << QFontInfo(*font).family().toStdString();
    }
}
