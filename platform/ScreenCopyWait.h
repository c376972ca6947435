#pragma once
#include <QObject>
#include <QTimer>
#include <functional>
#include <vector>

// Switching see-through mode on takes a copy of the screen that has to show
// what lies under the bars: they hide, the window system gets the time to
// repaint the screen without them, the copy is taken, and they show again.
// Drill messages that arrive meanwhile wait, and are handled afterwards in
// the order they came.
class ScreenCopyWait : public QObject {
public:
    struct Steps {
        std::function<void()> hideBars;
        // The copy is taken, or could not be: the bars show again and take
        // their look.
        std::function<void(bool copied)> showBars;
        std::function<void(int message)> dispatch;
    };
    explicit ScreenCopyWait(Steps steps);

    // Hides the bars and waits for the screen to repaint.
    void Start();
    // From Start until the bars show again.
    bool Waiting() const { return m_waiting; }
    // Keeps a drill message for after the copy.
    void Defer(int message) { m_deferred.push_back(message); }
    // The run ended: the copy under way is dropped with the kept messages.
    void Stop();

private:
    void TakeCopy();
    void Complete(bool copied);

    Steps m_steps;
    QTimer m_repaint;
    bool m_waiting = false;
    // Counts the Stops, so that a copy or a round of kept messages begun
    // before one goes no further.
    unsigned m_stops = 0;
    std::vector<int> m_deferred;
};
