#pragma once
// One running Cinevue per program folder. The running instance listens on a
// local socket named after its program folder; a second start connects,
// asks it to come to the front and then ends.

#include <QObject>
#include <QString>

class QLocalServer;

class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(const QString &appPath, QObject *parent = nullptr);
    ~SingleInstance() override;

    // The socket name for a program folder.
    static QString ServerName(const QString &appPath);

    // Asks a running instance to activate itself. True when one answered the
    // connection (this start should then end).
    bool activateRunning(int timeoutMs = 1000);

    // Starts answering later starts. A socket left behind by an instance that
    // crashed is taken over. False (with a warning) when the socket cannot be set up.
    bool listen();
    bool isListening() const;

signals:
    // A later start asked this instance to come to the front.
    void activationRequested();

private:
    void acceptConnections();

    QString m_name;
    QLocalServer *m_server = nullptr;
};
