#pragma once
#include <QEvent>
#include <QString>
#include <QStringList>

class QObject;

// Private window messages of the program. They keep their historical
// numbers above WM_USER; every value lies inside Qt's range of user event
// types, so each is simply a QEvent of that type.
inline constexpr int WM_USER = 0x400;

enum DrillMessage : int {
    WM_DRILL_NEXT = WM_USER + 1,
    WM_DRILL_ANSWER = WM_USER + 2,
    WM_DRILL_PREV = WM_USER + 3,
    WM_DRILL_SPELL = WM_USER + 4,
    WM_DRILL_CLOSE = WM_USER + 5,
    WM_DRILL_REVEAL = WM_USER + 6,
    WM_DRILL_MARK = WM_USER + 7,
    WM_DRILL_MINIMIZE = WM_USER + 8,
    WM_DRILL_SEETHROUGH = WM_USER + 9,
    WM_DRILL_SHOW = WM_USER + 10,
};

// The list control's requests to its parent.
inline constexpr int UWM_COMBO_ITEMS = 0x83FC;
inline constexpr int UWM_CELL_EDITED = 0x83FD;

static_assert(int(WM_DRILL_NEXT) > int(QEvent::User) && UWM_CELL_EDITED < int(QEvent::MaxUser));

// A message with parameters. The drill messages carry none (both are 0), so
// they travel as plain QEvents; the list control's messages carry a control
// ID or column in wParam and a pointer in lParam, and may return a result.
class WinMessage : public QEvent {
public:
    WinMessage(int message, quintptr wParam, void* lParam)
        : QEvent(static_cast<QEvent::Type>(message)), wParam(wParam), lParam(lParam)
    {
    }
    quintptr wParam;
    void* lParam;
    long result = 0;
};

// Synchronous: returns once the receiver has handled the message. A null
// receiver takes nothing, like a message sent to no window.
long SendMessage(QObject* receiver, int message, quintptr wParam = 0, void* lParam = nullptr);

// The end-of-edit record of the list control: row, column and the new text.
struct CellEditRecord {
    int row = -1;
    int column = -1;
    QString text;
};
