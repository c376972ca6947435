#include "app/DrawingObjects.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

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
QScreen* ScreenDC = nullptr;
ScreenCopy ScreenCopyDC;

namespace {

const QColor kWhite(255, 255, 255);
const QColor kGrey(128, 128, 128);

// Inside-frame pens drawn on single lines behave like solid pens of that width.
QPen FramePen(int width, const QColor& colour)
{
    QPen pen(colour, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    return pen;
}

QFont BarFont(const char* face, int weight, bool antialiased)
{
    QFont font(QString::fromLatin1(face));
    font.setPixelSize(15);
    font.setWeight(weight == 0 ? QFont::Normal : static_cast<QFont::Weight>(weight));
    font.setStyleHint(QFont::AnyStyle, antialiased ? QFont::PreferAntialias : QFont::PreferDefault);
    return font;
}

} // namespace

void ScreenCopy::Take(QScreen* screen)
{
    if (!screen)
        return;
    const QPixmap grab = screen->grabWindow(0);
    ++m_taken;
    if (grab.isNull())
        return;
    m_image = grab.toImage();
    m_origin = screen->geometry().topLeft();
}

QColor ScreenCopy::PixelAt(QPoint screenPoint) const
{
    const QPoint p = screenPoint - m_origin;
    if (m_image.isNull() || !m_image.rect().contains(p))
        return QColor(0, 0, 0);
    return m_image.pixelColor(p);
}

void ScreenCopy::Reset()
{
    m_image = QImage();
    m_taken = 0;
}

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
    PhoneticFont = BarFont("triphibian", 400, true);
    GothicFont = BarFont("MS Gothic", 0, false);
    ScreenDC = QGuiApplication::primaryScreen();
}

void ReleaseDrawingObjects()
{
    ScreenCopyDC.Reset();
    ScreenDC = nullptr;
    RaisedLeftPen = RaisedRightPen = RaisedTopPen = RaisedBottomPen = QPen();
    SunkenLeftPen = SunkenRightPen = SunkenTopPen = SunkenBottomPen = QPen();
    GothicFont = QFont();
    PhoneticFont = QFont();
}
