// The phonetic font as the build leaves it in ./res: each code character
// drawn as its IPA symbol, the rest of ASCII as itself. Its name and its
// registration are the platform tests' (PhoneticFontCheck).
#include "store/BuiltinLists.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QPainterPath>
#include <QRawFont>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <QVector>
#include <utility>

namespace {

// The program loads the font by this relative path; the tests run in the
// build directory, where the build writes the font and its code table.
const QString kFontPath = QStringLiteral("./res/triphibian.ttf");
const QString kCodePath = QStringLiteral("./res/phonetic_code.tsv");
const QString kSourceFontPath = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
constexpr int kPixelSize = 15;

// (code character, IPA symbol) rows of the code table.
QVector<std::pair<QChar, QString>> ReadPhoneticCode()
{
    QVector<std::pair<QChar, QString>> code;
    QFile file(kCodePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return code;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(QStringLiteral("code\t")))
            continue;
        const QStringList fields = line.split(u'\t');
        if (fields.size() == 4 && fields[0].size() == 1)
            code.append({fields[0][0], fields[1]});
    }
    return code;
}

quint32 Glyph(const QRawFont& font, const QString& character)
{
    const QVector<quint32> glyphs = font.glyphIndexesForString(character);
    return glyphs.size() == 1 ? glyphs[0] : 0;
}

} // namespace

// Every row of the code table, drawn with the very outline the IPA symbol has
// in DejaVu Sans, so a transcription reads as the symbols it was written in.
TEST(TriphibianFont, EveryCodeCharacter_DrawsItsIpaSymbolsOutline)
{
    const QVector<std::pair<QChar, QString>> code = ReadPhoneticCode();
    ASSERT_FALSE(code.isEmpty()) << "cannot read " << kCodePath.toStdString();
    const QRawFont font(kFontPath, kPixelSize);
    ASSERT_TRUE(font.isValid());
    const QRawFont source(kSourceFontPath, kPixelSize);

    QSet<quint32> glyphs;
    for (const auto& [character, ipa] : code) {
        SCOPED_TRACE(QString(character).toStdString() + " -> " + ipa.toStdString());
        const quint32 glyph = Glyph(font, QString(character));
        EXPECT_NE(glyph, 0u);
        EXPECT_EQ(glyph, Glyph(font, ipa));
        glyphs.insert(glyph);
        if (source.isValid()) {
            EXPECT_EQ(font.pathForGlyph(glyph), source.pathForGlyph(Glyph(source, ipa)));
        }
    }
    EXPECT_EQ(glyphs.size(), code.size()) << "two code characters draw the same symbol";
}

// The revealed card draws the word in this font too, so every other printable
// character keeps a glyph of its own.
TEST(TriphibianFont, OtherPrintableAscii_DrawsItsOwnGlyph)
{
    const QRawFont font(kFontPath, kPixelSize);
    ASSERT_TRUE(font.isValid());
    const QRawFont source(kSourceFontPath, kPixelSize);
    QSet<QChar> coded;
    for (const auto& row : ReadPhoneticCode())
        coded.insert(row.first);

    QSet<quint32> glyphs;
    for (char16_t c = 0x20; c < 0x7F; ++c) {
        const QString character(QChar{c});
        const quint32 glyph = Glyph(font, character);
        EXPECT_TRUE(glyph != 0 || c == u' ') << "no glyph for " << char(c);
        glyphs.insert(glyph);
        if (!coded.contains(QChar{c}) && source.isValid()) {
            EXPECT_EQ(font.pathForGlyph(glyph), source.pathForGlyph(Glyph(source, character))) << char(c);
        }
    }
    EXPECT_EQ(glyphs.size(), 0x7F - 0x20) << "two printable characters share a glyph";
}

TEST(TriphibianFont, EveryBuiltinWordAndTranscription_HasGlyphs)
{
    const QRawFont font(kFontPath, kPixelSize);
    ASSERT_TRUE(font.isValid());
    QStringList missing;
    for (const BuiltinWordRecord& record : kBuiltinWords)
        for (const char* text : {record.word, record.phonetic})
            for (QChar c : QString::fromLatin1(text))
                if (!font.supportsCharacter(c))
                    missing << QString::fromLatin1(record.word) + u':' + c;
    EXPECT_EQ(missing, QStringList{});
}
