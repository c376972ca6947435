#include "platform/FontSetup.h"

#include "store/BuiltinLists.h"

#include <QByteArray>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QList>
#include <QRawFont>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <initializer_list>

namespace {

// The bars size themselves by bytes of CP932 text, which assumes a
// fixed-pitch face with half-width ASCII: IPAGothic has that, its sibling
// IPAPGothic is proportional and would not fit the arithmetic.
constexpr char kGothicFace[] = "IPAGothic";

// The installed faces that stand for a face the system may lack, best first.
struct FaceSubstitutes {
    const char* face;
    std::initializer_list<const char*> substitutes;
};
// The faces of the Windows program. The dialogs only need a readable face
// that has Japanese glyphs.
const FaceSubstitutes kWindowsFaces[] = {
    {"MS Gothic", {kGothicFace}},
    {"System", {"IPAPGothic", "Noto Sans CJK JP", kGothicFace}},
};
// A phonetic font that could not be registered leaves its name to the
// Gothic face.
const FaceSubstitutes kPhoneticStandIn = {kPhoneticFace, {kGothicFace}};

const FaceSubstitutes* SubstitutesOf(const QString& face)
{
    for (const FaceSubstitutes* entry : {&kWindowsFaces[0], &kWindowsFaces[1], &kPhoneticStandIn})
        if (face.compare(QLatin1String(entry->face), Qt::CaseInsensitive) == 0)
            return entry;
    return nullptr;
}

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
    for (const char* substitute : kPhoneticStandIn.substitutes)
        QFont::insertSubstitution(QString::fromLatin1(kPhoneticFace), QString::fromLatin1(substitute));
    return false;
}

// Qt keeps its substitutes in lower case, so the names come from the table:
// a font asked for by its family's own spelling is the font Qt reports.
QString InstalledFace(const QString& face)
{
    if (QFontDatabase::hasFamily(face))
        return face;
    if (const FaceSubstitutes* entry = SubstitutesOf(face))
        for (const char* substitute : entry->substitutes)
            if (QFontDatabase::hasFamily(QString::fromLatin1(substitute)))
                return QString::fromLatin1(substitute);
    return face;
}

// Anything that still asks for a Windows face by name finds the same face.
void InstallFontSubstitutions()
{
    for (const FaceSubstitutes& entry : kWindowsFaces)
        for (const char* substitute : entry.substitutes)
            QFont::insertSubstitution(QString::fromLatin1(entry.face), QString::fromLatin1(substitute));
}
