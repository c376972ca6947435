#include "app/SessionEnd.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array kSessionSignals{SIGTERM, SIGHUP, SIGINT};

// One pipe for the process; the write end is all a handler touches.
int pipeEnds[2] = {-1, -1};

extern "C" void WriteSignalByte(int signal)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    // A full pipe already holds a signal that has not been read: nothing is
    // lost by dropping this one.
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    errno = savedErrno;
}

void SetHandler(int signal, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

} // namespace

SessionEnd::SessionEnd(std::function<void()> saveFinished) : m_saveFinished(std::move(saveFinished))
{
    if (pipeEnds[0] < 0 && ::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
        pipeEnds[0] = pipeEnds[1] = -1;
    }
    if (pipeEnds[0] >= 0) {
        m_notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &SessionEnd::OnSignal);
        for (int signal : kSessionSignals)
            SetHandler(signal, WriteSignalByte);
    }
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(application, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { m_saveFinished(); });
        connect(application, &QCoreApplication::aboutToQuit, this, [this] { m_saveFinished(); });
    }
}

SessionEnd::~SessionEnd()
{
    if (m_notifier)
        for (int signal : kSessionSignals)
            SetHandler(signal, SIG_DFL);
}

void SessionEnd::OnSignal()
{
    unsigned char byte = 0;
    if (::read(pipeEnds[0], &byte, 1) != 1 || m_signal != 0)
        return;
    m_signal = byte;
    // The program is on its way out; should that hang, a second signal ends
    // it at once, as the learner who presses Ctrl+C twice expects.
    m_notifier->setEnabled(false);
    for (int signal : kSessionSignals)
        SetHandler(signal, SIG_DFL);
    m_saveFinished();
    // Every event loop of this thread ends, and a loop begun from now on
    // returns at once: the dialogs' runs unwind to the main dialog's end.
    QCoreApplication::exit(0);
}

void SessionEnd::RaiseAgain() const
{
    if (m_signal == 0)
        return;
    SetHandler(m_signal, SIG_DFL);
    std::raise(m_signal);
}
