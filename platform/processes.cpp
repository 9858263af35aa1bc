#include "platform/processes.h"

#include <QFileInfo>
#include <QProcess>
#include <QStringList>

QStringList RunProgramResult::messages() const
{
    QStringList texts;
    if (missing)
        texts.append(u"Program \""_qs + path + u"\" is missing."_qs);
    if (!started)
        texts.append(u"Unable to run "_qs + path + arguments);
    return texts;
}

RunProgramResult RunProgram(const QString &path, const QString &arguments, bool wait, bool hidden)
{
    RunProgramResult result;
    result.path = path;
    result.arguments = arguments;
    result.missing = !path.isEmpty() && path != u"PowerShell"_qs && !QFileInfo::exists(path);

    QProcess process;
    process.setProgram(path);
    process.setArguments(QProcess::splitCommand(arguments));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"CINEVUE_START_HIDDEN"_qs, hidden ? u"1"_qs : u"0"_qs);
    process.setProcessEnvironment(env);

    if (!wait) {
        // Detached programs get a session of their own: a player neither
        // shares our terminal's signals nor ends with us.
        result.started = !path.isEmpty() && process.startDetached();
        return result;
    }
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start();
    result.started = !path.isEmpty() && process.waitForStarted(-1);
    if (result.started) {
        process.waitForFinished(-1);
        if (process.exitStatus() == QProcess::NormalExit)
            result.exitCode = process.exitCode();
    }
    return result;
}
