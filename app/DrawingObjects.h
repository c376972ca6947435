#pragma once
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPen>
#include <QPoint>

class QScreen;

// Pens of the raised frame around the bars and the sunken frame around the
// answer edit.
extern QPen RaisedLeftPen;
extern QPen RaisedRightPen;
extern QPen RaisedTopPen;
extern QPen RaisedBottomPen;
extern QPen SunkenLeftPen;
extern QPen SunkenRightPen;
extern QPen SunkenTopPen;
extern QPen SunkenBottomPen;

// The card text: meanings in the Gothic face, words with their
// transcription in the phonetic face.
extern QFont PhoneticFont;
extern QFont GothicFont;

// The see-through look paints each bar in the colour the screen had under
// it when the look was switched on. ScreenDC is the screen that is copied,
// ScreenCopyDC holds the copy.
class ScreenCopy {
public:
    // Copies the whole screen; keeps the previous copy if the grab fails.
    void Take(QScreen* screen);
    // The copy's pixel at a point in screen coordinates; a point outside the
    // copy answers black, as the window system does for such a pixel.
    QColor PixelAt(QPoint screenPoint) const;
    bool IsEmpty() const { return m_image.isNull(); }
    // Number of copies taken since start-up.
    int TakenCount() const { return m_taken; }
    void Reset();

private:
    QImage m_image;
    QPoint m_origin;
    int m_taken = 0;
};
extern QScreen* ScreenDC;
extern ScreenCopy ScreenCopyDC;

// Created once at start-up, released at shutdown.
void CreateDrawingObjects();
void ReleaseDrawingObjects();
