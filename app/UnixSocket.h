#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QDeadlineTimer>
#include <sys/types.h>

// One AF_UNIX stream socket, closed when its owner goes. The descriptor is
// non-blocking, so the user-interface thread never stops on a peer: what
// waits takes a deadline, and what is driven by the event loop (a
// QSocketNotifier on Fd()) takes only what has already arrived.
class UnixSocket {
public:
    // What a read of a line found: the whole line; only part of it so far;
    // the end (the peer closed, an error, or `limit` bytes without a line).
    enum class Line { Whole, Partial, Ended };

    UnixSocket() = default;
    UnixSocket(UnixSocket&& other) noexcept;
    UnixSocket& operator=(UnixSocket&& other) noexcept;
    UnixSocket(const UnixSocket&) = delete;
    UnixSocket& operator=(const UnixSocket&) = delete;
    ~UnixSocket();

    // Whether `path` fits a socket address (sun_path, its closing NUL
    // included).
    static bool Fits(const QByteArray& path);
    // Listens at `path`, which must not exist; the file is made with `mode`
    // whatever the umask. Invalid, with errno set, on failure.
    static UnixSocket Listen(const QByteArray& path, mode_t mode);
    // Connected to whoever listens at `path` now; invalid when nobody does or
    // its queue of connections is full.
    static UnixSocket Connect(const QByteArray& path);
    // The next waiting connection of a listening socket; invalid when none
    // waits (errno EAGAIN) or none can be taken now (errno says why).
    UnixSocket Accept() const;

    bool IsValid() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }

    // All of `bytes`, waiting for room until `deadline`. False when the peer
    // went or the time ran out, however much was sent by then.
    bool Send(QByteArrayView bytes, QDeadlineTimer deadline) const;
    // Appends to `line` what has arrived, without waiting, up to and
    // including the first '\n'; what came after it is not kept.
    Line ReadLine(QByteArray& line, qsizetype limit) const;
    // One line, '\n' included, read until `deadline`; empty when none came.
    QByteArray ReceiveLine(qsizetype limit, QDeadlineTimer deadline) const;

private:
    explicit UnixSocket(int fd) : m_fd(fd) {}
    bool WaitFor(short events, QDeadlineTimer deadline) const;

    int m_fd = -1;
};
