#pragma once
// One mpv run of cinevue-play: starts mpv, follows it through its JSON IPC
// socket and reports when the title counts as watched and how the run ended.

#include "play/playrequest.h"

#include <QByteArray>
#include <QLocalSocket>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

class MpvSession : public QObject
{
    Q_OBJECT
public:
    struct Options {
        QString Program; // the mpv executable
        tPlaybackSource Source;
        bool Display = false;
        QString WatchLaterDirectory;
    };

    explicit MpvSession(Options options, QObject *parent = nullptr);
    ~MpvSession() override;

    // Starts mpv. False with a reason when it cannot even be started.
    bool start(QString *error);
    // Ends playback keeping the position (as the Stop key does).
    void stop();

signals:
    // The title was played to its end (once per run).
    void watched(const QString &loc);
    // mpv has ended; `error` is empty when it played (or was stopped) and one
    // line for the user when it could not play.
    void finished(const QString &error);

private:
    void tryConnect();
    void readMessages();
    void send(const QByteArray &json);
    void processEnded();
    void collectOutput();

    Options m_options;
    QTemporaryDir m_dir;
    QString m_socketPath;
    QProcess m_mpv;
    QLocalSocket m_ipc;
    QTimer m_connectTimer;
    QByteArray m_buffer;
    QStringList m_outputTail;
    PlaybackProgress m_progress;
    bool m_connected = false;
    bool m_stopping = false;
    bool m_finished = false;
};
