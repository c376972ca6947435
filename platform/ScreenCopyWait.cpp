#include "platform/ScreenCopyWait.h"

#include "platform/ScreenCopy.h"

#include <QPointer>

namespace {

// Long enough for the window system to repaint what lay under the bars: a
// copy taken at once still shows them.
constexpr int kScreenRepaintWaitMs = 50;

} // namespace

ScreenCopyWait::ScreenCopyWait(Steps steps) : m_steps(std::move(steps))
{
    m_repaint.setSingleShot(true);
    m_repaint.setInterval(kScreenRepaintWaitMs);
    connect(&m_repaint, &QTimer::timeout, this, [this] { TakeCopy(); });
}

void ScreenCopyWait::Start()
{
    m_steps.hideBars();
    m_waiting = true;
    m_repaint.start();
}

void ScreenCopyWait::Stop()
{
    ++m_stops;
    m_waiting = false;
    m_repaint.stop();
    m_deferred.clear();
}

// A source may answer from the event loop, after the run has ended.
void ScreenCopyWait::TakeCopy()
{
    const unsigned stops = m_stops;
    TakeScreenCopy([self = QPointer<ScreenCopyWait>(this), stops](bool copied) {
        if (self && self->m_stops == stops)
            self->Complete(copied);
    });
}

void ScreenCopyWait::Complete(bool copied)
{
    m_waiting = false;
    m_steps.showBars(copied);

    std::vector<int> deferred;
    deferred.swap(m_deferred);
    const unsigned stops = m_stops;
    for (std::size_t i = 0; i < deferred.size() && m_stops == stops; ++i) {
        if (m_waiting) {
            // A kept switch started another wait; the rest waits for it.
            m_deferred.insert(m_deferred.end(), deferred.begin() + i, deferred.end());
            return;
        }
        m_steps.dispatch(deferred[i]);
    }
}
