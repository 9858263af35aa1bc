// cinevue-play: takes PowerDVD's command lines and plays with mpv.
//
//   cinevue-play "LOC" /LaunchProgram LP [options]
//   cinevue-play AUTOPLAY [DVD|BR] D:\ /LaunchProgram LP [options]
//   cinevue-play /LaunchProgram LP [options]
//
// It tells the running Cinevue of the same program folder (CINEVUE_HOME, else
// the folder beside the executable, as Cinevue itself resolves it) through
// its single-instance socket: "watched <loc>" once the title was played to
// its end, "error <message>" when it cannot play, and "activate" when the
// player is gone. A failure is also the one line on standard error, the exit
// code 1, and the file Logs/PlayerError.txt in the program folder (removed
// at every start, so a file that exists is about the last start).

#include "app/singleinstance.h"
#include "platform/paths.h"
#include "platform/registrystore.h"
#include "play/mpvsession.h"
#include "play/playrequest.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <csignal>
#include <functional>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}

// SIGTERM, SIGINT and SIGHUP end playback the way the Stop key does, so the
// position is kept and mpv does not outlive us.
void watchTerminationSignals(QObject *context, const std::function<void()> &stop)
{
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [stop] {
        char buffer[16];
        while (::read(g_signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        stop();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

QString oneLine(QString text)
{
    for (QChar &c : text) {
        if (c.category() == QChar::Other_Control)
            c = u' ';
    }
    return text;
}

QString errorFile(const QString &appPath) { return LogsPath(appPath) + u"PlayerError.txt"_qs; }

void writeErrorFile(const QString &appPath, const QString &message)
{
    QDir().mkpath(LogsPath(appPath));
    QSaveFile file(errorFile(appPath));
    const QByteArray bytes = message.toUtf8() + '\n';
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        std::fprintf(stderr, "cinevue-play: cannot write %s\n", qPrintable(errorFile(appPath)));
}

QString findMpv()
{
    const QString chosen = qEnvironmentVariable("CINEVUE_MPV");
    if (!chosen.isEmpty())
        return QFileInfo(chosen).isExecutable() ? chosen : QString();
    return QStandardPaths::findExecutable(u"mpv"_qs);
}

bool hasDisplay() { return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"); }

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString appPath = ResolveAppPath();
    SingleInstance cinevue(appPath);
    QFile::remove(errorFile(appPath));

    const auto fail = [&](const QString &text) {
        const QString message = oneLine(text);
        std::fprintf(stderr, "cinevue-play: %s\n", qPrintable(message));
        writeErrorFile(appPath, message);
        cinevue.send({SingleInstance::ErrorLine(message), SingleInstance::ActivateLine()});
        return 1;
    };

    const tPlayRequestResult parsed = ParsePlayRequest(app.arguments().mid(1));
    if (!parsed.Request)
        return fail(parsed.Error);
    const tPlaybackSourceResult resolved = ResolvePlaybackSource(*parsed.Request, *RegistryStore());
    if (!resolved.Source)
        return fail(resolved.Error);
    const tPlaybackSource &source = *resolved.Source;

    MpvSession::Options options;
    options.Program = findMpv();
    if (options.Program.isEmpty())
        return fail(u"Cannot play \"%1\": the player mpv is not installed (Debian package mpv)"_qs.arg(source.Name));
    options.Source = source;
    options.Display = hasDisplay();
    options.WatchLaterDirectory = CachePath(appPath) + u"watch_later"_qs;

    MpvSession session(options);
    QObject::connect(&session, &MpvSession::watched, &app, [&](const QString &loc) {
        if (!cinevue.send({SingleInstance::WatchedLine(loc)}))
            std::fprintf(stderr, "cinevue-play: Cinevue is not running; \"%s\" was played to its end\n", qPrintable(oneLine(loc)));
    });
    int exitCode = 0;
    QObject::connect(&session, &MpvSession::finished, &app, [&](const QString &error) {
        if (!error.isEmpty())
            exitCode = fail(error);
        else
            cinevue.send({SingleInstance::ActivateLine()});
        app.exit(exitCode);
    });
    watchTerminationSignals(&app, [&session] { session.stop(); });

    QString error;
    if (!session.start(&error))
        return fail(error);
    app.exec();
    return exitCode;
}
