#include "app/InstanceGuard.h"

#include "platform/SharedValues.h"
#include "platform/WinMessages.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
constexpr char kWakeRequest[] = "WM_DRILL_SHOW\n";
constexpr char kWakeAnswer[] = "done\n";

QString FileName(const char* suffix)
{
    return QStringLiteral("vokabo-%1%2").arg(::getuid()).arg(QLatin1String(suffix));
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
    const QByteArray socket = QDir(folder).filePath(FileName(".socket")).toLocal8Bit();
    return static_cast<std::size_t>(socket.size()) < sizeof(sockaddr_un{}.sun_path);
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
} // namespace

InstanceGuard::InstanceGuard(QString folder) : m_folder(std::move(folder)) {}

InstanceGuard::~InstanceGuard()
{
    if (m_server)
        m_server->close();
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
    if (!IsHeld())
        return false;
    // Only the lock holder gets here, so a socket file still lying about
    // belongs to an instance that died.
    const QString socket = QDir(m_folder).filePath(FileName(".socket"));
    QLocalServer::removeServer(socket);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &InstanceGuard::OnNewConnection);
    return m_server->listen(socket);
}

void InstanceGuard::OnNewConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, socket, [socket] {
            if (!socket->canReadLine())
                return;
            const QByteArray request = socket->readLine();
            if (request == kWakeRequest)
                SendMessage(BarWindow.data(), WM_DRILL_SHOW);
            socket->write(kWakeAnswer);
            socket->flush();
            socket->disconnectFromServer();
        });
    }
}

bool InstanceGuard::SendWake(int timeoutMs) const
{
    if (m_folder.isEmpty())
        return false;
    QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(QDir(m_folder).filePath(FileName(".socket")));
        if (socket.waitForConnected(qMax<qint64>(1, qMin<qint64>(500, deadline.remainingTime()))))
            break;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    socket.write(kWakeRequest);
    if (!socket.waitForBytesWritten(static_cast<int>(qMax<qint64>(1, deadline.remainingTime()))))
        return false;
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime()))))
            return false;
    }
    return socket.readLine() == kWakeAnswer;
}
