#include "app/InstanceGuard.h"

#include "platform/SharedValues.h"
#include "platform/WinMessages.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr char kWakeRequest[] = "WM_DRILL_SHOW\n";
constexpr char kWakeAnswer[] = "done\n";
// Longer than either line: more without a '\n' is not a wake.
constexpr qsizetype kLineLimit = 64;
// Between a second start's tries to connect while the running instance is
// still starting up.
constexpr int kConnectRetryMs = 50;
// Between tries to take a connection when none could be had for want of
// descriptors.
constexpr int kAcceptPauseMs = 200;
// The socket is only the learner's to use; its folder already keeps other
// users out of most places it can lie in, but not of the data folder.
constexpr mode_t kSocketMode = S_IRWXU;

QString FileName(const char* suffix)
{
    return QStringLiteral("vokabo-%1%2").arg(::getuid()).arg(QLatin1String(suffix));
}

QByteArray SocketPath(const QString& folder)
{
    return QDir(folder).filePath(FileName(".socket")).toLocal8Bit();
}

// Nobody but this user can add, remove or replace what such a folder holds,
// so a lock or socket found there is this user's own.
bool IsPrivateFolder(const QString& folder, bool followLink)
{
    const QByteArray path = folder.toLocal8Bit();
    struct stat info {};
    if ((followLink ? ::stat(path.constData(), &info) : ::lstat(path.constData(), &info)) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// A socket's path has to fit sun_path (108 bytes on Linux, the closing NUL
// included). In a deeper folder the lock would work but listening would fail,
// and a second start could no longer wake the drill bar.
bool SocketFitsIn(const QString& folder)
{
    return UnixSocket::Fits(SocketPath(folder));
}

bool IsUsableFolder(const QString& folder, bool followLink)
{
    return QDir::isAbsolutePath(folder) && IsPrivateFolder(folder, followLink) && SocketFitsIn(folder);
}

// Only the last step is made: a folder whose parent is missing is no place
// of this user's to make.
bool MakePrivateFolder(const QString& folder)
{
    return QDir::isAbsolutePath(folder) &&
           (::mkdir(folder.toLocal8Bit().constData(), 0700) == 0 || errno == EEXIST);
}

// As the XDG base directories have it: a relative value is ignored.
QString CacheFolder(const QString& cacheHome, const QString& home)
{
    if (QDir::isAbsolutePath(cacheHome))
        return cacheHome;
    if (QDir::isAbsolutePath(home))
        return QDir(home).filePath(QStringLiteral(".cache"));
    return {};
}

// One second start's connection. It is answered once its request line is
// whole, and dropped, unanswered, when the peer goes, sends more than a line
// without its end, or has sent no line within the time a second start
// waits: a peer that connects and stays silent must not keep its descriptor
// for good.
class WakeConnection : public QObject {
public:
    WakeConnection(UnixSocket socket, QObject* parent)
        : QObject(parent), m_socket(std::move(socket)), m_notifier(m_socket.Fd(), QSocketNotifier::Read)
    {
        connect(&m_notifier, &QSocketNotifier::activated, this, &WakeConnection::OnReadable);
        m_limit.setSingleShot(true);
        connect(&m_limit, &QTimer::timeout, this, &WakeConnection::Close);
        m_limit.start(InstanceGuard::kWakeTimeoutMs);
    }

private:
    void OnReadable()
    {
        const UnixSocket::Line state = m_socket.ReadLine(m_request, kLineLimit);
        if (state == UnixSocket::Line::Partial)
            return;
        // Quiet before the bar gets the wake: should its handling ever turn
        // the event loop, this connection is neither read again nor deleted
        // under its own feet meanwhile.
        m_notifier.setEnabled(false);
        m_limit.stop();
        if (state == UnixSocket::Line::Whole) {
            if (m_request == kWakeRequest)
                SendMessage(BarWindow.data(), WM_DRILL_SHOW);
            // A few bytes into a fresh connection's empty buffer: there is
            // always room, so this never waits.
            m_socket.Send(kWakeAnswer, QDeadlineTimer(0));
        }
        Close();
    }

    void Close()
    {
        m_notifier.setEnabled(false);
        deleteLater();
    }

    UnixSocket m_socket;
    QSocketNotifier m_notifier; // goes before the descriptor it watches
    QTimer m_limit;
    QByteArray m_request;
};
} // namespace

InstanceGuard::InstanceGuard(QString folder) : m_folder(std::move(folder)) {}

InstanceGuard::~InstanceGuard()
{
    // The socket goes while the lock is still held: a start that takes the
    // lock next makes its own, which this one must not remove.
    if (m_listener.IsValid()) {
        m_listenerNotifier.reset();
        ::unlink(SocketPath(m_folder).constData());
        m_listener = UnixSocket();
    }
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

QString InstanceGuard::RuntimeFolder(const Places& places)
{
    if (IsUsableFolder(places.session, true))
        return places.session;
    // Any local user can make "vokabo-UID" under /tmp first. mkdir refuses
    // anything already there, a planted link included; what is there is then
    // judged as it is, without following links.
    const QString shared = QDir(places.shared).filePath(FileName(""));
    if (MakePrivateFolder(shared) && IsUsableFolder(shared, false))
        return shared;
    // Then the learner's own folders, which nobody else can take first. The
    // cache folder comes before the data folder: like the runtime folder it
    // is the same for every start of this user, wherever the start was made,
    // and the lock file stays out of the learner's folder with save.db in it.
    // The data folder is the last resort, with HOME missing or read-only: it
    // is there (save.db was opened in it) but is only met by starts in it.
    const QString cache = CacheFolder(places.cacheHome, places.home);
    if (MakePrivateFolder(cache) && IsUsableFolder(cache, true))
        return cache;
    if (IsUsableFolder(places.data, true))
        return places.data;
    return {};
}

QString InstanceGuard::RuntimeFolder()
{
    // Not TMPDIR: two starts of one user must meet whatever their TMPDIR.
    return RuntimeFolder({qEnvironmentVariable("XDG_RUNTIME_DIR"), QStringLiteral("/tmp"),
                          qEnvironmentVariable("XDG_CACHE_HOME"), qEnvironmentVariable("HOME"), QDir::currentPath()});
}

InstanceGuard::Claim InstanceGuard::TryAcquire()
{
    if (m_lockFd >= 0)
        return Claim::Held;
    if (m_folder.isEmpty()) {
        m_problem = QStringLiteral("no private folder for the instance lock (XDG_RUNTIME_DIR, /tmp/%1, "
                                   "XDG_CACHE_HOME or the data folder)")
                        .arg(FileName(""));
        return Claim::Unavailable;
    }
    const QString path = QDir(m_folder).filePath(FileName(".lock"));
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        m_problem = QStringLiteral("cannot open the instance lock %1: %2").arg(path, qt_error_string(errno));
        return Claim::Unavailable;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            return Claim::OtherInstance;
        m_problem = QStringLiteral("cannot lock the instance lock %1: %2").arg(path, qt_error_string(error));
        return Claim::Unavailable;
    }
    m_lockFd = fd;
    return Claim::Held;
}

bool InstanceGuard::Listen()
{
    if (!IsHeld() || m_listener.IsValid())
        return m_listener.IsValid();
    // Only the lock holder gets here, so a socket file still lying about
    // belongs to an instance that died; so does anything else in its place.
    const QByteArray path = SocketPath(m_folder);
    ::unlink(path.constData());
    m_listener = UnixSocket::Listen(path, kSocketMode);
    if (!m_listener.IsValid())
        return false;
    m_listenerNotifier = std::make_unique<QSocketNotifier>(m_listener.Fd(), QSocketNotifier::Read);
    connect(m_listenerNotifier.get(), &QSocketNotifier::activated, this, &InstanceGuard::OnNewConnection);
    return true;
}

void InstanceGuard::OnNewConnection()
{
    for (;;) {
        UnixSocket connection = m_listener.Accept();
        if (!connection.IsValid())
            break;
        new WakeConnection(std::move(connection), this);
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK)
        return;
    // Out of descriptors: the connection stays queued, and the notifier
    // would call again at once for as long as the shortage lasts.
    m_listenerNotifier->setEnabled(false);
    QTimer::singleShot(kAcceptPauseMs, this, [this] { m_listenerNotifier->setEnabled(true); });
}

bool InstanceGuard::SendWake(int timeoutMs) const
{
    if (m_folder.isEmpty())
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    const QByteArray path = SocketPath(m_folder);
    UnixSocket socket;
    // The running instance may still be starting up: its socket not there
    // yet, or not yet listening.
    while (!(socket = UnixSocket::Connect(path)).IsValid()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(static_cast<unsigned long>(qMin<qint64>(kConnectRetryMs, deadline.remainingTime())));
    }
    return socket.Send(kWakeRequest, deadline) && socket.ReceiveLine(kLineLimit, deadline) == kWakeAnswer;
}
