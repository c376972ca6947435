#pragma once
#include "app/ScreenCopy.h"

#include <QObject>
#include <optional>

// The screen copy of a Wayland session. The X server there holds only
// XWayland's windows, so a copy of its root window shows the wrong colours;
// the compositor gives the picture of the whole desktop through the desktop
// portal's Screenshot, without asking the learner each time (interactive
// false). Where the portal is missing, refuses or answers nothing usable,
// the copy comes from Qt's grab as in an X11 session.
class PortalScreenshotSource : public ScreenCopySource {
public:
    void Take(Taken taken) override;

private:
    bool Offered();
    void FallBack(const Taken& taken);

    // Answers that come after the source is gone go nowhere.
    QObject m_owner;
    // Asked of the bus once, at the first copy.
    std::optional<bool> m_offered;
    ScreenGrabSource m_grab;
};
