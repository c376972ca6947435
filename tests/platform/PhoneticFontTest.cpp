// The phonetic font is registered only when it draws the transcriptions'
// code characters; otherwise the program says so in one line and the bars'
// phonetic font is the Gothic face, which draws the codes as themselves.
// Each case runs the start-up's own three steps (register, substitutions,
// drawing objects) on a font file of its own.
#include "platform/DrawingObjects.h"
#include "platform/FontSetup.h"
#include "store/BuiltinLists.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPainterPath>
#include <QRawFont>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <ostream>
#include <string>

namespace {

// Where the build leaves the font; the tests run in the build directory.
const QString kBuiltFont = QStringLiteral("./res/triphibian.ttf");
const QString kOtherFace = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");

QByteArray Bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The font with the bytes of one table zeroed, the table directory intact.
QByteArray WithTableZeroed(QByteArray font, const char* tag)
{
    const auto word = [&font](qsizetype at) {
        return qsizetype((uchar(font[at]) << 24) | (uchar(font[at + 1]) << 16) | (uchar(font[at + 2]) << 8) |
                         uchar(font[at + 3]));
    };
    const int tables = font.size() > 12 ? (uchar(font[4]) << 8) | uchar(font[5]) : 0;
    for (int k = 0; k < tables && 12 + 16 * k + 16 <= font.size(); ++k) {
        const qsizetype record = 12 + 16 * k;
        if (font.mid(record, 4) == tag && word(record + 8) + word(record + 12) <= font.size())
            return font.replace(word(record + 8), word(record + 12), QByteArray(word(record + 12), '\0'));
    }
    return QByteArray();
}

// What the revealed card's font draws for each code character: nothing when
// a character has no glyph or an empty outline.
QString CodesDrawnBy(const QFont& font)
{
    const QRawFont raw = QRawFont::fromFont(font);
    QString drawn;
    for (QChar code : QString::fromLatin1(kPhoneticCodeCharacters)) {
        const QList<quint32> glyphs = raw.glyphIndexesForString(QString(code));
        if (glyphs.size() == 1 && glyphs[0] != 0 && !raw.pathForGlyph(glyphs[0]).isEmpty())
            drawn += code;
    }
    return drawn;
}

struct FontCase {
    const char* name;
    // Puts the file under test at `path`.
    std::function<bool(const QString& path)> prepare;
    // The reason the line gives, empty when the font is used.
    std::function<QString(const QString& path)> reason;
};

QString DrawsNothing(const QString&) { return QString::fromLatin1(kPhoneticFontDrawsNothing); }

std::vector<FontCase> Cases()
{
    return {
        {"Intact", [](const QString& path) { return QFile::copy(kBuiltFont, path); },
         [](const QString&) { return QString(); }},
        // A copy cut short (a full disk, an interrupted copy) still registers,
        // but the phonetic symbols at the end of its outlines are gone.
        {"TruncatedToHalf",
         [](const QString& path) {
             const QByteArray font = Bytes(kBuiltFont);
             return !font.isEmpty() && Write(path, font.left(font.size() / 2));
         },
         DrawsNothing},
        // A crash can leave a file of the right size whose blocks were never
        // written: name and character map read well, the outlines are zeros.
        {"OutlinesZeroed",
         [](const QString& path) {
             const QByteArray font = WithTableZeroed(Bytes(kBuiltFont), "glyf");
             return !font.isEmpty() && Write(path, font);
         },
         DrawsNothing},
        {"Empty", [](const QString& path) { return Write(path, QByteArray()); }, DrawsNothing},
        {"AnotherFace", [](const QString& path) { return QFile::copy(kOtherFace, path); }, DrawsNothing},
        {"Missing", [](const QString&) { return true; },
         [](const QString& path) {
             QFile file(path);
             file.open(QIODevice::ReadOnly);
             return file.errorString();
         }},
    };
}

void PrintTo(const FontCase& c, std::ostream* out) { *out << c.name; }

class PhoneticFontCheck : public ::testing::TestWithParam<FontCase> {
protected:
    // The test program registered the built font at its start; each case
    // starts from a font database without it.
    void SetUp() override { QFontDatabase::removeAllApplicationFonts(); }

    void TearDown() override
    {
        QFontDatabase::removeAllApplicationFonts();
        QFont::removeSubstitutions(QString::fromLatin1(kPhoneticFace));
        RegisterPhoneticFont(kBuiltFont);
        CreateDrawingObjects();
        CreateBarFonts();
    }
};

TEST_P(PhoneticFontCheck, RegistersOnlyAFontThatDrawsTheCodes_ElseGothicAndOneLine)
{
    const FontCase& c = GetParam();
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("triphibian.ttf"));
    ASSERT_TRUE(c.prepare(path));
    const QString reason = c.reason(path);

    ::testing::internal::CaptureStderr();
    const bool registered = RegisterPhoneticFont(path);
    const std::string standardError = ::testing::internal::GetCapturedStderr();
    InstallFontSubstitutions();
    CreateDrawingObjects();
    CreateBarFonts();

    EXPECT_EQ(CodesDrawnBy(PhoneticFont), QString::fromLatin1(kPhoneticCodeCharacters));
    if (reason.isEmpty()) {
        EXPECT_TRUE(registered);
        EXPECT_EQ(standardError, "");
        EXPECT_EQ(QFontInfo(PhoneticFont).family(), QString::fromLatin1(kPhoneticFace));
        // Drawn as the phonetic symbols: schwa for 3, the stress mark for '.
        const QRawFont raw = QRawFont::fromFont(PhoneticFont);
        EXPECT_EQ(raw.glyphIndexesForString(QStringLiteral("3'")),
                  raw.glyphIndexesForString(QString(QChar(0x0259)) + QChar(0x02C8)));
    } else {
        EXPECT_FALSE(registered);
        EXPECT_EQ(standardError, QString::asprintf(kPhoneticFontProblem, path.toLocal8Bit().constData(),
                                                   reason.toLocal8Bit().constData())
                                     .toStdString());
        EXPECT_EQ(QFontInfo(PhoneticFont).family(), QFontInfo(GothicFont).family());
        EXPECT_EQ(QFontInfo(PhoneticFont).family(), QStringLiteral("IPAGothic"));
        EXPECT_EQ(PhoneticFont.pixelSize(), GothicFont.pixelSize());
    }
}

// The characters checked are those the built-in transcriptions use: every
// code of res/phonetic_code.tsv today. An empty set would pass any font.
TEST(PhoneticFontCheck, CodeCharacters_AreThoseOfTheBuiltinTranscriptions)
{
    EXPECT_STREQ(kPhoneticCodeCharacters, "'.0123456789:");
}

INSTANTIATE_TEST_SUITE_P(Files, PhoneticFontCheck, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
