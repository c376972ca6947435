#pragma once
#include <QFont>
#include <QPen>

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

// Created once at start-up, released at shutdown. The bar fonts are left
// empty until CreateBarFonts; creating the objects again drops the fonts, to
// be measured anew (the phonetic font may have been registered meanwhile).
void CreateDrawingObjects();
void ReleaseDrawingObjects();

// Measures PhoneticFont and GothicFont unless they are made already. Every
// drill bar calls it when it is built, before it shows a card.
void CreateBarFonts();
