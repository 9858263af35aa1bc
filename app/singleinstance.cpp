#include "app/singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

#include <memory>

namespace {
const QByteArray kActivate = QByteArrayLiteral("activate");
const QByteArray kWatched = QByteArrayLiteral("watched ");
const QByteArray kError = QByteArrayLiteral("error ");
// Characters that stay readable in a path; everything else is encoded.
const QByteArray kKeep = QByteArrayLiteral("/\\:.,_-()[]'!+=~");
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
    return send({ActivateLine()}, timeoutMs);
}

bool SingleInstance::send(const QList<QByteArray> &lines, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    for (const QByteArray &line : lines)
        socket.write(line);
    socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeoutMs);
    return true;
}

QByteArray SingleInstance::ActivateLine() { return kActivate + '\n'; }

QByteArray SingleInstance::WatchedLine(const QString &loc)
{
    return kWatched + loc.toUtf8().toPercentEncoding(kKeep) + '\n';
}

QByteArray SingleInstance::ErrorLine(const QString &message)
{
    return kError + message.toUtf8().toPercentEncoding(kKeep) + '\n';
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
        // Requests may arrive in pieces; a line is handled once it is complete,
        // and a last line without its line break when the client hangs up.
        auto pending = std::make_shared<QByteArray>();
        const auto readLines = [this, socket, pending] {
            pending->append(socket->readAll());
            qsizetype end;
            while ((end = pending->indexOf('\n')) >= 0) {
                handleLine(pending->left(end));
                pending->remove(0, end + 1);
            }
        };
        const auto finish = [this, socket, pending, readLines] {
            readLines();
            if (!pending->isEmpty())
                handleLine(*pending);
            pending->clear();
            socket->deleteLater();
        };
        connect(socket, &QLocalSocket::readyRead, this, readLines);
        connect(socket, &QLocalSocket::disconnected, this, finish);
        // The request, and even the hang-up, may have come with the connection.
        if (socket->state() == QLocalSocket::UnconnectedState)
            finish();
        else if (socket->bytesAvailable() > 0)
            readLines();
    }
}

void SingleInstance::handleLine(const QByteArray &line)
{
    const QByteArray text = line.endsWith('\r') ? line.chopped(1) : line;
    if (text.startsWith(kWatched))
        emit watchedReported(QString::fromUtf8(QByteArray::fromPercentEncoding(text.mid(kWatched.size()))));
    else if (text.startsWith(kError))
        emit playerErrorReported(QString::fromUtf8(QByteArray::fromPercentEncoding(text.mid(kError.size()))));
    else if (text.trimmed() == kActivate)
        emit activationRequested();
}
