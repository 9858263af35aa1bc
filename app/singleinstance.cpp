#include "app/singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace {
const QByteArray kActivate = QByteArrayLiteral("activate\n");
} // namespace

SingleInstance::SingleInstance(const QString &appPath, QObject *parent)
    : QObject(parent), m_name(ServerName(appPath))
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::ServerName(const QString &appPath)
{
    // Folders spelled differently (trailing separator, "..") are the same folder.
    QString folder = QDir::cleanPath(QDir(appPath).absolutePath());
#ifdef Q_OS_WIN
    folder = folder.toLower();
#endif
    const QByteArray hash = QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return u"Cinevue-"_qs + QString::fromLatin1(hash);
}

bool SingleInstance::activateRunning(int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(kActivate);
    socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::listen()
{
    if (m_server)
        return m_server->isListening();
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        // Nobody answered activateRunning(), so a socket that is still there
        // was left by an instance that ended without removing it.
        QLocalServer::removeServer(m_name);
        if (!m_server->listen(m_name)) {
            qWarning("Cinevue: cannot listen for later starts: %s", qPrintable(m_server->errorString()));
            return false;
        }
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    return true;
}

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            const QByteArray data = socket->readAll();
            if (data.contains(kActivate.trimmed()))
                emit activationRequested();
        });
        // The request may have arrived with the connection.
        if (socket->bytesAvailable() > 0)
            emit socket->readyRead();
    }
}
