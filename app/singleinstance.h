#pragma once
// One running Cinevue per program folder. The running instance listens on a
// local socket named after its program folder; a second start connects,
// asks it to come to the front and then ends.
//
// What a client writes is a few lines of UTF-8 text, one request per line:
//   activate           come to the front (a second start; the player at its end)
//   watched <loc>      the player played the disc at <loc> to its end
//   error <message>    the player could not play
// <loc> and <message> are percent-encoded (blanks, '%' and line breaks
// included), so that every path stays on its one line.

#include <QByteArray>
#include <QList>
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

    // Sends request lines (made by the functions below) to the instance of
    // this program folder. False when no instance answered.
    bool send(const QList<QByteArray> &lines, int timeoutMs = 1000);
    static QByteArray ActivateLine();
    static QByteArray WatchedLine(const QString &loc);
    static QByteArray ErrorLine(const QString &message);

    // Starts answering later starts. A socket left behind by an instance that
    // crashed is taken over. False (with a warning) when the socket cannot be set up.
    bool listen();
    bool isListening() const;

signals:
    // A later start asked this instance to come to the front.
    void activationRequested();
    // The player played the disc at `loc` (a disc's Loc, as on its command
    // line, or the image it found in the virtual drive) to its end.
    void watchedReported(const QString &loc);
    // The player could not play; `message` is one line for the user.
    void playerErrorReported(const QString &message);

private:
    void acceptConnections();
    void handleLine(const QByteArray &line);

    QString m_name;
    QLocalServer *m_server = nullptr;
};
