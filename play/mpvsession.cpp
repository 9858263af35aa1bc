#include "play/mpvsession.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

namespace {

constexpr int kConnectIntervalMs = 50;
constexpr int kStopGraceMs = 5000;
constexpr qsizetype kOutputLines = 20;

QByteArray command(const QJsonArray &words)
{
    return QJsonDocument(QJsonObject{{u"command"_qs, words}}).toJson(QJsonDocument::Compact) + '\n';
}

// What is left when the status lines, libdvdread's chatter and mpv's
// farewell are skipped says what went wrong.
bool isNoise(const QString &line)
{
    return line.startsWith(u"libdvdread:"_qs) || line.startsWith(u"libdvdnav:"_qs) || line.startsWith(u"**"_qs)
           || line.startsWith(u"AV:"_qs) || line.startsWith(u"A:"_qs) || line.startsWith(u"V:"_qs)
           || line.startsWith(u"Exiting..."_qs);
}

} // namespace

MpvSession::MpvSession(Options options, QObject *parent)
    : QObject(parent), m_options(std::move(options))
{
    m_connectTimer.setInterval(kConnectIntervalMs);
    connect(&m_connectTimer, &QTimer::timeout, this, &MpvSession::tryConnect);
    connect(&m_ipc, &QLocalSocket::readyRead, this, &MpvSession::readMessages);
    connect(&m_mpv, &QProcess::readyReadStandardOutput, this, &MpvSession::collectOutput);
    connect(&m_mpv, &QProcess::finished, this, &MpvSession::processEnded);
}

MpvSession::~MpvSession()
{
    if (m_mpv.state() != QProcess::NotRunning) {
        m_mpv.kill();
        m_mpv.waitForFinished(1000);
    }
}

bool MpvSession::start(QString *error)
{
    if (!m_dir.isValid()) {
        *error = u"Cannot create a temporary folder for the player: %1"_qs.arg(m_dir.errorString());
        return false;
    }
    const QString inputConf = m_dir.filePath(u"input.conf"_qs);
    QSaveFile conf(inputConf);
    const QByteArray bindings = MpvInputConf().toUtf8();
    if (!conf.open(QIODevice::WriteOnly) || conf.write(bindings) != bindings.size() || !conf.commit()) {
        *error = u"Cannot write the player's key bindings to %1"_qs.arg(inputConf);
        return false;
    }
    m_socketPath = m_dir.filePath(u"mpv.sock"_qs);
    if (!m_options.WatchLaterDirectory.isEmpty())
        QDir().mkpath(m_options.WatchLaterDirectory);

    tMpvSettings settings;
    settings.Display = m_options.Display;
    settings.InputConf = inputConf;
    settings.IpcServer = m_socketPath;
    settings.WatchLaterDirectory = m_options.WatchLaterDirectory;
    m_mpv.setProgram(m_options.Program);
    m_mpv.setArguments(MpvArguments(m_options.Source, settings));
    // mpv writes its messages to standard output, libdvdread to standard error.
    m_mpv.setProcessChannelMode(QProcess::MergedChannels);
    m_mpv.start();
    if (!m_mpv.waitForStarted(-1)) {
        *error = u"Cannot start the player %1: %2"_qs.arg(m_options.Program, m_mpv.errorString());
        return false;
    }
    m_connectTimer.start();
    return true;
}

void MpvSession::stop()
{
    if (m_mpv.state() == QProcess::NotRunning)
        return;
    m_stopping = true;
    if (m_connected)
        send(command({u"quit-watch-later"_qs}));
    else
        m_mpv.terminate(); // mpv quits on SIGTERM, saving the position as asked
    QTimer::singleShot(kStopGraceMs, this, [this] {
        if (m_mpv.state() != QProcess::NotRunning)
            m_mpv.kill();
    });
}

void MpvSession::tryConnect()
{
    if (m_connected || m_mpv.state() != QProcess::Running) {
        m_connectTimer.stop();
        return;
    }
    m_ipc.connectToServer(m_socketPath);
    if (!m_ipc.waitForConnected(200)) {
        m_ipc.abort();
        return;
    }
    m_connectTimer.stop();
    m_connected = true;
    int id = 0;
    for (const QString &property : {u"percent-pos"_qs, u"chapter"_qs, u"chapters"_qs, u"eof-reached"_qs})
        send(command({u"observe_property"_qs, ++id, property}));
    // mpv waits paused until it is watched; a stop asked for meanwhile wins.
    send(command(m_stopping ? QJsonArray{u"quit-watch-later"_qs} : QJsonArray{u"set_property"_qs, u"pause"_qs, false}));
}

void MpvSession::send(const QByteArray &json)
{
    m_ipc.write(json);
    m_ipc.flush();
}

void MpvSession::readMessages()
{
    m_buffer.append(m_ipc.readAll());
    qsizetype end;
    while ((end = m_buffer.indexOf('\n')) >= 0) {
        const QByteArray line = m_buffer.left(end);
        m_buffer.remove(0, end + 1);
        const QJsonDocument doc = QJsonDocument::fromJson(line);
        if (doc.isObject() && m_progress.update(doc.object()))
            emit watched(m_options.Source.Loc);
    }
}

void MpvSession::collectOutput()
{
    const QStringList lines = QString::fromLocal8Bit(m_mpv.readAllStandardOutput()).split(u'\n');
    for (QString line : lines) {
        // The terminal status line is redrawn with carriage returns.
        line = line.section(u'\r', -1).trimmed();
        if (line.isEmpty() || isNoise(line))
            continue;
        m_outputTail.append(line);
        if (m_outputTail.size() > kOutputLines)
            m_outputTail.removeFirst();
    }
}

void MpvSession::processEnded()
{
    if (m_finished)
        return;
    m_finished = true;
    m_connectTimer.stop();
    collectOutput();
    // The last IPC messages (the end of the file) may still be on their way.
    if (m_connected) {
        readMessages();
        while (m_ipc.state() == QLocalSocket::ConnectedState && m_ipc.waitForReadyRead(200))
            readMessages();
    }

    const QString name = m_options.Source.Name;
    const auto failure = [&]() -> QString {
        if (m_progress.failed())
            return u"The player could not play \"%1\": %2"_qs.arg(name, m_progress.error());
        if (m_stopping)
            return QString();
        if (m_mpv.exitStatus() == QProcess::CrashExit)
            return u"The player stopped unexpectedly while playing \"%1\""_qs.arg(name);
        if (m_mpv.exitCode() != 0) {
            const QString detail = m_outputTail.isEmpty() ? u"exit code %1"_qs.arg(m_mpv.exitCode()) : m_outputTail.last();
            return u"The player could not play \"%1\": %2"_qs.arg(name, detail);
        }
        return QString();
    };
    // A title played to its end counts as played, whatever mpv says after it
    // (an audio output that fails at the end, say).
    emit finished(m_progress.watched() ? QString() : failure());
}
