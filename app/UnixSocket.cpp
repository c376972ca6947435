#include "app/UnixSocket.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace {
// Enough for a burst of starts at one moment; a start that finds the queue
// full tries again (see Connect).
constexpr int kBacklog = 50;

bool ToAddress(const QByteArray& path, sockaddr_un& address)
{
    if (!UnixSocket::Fits(path))
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()) + 1);
    return true;
}

int NewSocket()
{
    return ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
}

bool WouldBlock(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK;
}
} // namespace

UnixSocket::UnixSocket(UnixSocket&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

UnixSocket& UnixSocket::operator=(UnixSocket&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

UnixSocket::~UnixSocket()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool UnixSocket::Fits(const QByteArray& path)
{
    return !path.isEmpty() && static_cast<std::size_t>(path.size()) < sizeof(sockaddr_un{}.sun_path) &&
           !path.contains('\0');
}

UnixSocket UnixSocket::Listen(const QByteArray& path, mode_t mode)
{
    sockaddr_un address{};
    if (!ToAddress(path, address)) {
        errno = ENAMETOOLONG;
        return {};
    }
    UnixSocket socket(NewSocket());
    // bind makes the file with the socket's own mode, less the umask: set
    // before, no other user can connect between the bind and the chmod that
    // puts back what the umask took.
    if (!socket.IsValid() || ::fchmod(socket.m_fd, mode) != 0)
        return {};
    if (::bind(socket.m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return {};
    if (::chmod(path.constData(), mode) != 0 || ::listen(socket.m_fd, kBacklog) != 0) {
        const int error = errno;
        ::unlink(path.constData());
        errno = error;
        return {};
    }
    return socket;
}

UnixSocket UnixSocket::Connect(const QByteArray& path)
{
    sockaddr_un address{};
    if (!ToAddress(path, address))
        return {};
    UnixSocket socket(NewSocket());
    // A local connection is made or refused at once; a full queue (EAGAIN)
    // is refused too rather than waited on, and the caller tries again.
    if (!socket.IsValid() || ::connect(socket.m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return {};
    return socket;
}

UnixSocket UnixSocket::Accept() const
{
    for (;;) {
        const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0)
            return UnixSocket(fd);
        // A peer that gave up while queued is skipped, not taken for the end
        // of the queue.
        if (errno != EINTR && errno != ECONNABORTED)
            return {};
    }
}

bool UnixSocket::Send(QByteArrayView bytes, QDeadlineTimer deadline) const
{
    while (!bytes.isEmpty()) {
        // MSG_NOSIGNAL: a peer that went is a false here, not SIGPIPE.
        const ssize_t sent = ::send(m_fd, bytes.data(), static_cast<std::size_t>(bytes.size()), MSG_NOSIGNAL);
        if (sent > 0)
            bytes = bytes.sliced(sent);
        else if (sent < 0 && errno == EINTR)
            continue;
        else if (!(sent < 0 && WouldBlock(errno) && WaitFor(POLLOUT, deadline)))
            return false;
    }
    return true;
}

UnixSocket::Line UnixSocket::ReadLine(QByteArray& line, qsizetype limit) const
{
    for (;;) {
        if (const qsizetype end = line.indexOf('\n'); end >= 0) {
            line.truncate(end + 1);
            return Line::Whole;
        }
        if (line.size() >= limit)
            return Line::Ended;
        char chunk[64];
        const std::size_t room = std::min<std::size_t>(sizeof chunk, static_cast<std::size_t>(limit - line.size()));
        const ssize_t got = ::recv(m_fd, chunk, room, 0);
        if (got > 0)
            line.append(chunk, got);
        else if (got < 0 && errno == EINTR)
            continue;
        else
            return got < 0 && WouldBlock(errno) ? Line::Partial : Line::Ended;
    }
}

QByteArray UnixSocket::ReceiveLine(qsizetype limit, QDeadlineTimer deadline) const
{
    QByteArray line;
    for (;;) {
        switch (ReadLine(line, limit)) {
        case Line::Whole:
            return line;
        case Line::Ended:
            return {};
        case Line::Partial:
            if (!WaitFor(POLLIN, deadline))
                return {};
        }
    }
}

// True when the socket is ready, or has failed (the next call then says
// so); false when the deadline passed first.
bool UnixSocket::WaitFor(short events, QDeadlineTimer deadline) const
{
    pollfd entry{m_fd, events, 0};
    for (;;) {
        const qint64 remaining = deadline.remainingTime();
        const int timeout = remaining < 0 ? -1 : static_cast<int>(std::min<qint64>(remaining, INT_MAX));
        const int ready = ::poll(&entry, 1, timeout);
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}
