#pragma once
#include <QObject>
#include <functional>

class QSocketNotifier;

// The end of the learner's session reaches the program as a signal (SIGTERM
// at logout or shutdown, SIGHUP when the terminal goes, SIGINT from Ctrl+C)
// or from the session manager (commitDataRequest, aboutToQuit). A finished
// drill must not be lost to any of them, while a drill in progress is given
// up as when its bar is closed. Signals are turned into an event of the
// user-interface thread through a self-pipe: a handler may do nothing but
// write a byte, and the store's connection belongs to that thread.
//
// On a signal, `saveFinished` runs, then every event loop of the program
// ends (the modal runs of the dialogs and boxes with it), so the program
// unwinds the normal way: dialogs closed, the connection closed, the lock
// and socket released. The session manager's requests only run
// `saveFinished`: the session may still be cancelled.
class SessionEnd : public QObject {
    Q_OBJECT
public:
    explicit SessionEnd(std::function<void()> saveFinished);
    ~SessionEnd() override;

    // The signal that ended the program, 0 when none did.
    int Signal() const { return m_signal; }
    // Ends the process by that signal, its default action restored, so the
    // caller sees the program ended as it was asked to. Call after the
    // program has cleaned up; returns only when no signal ended it.
    void RaiseAgain() const;

private:
    void OnSignal();

    std::function<void()> m_saveFinished;
    QSocketNotifier* m_notifier = nullptr;
    int m_signal = 0;
};
