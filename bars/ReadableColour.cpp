#include "bars/ReadableColour.h"

#include <algorithm>
#include <cmath>

namespace {

double Linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double RelativeLuminance(const QColor& colour)
{
    const QColor rgb = colour.toRgb();
    return 0.2126 * Linear(rgb.redF()) + 0.7152 * Linear(rgb.greenF()) + 0.0722 * Linear(rgb.blueF());
}

// The colour as the screen shows it: eight bits a channel. A colour found
// readable is checked in that form, so rounding cannot take it below.
QColor OnScreen(const QColor& colour) { return QColor(colour.rgb()); }

} // namespace

double ContrastRatio(const QColor& a, const QColor& b)
{
    const double la = RelativeLuminance(a);
    const double lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableOn(const QColor& text, const QColor& background)
{
    if (ContrastRatio(text, background) >= kReadableContrast)
        return text;
    // Lightness moves every channel the same way, so the contrast grows
    // steadily on the way to black or white: halving finds the first
    // lightness that reads, the least change of the colour.
    const bool darken = ContrastRatio(Qt::black, background) >= ContrastRatio(Qt::white, background);
    float hue = 0;
    float saturation = 0;
    float lightness = 0;
    text.toHsl().getHslF(&hue, &saturation, &lightness);
    // A grey has no colour of its own to keep: the plainest text is best.
    if (hue < 0 || saturation == 0)
        return darken ? QColor(Qt::black) : QColor(Qt::white);
    const auto at = [&](float l) { return OnScreen(QColor::fromHslF(hue, saturation, l)); };
    float unreadable = lightness;
    float readable = darken ? 0.0f : 1.0f;
    for (int step = 0; step < 16; ++step) {
        const float middle = (unreadable + readable) / 2;
        if (ContrastRatio(at(middle), background) >= kReadableContrast)
            readable = middle;
        else
            unreadable = middle;
    }
    return at(readable);
}
