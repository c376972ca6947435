#include "platform/DrawingObjects.h"

#include "platform/FontSetup.h"

#include <QFontMetrics>
#include <QFontMetricsF>

QPen RaisedLeftPen;
QPen RaisedRightPen;
QPen RaisedTopPen;
QPen RaisedBottomPen;
QPen SunkenLeftPen;
QPen SunkenRightPen;
QPen SunkenTopPen;
QPen SunkenBottomPen;
QFont PhoneticFont;
QFont GothicFont;

namespace {

// Measuring the bar fonts loads six font engines, more than a tenth of a
// start; the main dialog shows neither font, so a drill bar asks for them.
bool barFontsMade = false;

const QColor kWhite(255, 255, 255);
const QColor kGrey(128, 128, 128);

// Inside-frame pens drawn on single lines behave like solid pens of that width.
QPen FramePen(int width, const QColor& colour)
{
    QPen pen(colour, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    return pen;
}

// The bars' text was sized by its character cell: ascent plus descent,
// internal leading included. The card label's height and the byte-count
// widening of the drill bar were measured against that cell.
constexpr int kBarCellHeight = 15;

int CellHeight(QFont font, int pixelSize)
{
    font.setPixelSize(pixelSize);
    const QFontMetrics metrics(font);
    return metrics.ascent() + metrics.descent();
}

// Qt sizes a font by its em, and a face's cell is larger than its em by a
// ratio of its own (1.16 for triphibian, 1.08 for IPAGothic), so the em comes
// from the face that actually resolved, be it the face asked for or whatever
// stands in for it when the font file is missing. Hinting rounds ascent and
// descent separately, so a cell can step over the height: then the largest
// em whose cell stays within it is taken.
int PixelSizeForCell(const QFont& face, int cellHeight)
{
    constexpr int kProbeSize = 100;
    QFont probe(face);
    probe.setPixelSize(kProbeSize);
    const QFontMetricsF metrics(probe);
    const qreal ratio = (metrics.ascent() + metrics.descent()) / kProbeSize;
    if (!(ratio > 0.5 && ratio < 2))
        return cellHeight;
    int size = qMax(1, qRound(cellHeight / ratio));
    while (size > 1 && CellHeight(face, size) > cellHeight)
        --size;
    while (size < 2 * cellHeight && CellHeight(face, size + 1) <= cellHeight)
        ++size;
    return size;
}

QFont BarFont(const char* face, int weight, bool antialiased)
{
    QFont font(InstalledFace(QString::fromLatin1(face)));
    font.setWeight(weight == 0 ? QFont::Normal : static_cast<QFont::Weight>(weight));
    font.setStyleHint(QFont::AnyStyle, antialiased ? QFont::PreferAntialias : QFont::PreferDefault);
    font.setPixelSize(PixelSizeForCell(font, kBarCellHeight));
    return font;
}

} // namespace

void CreateDrawingObjects()
{
    RaisedLeftPen = FramePen(3, kWhite);
    RaisedRightPen = FramePen(3, kGrey);
    RaisedTopPen = FramePen(2, kWhite);
    RaisedBottomPen = FramePen(2, kGrey);
    SunkenLeftPen = FramePen(3, kGrey);
    SunkenRightPen = FramePen(3, kWhite);
    SunkenTopPen = FramePen(2, kGrey);
    SunkenBottomPen = FramePen(2, kWhite);
    GothicFont = QFont();
    PhoneticFont = QFont();
    barFontsMade = false;
}

void CreateBarFonts()
{
    if (barFontsMade)
        return;
    PhoneticFont = BarFont(kPhoneticFace, 400, true);
    GothicFont = BarFont("MS Gothic", 0, false);
    barFontsMade = true;
}

void ReleaseDrawingObjects()
{
    RaisedLeftPen = RaisedRightPen = RaisedTopPen = RaisedBottomPen = QPen();
    SunkenLeftPen = SunkenRightPen = SunkenTopPen = SunkenBottomPen = QPen();
    GothicFont = QFont();
    PhoneticFont = QFont();
    barFontsMade = false;
}
