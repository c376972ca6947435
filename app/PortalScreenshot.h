#pragma once
#include <QImage>
#include <functional>

class QObject;

// The screen copy of a Wayland session. The X server there holds only
// XWayland's windows, so a copy of its root window shows the wrong colours;
// the compositor gives the picture through the desktop portal's Screenshot,
// without asking the learner each time (interactive false).
namespace PortalScreenshot {

// Whether the session's portal offers Screenshot at all.
bool Offered();

// Asks for a picture of the whole desktop; `done` gets it, or a null image
// when the portal refuses, answers nothing usable or takes longer than a
// learner waits for the look to switch. Never waits itself; `done` runs at
// most once, and never after `owner` is gone.
void Take(QObject* owner, std::function<void(const QImage&)> done);

} // namespace PortalScreenshot
