#pragma once
#include <QIcon>

// Icon 144: the drill bar's icon, also the application's in the window list
// and the desktop menu.
QIcon VokaboIcon();
