#pragma once
#include <QColor>

// The contrast below which text on a background stops being readable for
// many learners: WCAG's 4.5:1 for text of ordinary size, which the card's
// 9-point faces are.
inline constexpr double kReadableContrast = 4.5;

// WCAG's contrast ratio of two opaque colours, 1 to 21.
double ContrastRatio(const QColor& a, const QColor& b);

// `text` itself when it reads on `background`; otherwise the nearest colour
// of the same hue and saturation, darker on a light background and lighter
// on a dark one, that does; a grey becomes black or white. Some such colour
// always exists: black or white has at least 4.58:1 against any colour.
QColor ReadableOn(const QColor& text, const QColor& background);
