// The Windows faces of the bars and dialogs resolve to installed Japanese
// fonts that can draw every built-in meaning, and the fonts are made of
// those installed faces directly.
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

QFont Face(const QString& family)
{
    QFont font(family);
    font.setPixelSize(15);
    return font;
}

// The face the dialogs and bars ask for in place of a Windows face.
QFont DrawnFace(const char* windowsFace) { return Face(InstalledFace(QString::fromLatin1(windowsFace))); }

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
    const QFont gothic = DrawnFace("MS Gothic");
    EXPECT_EQ(gothic.family(), QStringLiteral("IPAGothic"));
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
    EXPECT_EQ(CharactersWithoutGlyph(DrawnFace("MS Gothic")), QStringList{});
}

TEST(FontSetup, System_ResolvesToAJapaneseFace)
{
    InstallFontSubstitutions();
    const QFont system = DrawnFace("System");
    const QStringList japanese = {QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP"),
                                  QStringLiteral("IPAGothic")};
    EXPECT_TRUE(japanese.contains(QFontInfo(system).family())) << QFontInfo(system).family().toStdString();
    EXPECT_EQ(CharactersWithoutGlyph(system), QStringList{});
}

// Asked for directly, the installed face gives what Qt's own substitution
// made of the Windows face: the same font, the same look.
TEST(FontSetup, InstalledFace_IsWhatSubstitutionMadeOfTheWindowsFace)
{
    InstallFontSubstitutions();
    for (const char* windowsFace : {"MS Gothic", "System"}) {
        SCOPED_TRACE(windowsFace);
        const QFontInfo substituted(Face(QString::fromLatin1(windowsFace)));
        const QFontInfo direct(DrawnFace(windowsFace));
        EXPECT_EQ(DrawnFace(windowsFace).family(), substituted.family());
        EXPECT_EQ(direct.family(), substituted.family());
        EXPECT_EQ(direct.styleName(), substituted.styleName());
        EXPECT_EQ(direct.pixelSize(), substituted.pixelSize());
    }
}

// The card label's height and the drill bar's widening by bytes were made
// for text whose character cell (ascent plus descent) is 15 pixels; an em of
// 15 pixels draws the phonetic text a sixth larger and overflows the label.
TEST(FontSetup, BarFonts_HaveACellOf15PixelsInTheirOwnFaces)
{
    CreateBarFonts();
    EXPECT_EQ(QFontInfo(PhoneticFont).family(), QStringLiteral("triphibian"));
    EXPECT_EQ(QFontInfo(GothicFont).family(), QStringLiteral("IPAGothic"));
    for (const QFont* font : {&PhoneticFont, &GothicFont}) {
        const QFontMetrics metrics(*font);
        EXPECT_EQ(metrics.ascent() + metrics.descent(), 15) << QFontInfo(*font).family().toStdString();
    }
}
