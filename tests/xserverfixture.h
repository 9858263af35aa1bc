#pragma once
// Real X servers for the tests that need one: an Xvfb, or an Xephyr nested in
// one (Xephyr can change its resolution through RandR, Xvfb cannot). Each
// server picks a free display number itself (-displayfd), so tests running
// side by side never collide, and is stopped when the object goes.

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <memory>

class XServerProcess
{
public:
    XServerProcess() = default;
    XServerProcess(const XServerProcess &) = delete;
    XServerProcess &operator=(const XServerProcess &) = delete;
    ~XServerProcess() { stop(); }

    // Starts `program` with `arguments` plus -displayfd; false with a reason
    // in `error` when it is missing or does not report a display in time.
    bool start(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment,
               QString *error)
    {
        const QString path = QStandardPaths::findExecutable(program);
        if (path.isEmpty()) {
            *error = program + u" is not installed (scripts/deps installs it)"_qs;
            return false;
        }
        m_process = std::make_unique<QProcess>();
        m_process->setProcessEnvironment(environment);
        m_process->setProcessChannelMode(QProcess::SeparateChannels);
        m_process->start(path, arguments + QStringList{u"-displayfd"_qs, u"1"_qs});
        if (!m_process->waitForStarted(10000)) {
            *error = program + u" does not start: "_qs + m_process->errorString();
            return false;
        }
        QByteArray out;
        QElapsedTimer clock;
        clock.start();
        while (!out.contains('\n') && clock.elapsed() < 20000 && m_process->state() == QProcess::Running) {
            m_process->waitForReadyRead(200);
            out += m_process->readAllStandardOutput();
        }
        bool ok = false;
        const int number = out.trimmed().toInt(&ok);
        if (!ok) {
            *error = program + u" reported no display: "_qs + QString::fromLocal8Bit(m_process->readAllStandardError());
            stop();
            return false;
        }
        m_display = u':' + QString::number(number);
        return true;
    }

    // An Xvfb of one screen of `width` x `height`.
    bool startXvfb(int width, int height, QString *error)
    {
        return start(u"Xvfb"_qs,
                     {u"-screen"_qs, u"0"_qs, u"%1x%2x24"_qs.arg(width).arg(height), u"-nolisten"_qs, u"tcp"_qs,
                      u"-noreset"_qs},
                     QProcessEnvironment::systemEnvironment(), error);
    }

    // An Xephyr of `width` x `height` whose size RandR may change, shown on `host`.
    bool startXephyr(const QString &host, int width, int height, QString *error)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"DISPLAY"_qs, host);
        return start(u"Xephyr"_qs,
                     {u"-screen"_qs, u"%1x%2"_qs.arg(width).arg(height), u"-resizeable"_qs, u"-nolisten"_qs,
                      u"tcp"_qs, u"-noreset"_qs},
                     env, error);
    }

    void stop()
    {
        if (!m_process)
            return;
        m_process->terminate();
        if (!m_process->waitForFinished(5000)) {
            m_process->kill();
            m_process->waitForFinished(5000);
        }
        m_process.reset();
        m_display.clear();
    }

    QString display() const { return m_display; }

private:
    std::unique_ptr<QProcess> m_process;
    QString m_display;
};

// A program started on an X display (a window manager, Cinevue), ended with
// the object.
class XClientProcess
{
public:
    XClientProcess() = default;
    XClientProcess(const XClientProcess &) = delete;
    XClientProcess &operator=(const XClientProcess &) = delete;
    ~XClientProcess() { stop(); }

    bool start(const QString &program, const QStringList &arguments, QProcessEnvironment environment,
               const QString &display, QString *error)
    {
        environment.insert(u"DISPLAY"_qs, display);
        m_process = std::make_unique<QProcess>();
        m_process->setProcessEnvironment(environment);
        m_process->setProcessChannelMode(QProcess::MergedChannels);
        m_process->start(program, arguments);
        if (!m_process->waitForStarted(10000)) {
            *error = program + u" does not start: "_qs + m_process->errorString();
            m_process.reset();
            return false;
        }
        return true;
    }

    bool isRunning() const { return m_process && m_process->state() == QProcess::Running; }
    QString output() const { return m_process ? QString::fromLocal8Bit(m_process->readAll()) : QString(); }

    void stop()
    {
        if (!m_process)
            return;
        m_process->terminate();
        if (!m_process->waitForFinished(5000)) {
            m_process->kill();
            m_process->waitForFinished(5000);
        }
        m_process.reset();
    }

private:
    std::unique_ptr<QProcess> m_process;
};
