#include "app/single_instance.h"

#include <QDir>
#include <QLocalSocket>

namespace stowfolio {

namespace {

constexpr int kWaitMs = 2000;
const QByteArray kActivate = QByteArrayLiteral("activate\n");

QString socketPath(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("window.socket"));
}

} // namespace

SingleInstance::SingleInstance(const QString& folder)
    : m_folder(folder), m_lock(QDir(folder).filePath(QStringLiteral("window.lock")))
{
    // A lock left by a window that was killed names a process that is gone, and QLockFile
    // takes it over; a live window's lock is never broken, however old.
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim()
{
    if (!m_lock.tryLock(0)) {
        QLocalSocket socket;
        socket.connectToServer(socketPath(m_folder));
        if (socket.waitForConnected(kWaitMs)) {
            socket.write(kActivate);
            socket.waitForBytesWritten(kWaitMs);
            socket.disconnectFromServer();
        }
        return false;
    }
    // The socket of a window that was killed is still there; the lock says it is ours now.
    QLocalServer::removeServer(socketPath(m_folder));
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server.get(), &QLocalServer::newConnection, this, &SingleInstance::acceptActivation);
    m_server->listen(socketPath(m_folder));
    return true;
}

void SingleInstance::acceptActivation()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->readAll().contains(kActivate.trimmed()) && m_activate)
                m_activate();
        });
    }
}

} // namespace stowfolio
