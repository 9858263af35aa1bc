#include "play/commandlines.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString launchProgramPart(const tPDVD &pdvd)
{
    QString text = u"/LaunchProgram "_qs + PDVDLPName(pdvd.LaunchProgram);
    if (!pdvd.OtherOptions.isEmpty())
        text += u' ' + pdvd.OtherOptions;
    return text;
}

} // namespace

QString QuotedArgument(const QString &text)
{
    QString inner = text;
    inner.replace(u"\""_qs, u"\"\"\""_qs);
    return u'"' + inner + u'"';
}

tCommandLine PowerDVDPathCommand(const tPDVD &pdvd, const QString &loc)
{
    return {pdvd.Filepath, u' ' + QuotedArgument(loc) + u' ' + launchProgramPart(pdvd)};
}

QString AutoPlayKind(tDiscTypes discType)
{
    switch (discType) {
    case dtDVD:
        return u"DVD"_qs;
    case dtBluray:
        return u"BR"_qs;
    case dtHDDVD:
    case dt4KUltraHD:
        break;
    }
    return QString();
}

tCommandLine PowerDVDDriveCommand(const tPDVD &pdvd, tDiscTypes discType, const QString &drive)
{
    if (!pdvd.AutoPlay)
        return {pdvd.Filepath, u' ' + launchProgramPart(pdvd)};
    return {pdvd.Filepath,
            u" AUTOPLAY "_qs + AutoPlayKind(discType) + u' ' + drive + u":\\ "_qs + launchProgramPart(pdvd)};
}

QString XdgOpenProgram()
{
    const QString found = QStandardPaths::findExecutable(u"xdg-open"_qs);
    return found.isEmpty() ? u"/usr/bin/xdg-open"_qs : found;
}

tCommandLine MoviesAndTVCommand(const QString &loc)
{
    return {XdgOpenProgram(), u' ' + QuotedArgument(loc)};
}

tCommandLine MountCommand(const QString &vcdFilePath, const QString &drive, const QString &image)
{
    return {vcdFilePath, u" l="_qs + drive + u' ' + QuotedArgument(image)};
}

tCommandLine UnmountCommand(const QString &vcdFilePath, const QString &drive)
{
    return {vcdFilePath, u' ' + QuotedArgument(u"/l="_qs + drive + u" /u"_qs)};
}

QString FindBundledProgram(const QString &name)
{
    const QFileInfo beside(QDir(QCoreApplication::applicationDirPath()), name);
    return beside.isFile() && beside.isExecutable() ? QDir::toNativeSeparators(beside.absoluteFilePath()) : QString();
}
