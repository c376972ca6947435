#include "platform/SjisText.h"

#include "store/Cp932.h"

QString FromSjis(const std::string& cp932)
{
    // Plain ASCII (words, transcriptions, numbers) is the common case and
    // needs no converter.
    for (unsigned char c : cp932)
        if (c >= 0x80)
            return QString::fromStdString(Cp932ToUtf8(cp932));
    return QString::fromLatin1(cp932.data(), static_cast<qsizetype>(cp932.size()));
}

std::string ToSjis(const QString& text)
{
    for (QChar c : text)
        if (c.unicode() >= 0x80)
            return Utf8ToCp932(text.toStdString());
    return text.toLatin1().toStdString();
}
