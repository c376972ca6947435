#include "app/InstanceGuard.h"

#include "app/SharedValues.h"
#include "app/WinMessages.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
constexpr char kWakeRequest[] = "WM_DRILL_SHOW\n";
constexpr char kWakeAnswer[] = "done\n";

QString LockDirectory()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(QString::fromLocal8Bit(runtime)).exists())
        return QString::fromLocal8Bit(runtime);
    return QDir::tempPath();
}
} // namespace

InstanceGuard::InstanceGuard(QString name, QObject* parent) : QObject(parent), m_name(std::move(name)) {}

InstanceGuard::~InstanceGuard()
{
    if (m_server)
        m_server->close();
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

QString InstanceGuard::DefaultName() { return QStringLiteral("vokabo-%1").arg(::getuid()); }

bool InstanceGuard::TryAcquire()
{
    if (m_lockFd >= 0)
        return true;
    const QByteArray path = QDir(LockDirectory()).filePath(m_name + QStringLiteral(".lock")).toLocal8Bit();
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_lockFd = fd;
    return true;
}

bool InstanceGuard::Listen()
{
    if (!IsHeld())
        return false;
    // Only the lock holder gets here, so a socket file still lying about
    // belongs to an instance that died.
    QLocalServer::removeServer(m_name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &InstanceGuard::OnNewConnection);
    return m_server->listen(m_name);
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
    QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(m_name);
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
