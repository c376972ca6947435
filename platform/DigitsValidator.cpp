#include "platform/DigitsValidator.h"

#include <algorithm>

// Only '0' to '9': the range is read with the standard string-to-integer
// conversion, which knows no other digits (QChar::isDigit would let the
// Arabic-Indic and full-width ones in).
QValidator::State DigitsValidator::validate(QString& input, int&) const
{
    const bool digitsOnly = std::ranges::all_of(input, [](QChar c) { return c >= u'0' && c <= u'9'; });
    return digitsOnly ? Acceptable : Invalid;
}
