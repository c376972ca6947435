#pragma once

#include "keyhook/HotKeyBackend.h"

#include <QObject>

// Where keys cannot be taken from the whole desktop (Wayland, offscreen), the
// hot keys work while one of the program's own windows has the focus: an
// application-wide event filter takes them before any widget sees them.
class InAppHotKeyFilter final : public QObject, public HotKeyBackend {
    Q_OBJECT

public:
    explicit InAppHotKeyFilter(Sink sink);
    ~InAppHotKeyFilter() override;

    bool listen() override;
    void stop() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Sink m_sink;
    bool m_listening = false;
};
