#include "app/FontSetup.h"

#include <QFont>
#include <QString>
#include <QStringList>

void InstallFontSubstitutions()
{
    // The bars size themselves by bytes of CP932 text, which assumes a
    // fixed-pitch face with half-width ASCII: IPAGothic has that, its sibling
    // IPAPGothic is proportional and would not fit the arithmetic.
    QFont::insertSubstitution(QStringLiteral("MS Gothic"), QStringLiteral("IPAGothic"));
    // The dialogs only need a readable face that has Japanese glyphs.
    QFont::insertSubstitutions(QStringLiteral("System"),
                               {QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP"),
                                QStringLiteral("IPAGothic")});
}
