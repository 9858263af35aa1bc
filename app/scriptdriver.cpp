#include "app/scriptdriver.h"

#include "app/statedump.h"
#include "app/tform1.h"
#include "app/updatecheck.h"
#include "ui/messages.h"
#include "ui/scene.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QSaveFile>

#include <cstdio>

namespace {

struct NamedKey {
    const char16_t *name;
    int key;
    const char16_t *text;
};

const NamedKey kNamedKeys[] = {
    {u"Left", Qt::Key_Left, u""},
    {u"Right", Qt::Key_Right, u""},
    {u"Up", Qt::Key_Up, u""},
    {u"Down", Qt::Key_Down, u""},
    {u"Enter", Qt::Key_Return, u"\r"},
    {u"Backspace", Qt::Key_Backspace, u"\b"},
    {u"Escape", Qt::Key_Escape, u"\x1b"},
    {u"Space", Qt::Key_Space, u" "},
    {u"Play", Qt::Key_MediaPlay, u""},
    {u"Next", Qt::Key_MediaNext, u""},
    {u"Prev", Qt::Key_MediaPrevious, u""},
    {u"Comma", Qt::Key_Comma, u","},
    {u"Period", Qt::Key_Period, u"."},
    {u"LBracket", Qt::Key_BracketLeft, u"["},
    {u"RBracket", Qt::Key_BracketRight, u"]"},
};

std::optional<int> waitMilliseconds(const QString &name)
{
    if (!name.startsWith(u"wait:"_qs))
        return std::nullopt;
    bool ok = false;
    const int ms = name.mid(5).toInt(&ok);
    if (!ok || ms < 0)
        return std::nullopt;
    return ms;
}

// The Qt key and text of a named or single-character key.
std::optional<std::pair<int, QString>> qtKeyFor(const QString &name)
{
    for (const NamedKey &k : kNamedKeys)
        if (name == QStringView(k.name))
            return std::pair{k.key, QString::fromUtf16(k.text)};
    if (name.size() != 1)
        return std::nullopt;
    const QChar c = name.at(0);
    if (c.isLetter() && c.unicode() < 128)
        return std::pair{int(Qt::Key_A + (c.toUpper().unicode() - u'A')), name};
    if (c.unicode() > 32 && c.unicode() < 127) // Qt's codes of the other ASCII keys are their characters
        return std::pair{int(c.unicode()), name};
    return std::nullopt;
}

void runEventsFor(int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, int(qMin<qint64>(20, qMax<qint64>(1, deadline.remainingTime()))));
}

bool writeFile(const QString &path, const QByteArray &data, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        if (error)
            *error = u"Cannot write %1: %2"_qs.arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace

std::optional<ScriptOptions> ParseScriptArguments(const QStringList &arguments, QString *error)
{
    ScriptOptions options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == u"--keys"_qs || a == u"--out"_qs) {
            if (i + 1 >= arguments.size()) {
                *error = a + u" needs a value"_qs;
                return std::nullopt;
            }
            const QString value = arguments.at(++i);
            if (a == u"--keys"_qs)
                options.keys += value.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            else
                options.outDir = value;
        } else if (a == u"--shot-each"_qs) {
            options.shotEach = true;
        } else if (a.startsWith(u"--"_qs)) {
            *error = u"Unknown option "_qs + a;
            return std::nullopt;
        } else if (options.workDir.isEmpty()) {
            options.workDir = a;
        } else {
            *error = u"Only one WORKDIR can be given"_qs;
            return std::nullopt;
        }
    }
    if (options.workDir.isEmpty()) {
        *error = u"usage: cinevue-script WORKDIR [--keys \"K ...\"] [--out DIR] [--shot-each]"_qs;
        return std::nullopt;
    }
    for (const QString &k : options.keys) {
        if (!IsValidScriptKey(k)) {
            *error = u"Unknown key "_qs + k;
            return std::nullopt;
        }
    }
    options.workDir = QDir(options.workDir).absolutePath();
    if (options.outDir.isEmpty())
        options.outDir = QDir(options.workDir).filePath(u"script-out"_qs);
    options.outDir = QDir(options.outDir).absolutePath();
    return options;
}

bool IsValidScriptKey(const QString &name)
{
    return waitMilliseconds(name).has_value() || qtKeyFor(name).has_value();
}

void WaitUntilIdle(TForm1 &form, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    QCoreApplication::processEvents();
    while ((!form.isStartupFinished() || Element::runningFades() > 0 || form.updateCheck().isRunning())
           && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
}

bool SendScriptKey(TForm1 &form, const QString &name)
{
    if (const std::optional<int> ms = waitMilliseconds(name)) {
        runEventsFor(*ms);
        WaitUntilIdle(form);
        return true;
    }
    const std::optional<std::pair<int, QString>> key = qtKeyFor(name);
    if (!key)
        return false;
    QKeyEvent press(QEvent::KeyPress, key->first, Qt::NoModifier, key->second);
    QApplication::sendEvent(&form, &press);
    QKeyEvent release(QEvent::KeyRelease, key->first, Qt::NoModifier, key->second);
    QApplication::sendEvent(&form, &release);
    WaitUntilIdle(form);
    return true;
}

bool WriteScreenState(TForm1 &form, const QString &outDir, const QString &suffix, QString *error)
{
    const QDir dir(outDir);
    const QByteArray json = QJsonDocument(WindowState(form)).toJson(QJsonDocument::Indented);
    if (!writeFile(dir.filePath(u"state"_qs + suffix + u".json"_qs), json, error))
        return false;
    const QString png = dir.filePath(u"screen"_qs + suffix + u".png"_qs);
    if (!form.scene().renderSurface().save(png, "PNG")) {
        if (error)
            *error = u"Cannot write "_qs + png;
        return false;
    }
    return true;
}

int RunScript(const ScriptOptions &options)
{
    if (!QDir().mkpath(options.workDir) || !QDir().mkpath(options.outDir)) {
        std::fprintf(stderr, "cinevue-script: cannot create %s or %s\n", qPrintable(options.workDir),
                     qPrintable(options.outDir));
        return 1;
    }
    qputenv("CINEVUE_HOME", QFile::encodeName(options.workDir));
    messages::SetHeadless(true);

    TForm1 form;
    if (form.AnotherInstance) {
        std::fprintf(stderr, "cinevue-script: Cinevue is already running on %s; it was brought to the front\n",
                     qPrintable(options.workDir));
        return 2;
    }
    form.resize(Scene::kWidth, Scene::kHeight);
    form.show();
    WaitUntilIdle(form);

    QString error;
    for (qsizetype i = 0; i < options.keys.size(); ++i) {
        SendScriptKey(form, options.keys.at(i));
        if (options.shotEach
            && !WriteScreenState(form, options.outDir, u"-%1"_qs.arg(i + 1, 3, 10, QLatin1Char('0')), &error)) {
            std::fprintf(stderr, "cinevue-script: %s\n", qPrintable(error));
            return 1;
        }
    }
    if (!WriteScreenState(form, options.outDir, QString(), &error)) {
        std::fprintf(stderr, "cinevue-script: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%s\n", qPrintable(options.outDir));
    return 0;
}
