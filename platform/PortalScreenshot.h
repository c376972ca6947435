#pragma once
#include "platform/ScreenCopy.h"

#include <QObject>
#include <optional>

// The screen copy of a Wayland session. The X server there holds only
// XWayland's windows, so a copy of its root window would show black where
// the learner sees other programs; the compositor gives the picture of the
// whole desktop through the desktop portal's Screenshot, without asking the
// learner each time (interactive false). Where the portal is missing,
// refuses or answers nothing usable, there is no copy at all: the drill bar
// then keeps its plain look.
class PortalScreenshotSource : public ScreenCopySource {
public:
    void Take(Taken taken) override;
    void AskPermissionWhileFocused() override;

private:
    bool Offered();
    bool PermissionStored();
    void Ask(const std::shared_ptr<Taken>& pending);

    // Answers that come after the source is gone go nowhere.
    QObject m_owner;
    // Asked of the bus once, at the first copy.
    std::optional<bool> m_offered;
    bool m_registered = false;
    bool m_askedAhead = false;
};
