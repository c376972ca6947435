#include "platform/FontSetup.h"

#include "store/BuiltinLists.h"

#include <QByteArray>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QList>
#include <QRawFont>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdio>

namespace {

// The bars size themselves by bytes of CP932 text, which assumes a
// fixed-pitch face with half-width ASCII: IPAGothic has that, its sibling
// IPAPGothic is proportional and would not fit the arithmetic.
constexpr char kGothicFace[] = "IPAGothic";

// A font that registers can still draw nothing: a copy cut short loses the
// outlines at its end, where the phonetic symbols were added to the face, and
// a file whose blocks were never written keeps its character map over
// outlines of zeros. So each code character must map to a glyph whose
// outline loads and covers an area. The bounding box loads the outline
// unhinted at the given size; a path would run the face's hinting program at
// its full em, forty times the instructions.
bool DrawsCodeCharacters(const QByteArray& file)
{
    const QRawFont face(file, 15, QFont::PreferNoHinting);
    if (!face.isValid() || face.familyName() != QLatin1String(kPhoneticFace))
        return false;
    const QList<quint32> glyphs = face.glyphIndexesForString(QString::fromLatin1(kPhoneticCodeCharacters));
    return std::ranges::none_of(glyphs,
                                [&face](quint32 glyph) { return glyph == 0 || face.boundingRect(glyph).isEmpty(); });
}

void ReportUnusable(const QString& path, const QString& reason)
{
    std::fprintf(stderr, kPhoneticFontProblem, path.toLocal8Bit().constData(), reason.toLocal8Bit().constData());
}

} // namespace

// The file is read once and registered from memory, so what was checked is
// what is registered. Nothing unusable is registered: with no face of that
// name known, Qt resolves the name through the substitution, as it does for
// "MS Gothic".
bool RegisterPhoneticFont(const QString& path)
{
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        ReportUnusable(path, file.errorString());
    else if (!DrawsCodeCharacters(bytes))
        ReportUnusable(path, QString::fromLatin1(kPhoneticFontDrawsNothing));
    else if (QFontDatabase::addApplicationFontFromData(bytes) < 0)
        ReportUnusable(path, QString::fromLatin1(kPhoneticFontRefused));
    else
        return true;
    QFont::insertSubstitution(QString::fromLatin1(kPhoneticFace), QString::fromLatin1(kGothicFace));
    return false;
}

void InstallFontSubstitutions()
{
    QFont::insertSubstitution(QStringLiteral("MS Gothic"), QString::fromLatin1(kGothicFace));
    // The dialogs only need a readable face that has Japanese glyphs.
    QFont::insertSubstitutions(QStringLiteral("System"),
                               {QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP"),
                                QString::fromLatin1(kGothicFace)});
}
