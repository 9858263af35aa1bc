#include "play/playrequest.h"

#include "platform/paths.h"
#include "platform/virtualdrive.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {

bool isLaunchProgram(const QString &argument)
{
    return argument.compare(u"/LaunchProgram"_qs, Qt::CaseInsensitive) == 0;
}

// "V:\" (also "V:" and "V:/"): the drive text before the colon.
std::optional<QString> driveOf(const QString &argument)
{
    static const QRegularExpression pattern(u"^(.+):[\\\\/]?$"_qs);
    const QRegularExpressionMatch m = pattern.match(argument);
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1);
}

// "/LaunchProgram LP" anywhere in the rest; everything else is an option.
void takeOptions(tPlayRequest &request, const QStringList &rest)
{
    for (qsizetype i = 0; i < rest.size(); ++i) {
        if (isLaunchProgram(rest.at(i)) && i + 1 < rest.size()) {
            request.LaunchProgram = rest.at(++i);
            continue;
        }
        request.Options.append(rest.at(i));
    }
}

tDiscKind kindFromWord(const QString &kind)
{
    if (kind.compare(u"DVD"_qs, Qt::CaseInsensitive) == 0)
        return tDiscKind::DVD;
    if (kind.compare(u"BR"_qs, Qt::CaseInsensitive) == 0)
        return tDiscKind::Bluray;
    return tDiscKind::Unknown;
}

QString driveName(QChar letter) { return QString(letter) + u':'; }

tPlaybackSourceResult fail(const QString &error) { return {std::nullopt, error}; }

tPlaybackSourceResult fromImage(const QString &image, tDiscKind kind)
{
    tPlaybackSource source;
    source.Loc = image;
    source.Media = QFileInfo(image).absoluteFilePath();
    source.Name = QFileInfo(image).completeBaseName();
    source.Kind = kind != tDiscKind::Unknown ? kind : InspectDiscImage(image).Kind;
    return {source, QString()};
}

tPlaybackSourceResult fromPath(const QString &loc)
{
    if (loc.isEmpty())
        return fail(u"No title to play"_qs);
    const QFileInfo info(loc);
    if (!info.exists())
        return fail(u"Cannot play \"%1\": it does not exist"_qs.arg(loc));
    if (info.isDir()) {
        tPlaybackSource source;
        source.Loc = loc;
        source.Kind = InspectDiscFolder(loc, &source.Media);
        if (source.Kind == tDiscKind::Unknown)
            return fail(u"Cannot play \"%1\": the folder holds no VIDEO_TS or BDMV folder"_qs.arg(loc));
        // A VIDEO_TS or BDMV folder given itself is named after its parent.
        const QString name = info.fileName();
        const bool discFolder = name.compare(u"VIDEO_TS"_qs, Qt::CaseInsensitive) == 0
                                || name.compare(u"BDMV"_qs, Qt::CaseInsensitive) == 0;
        source.Name = LastPathComponent(discFolder ? info.absolutePath() : info.absoluteFilePath());
        return {source, QString()};
    }
    if (!info.isFile())
        return fail(u"Cannot play \"%1\": it is not a file"_qs.arg(loc));
    if (info.suffix().compare(u"iso"_qs, Qt::CaseInsensitive) == 0)
        return fromImage(loc, tDiscKind::Unknown);
    tPlaybackSource source;
    source.Loc = loc;
    source.Media = info.absoluteFilePath();
    source.Name = info.completeBaseName();
    return {source, QString()};
}

tPlaybackSourceResult fromDrive(QChar letter, tDiscKind kind, const IRegistryStore &store,
                                const tOpticalDriveSources &sources)
{
    const QChar drive = NormalizedDriveLetter(letter);
    if (drive.isNull())
        return fail(u"There is no drive %1"_qs.arg(letter));
    if (VirtualDriveLettersOrDefault(store).contains(drive)) {
        if (!VirtualDriveReady(store, drive))
            return fail(u"No disc in drive %1"_qs.arg(driveName(drive)));
        return fromImage(AttachedImage(store, drive), kind);
    }
    const QString device = OpticalDriveDevice(store, drive, sources);
    if (device.isEmpty())
        return fail(u"There is no drive %1"_qs.arg(driveName(drive)));
    if (!DriveReady(store, drive, sources))
        return fail(u"No disc in drive %1"_qs.arg(driveName(drive)));
    tPlaybackSource source;
    source.Loc = device;
    source.Media = device;
    const tDiscImageInfo info = InspectDiscImage(device);
    source.Name = info.VolumeLabel.isEmpty() ? u"Disc in "_qs + driveName(drive) : info.VolumeLabel;
    source.Kind = kind != tDiscKind::Unknown ? kind : info.Kind;
    if (source.Kind == tDiscKind::Unknown)
        source.Kind = tDiscKind::DVD; // a disc in a drive is played as a disc
    return {source, QString()};
}

} // namespace

tPlayRequestResult ParsePlayRequest(const QStringList &arguments)
{
    tPlayRequest request;
    if (arguments.isEmpty())
        return {std::nullopt, u"No command line: expected \"LOC\" /LaunchProgram LP, "
                              u"AUTOPLAY KIND D:\\ /LaunchProgram LP or /LaunchProgram LP"_qs};
    const QString &first = arguments.first();
    if (first == u"AUTOPLAY") {
        request.RequestForm = tPlayRequest::Form::AutoPlay;
        qsizetype next = 1;
        if (next < arguments.size() && !driveOf(arguments.at(next)))
            request.Kind = arguments.at(next++);
        const auto drive = next < arguments.size() ? driveOf(arguments.at(next)) : std::nullopt;
        if (!drive)
            return {std::nullopt, u"AUTOPLAY needs a drive such as V:\\"_qs};
        request.Drive = *drive;
        takeOptions(request, arguments.mid(next + 1));
    } else if (isLaunchProgram(first)) {
        request.RequestForm = tPlayRequest::Form::Drive;
        takeOptions(request, arguments);
    } else {
        request.RequestForm = tPlayRequest::Form::Path;
        request.Loc = first;
        takeOptions(request, arguments.mid(1));
    }
    return {request, QString()};
}

tPlaybackSourceResult ResolvePlaybackSource(const tPlayRequest &request, const IRegistryStore &store,
                                            const tOpticalDriveSources &sources)
{
    switch (request.RequestForm) {
    case tPlayRequest::Form::Path:
        return fromPath(request.Loc);
    case tPlayRequest::Form::AutoPlay:
        return fromDrive(request.Drive.isEmpty() ? QChar() : request.Drive.at(0), kindFromWord(request.Kind), store,
                         sources);
    case tPlayRequest::Form::Drive:
        break;
    }
    // The drive that holds the image mounted last, else the first ready one.
    const QString last = ReadRegistryValue(store, RegistryHive::CurrentUser, QString::fromUtf16(kVirtualCloneDriveKey),
                                           QString::fromUtf16(kLastMountedFileValue));
    const QList<QChar> letters = VirtualDriveLetters(store);
    for (const QChar letter : letters) {
        if (AttachedImage(store, letter) == last && VirtualDriveReady(store, letter))
            return fromImage(last, tDiscKind::Unknown);
    }
    for (const QChar letter : letters) {
        if (VirtualDriveReady(store, letter))
            return fromImage(AttachedImage(store, letter), tDiscKind::Unknown);
    }
    return fail(u"No disc in the virtual drive"_qs);
}

QString PlayerWindowTitle(const QString &name)
{
    // mpv expands "${...}" in its title; "$$" is a literal "$".
    QString escaped = name;
    escaped.replace(u"$"_qs, u"$$"_qs);
    return escaped + kPlayerWindowSuffix;
}

QStringList MpvArguments(const tPlaybackSource &source, const tMpvSettings &settings)
{
    QStringList args;
    args << u"--pause"_qs << u"--title="_qs + PlayerWindowTitle(source.Name);
    if (!settings.InputConf.isEmpty())
        args << u"--input-conf="_qs + settings.InputConf;
    if (!settings.IpcServer.isEmpty())
        args << u"--input-ipc-server="_qs + settings.IpcServer;
    if (!settings.WatchLaterDirectory.isEmpty())
        args << u"--watch-later-directory="_qs + settings.WatchLaterDirectory;
    args << u"--save-position-on-quit"_qs;
    if (settings.Display)
        args << u"--fullscreen"_qs << u"--force-window=yes"_qs;
    else
        args << u"--vo=null"_qs << u"--ao=null"_qs;
    QString target = source.Media;
    switch (source.Kind) {
    case tDiscKind::DVD:
        args << u"--dvd-device="_qs + source.Media;
        target = u"dvd://"_qs;
        break;
    case tDiscKind::Bluray:
        args << u"--bluray-device="_qs + source.Media;
        target = u"bd://"_qs;
        break;
    case tDiscKind::Unknown:
        break;
    }
    // No argument after "--" is read as an option, whatever its name.
    args << u"--"_qs << target;
    return args;
}

QString MpvInputConf()
{
    return uR"(# Cinevue Player keys: keyboard and Media Center remote.
SPACE       cycle pause
ENTER       cycle pause
KP_ENTER    cycle pause
p           cycle pause
PLAYPAUSE   cycle pause
PAUSE       cycle pause
XF86_PAUSE  cycle pause
PLAY        set pause no
PLAYONLY    set pause no
PAUSEONLY   set pause yes
# Stop and Back end playback and keep the position for the next start.
STOP        quit-watch-later
XF86_STOP   quit-watch-later
ESC         quit-watch-later
BS          quit-watch-later
MBTN_BACK   quit-watch-later
CANCEL      quit-watch-later
CLOSE_WIN   quit-watch-later
q           quit-watch-later
Q           quit-watch-later
FORWARD     seek 30
REWIND      seek -10
RIGHT       seek 10
LEFT        seek -10
UP          seek 60
DOWN        seek -60
NEXT        add chapter 1
PREV        add chapter -1
XF86_NEXT   add chapter 1
XF86_PREV   add chapter -1
PGUP        add chapter 1
PGDWN       add chapter -1
f           cycle fullscreen
m           cycle mute
MUTE        cycle mute
VOLUME_UP   add volume 2
VOLUME_DOWN add volume -2
)"_qs;
}

bool PlaybackProgress::markWatched()
{
    if (m_watched)
        return false;
    m_watched = true;
    return true;
}

bool PlaybackProgress::update(const QJsonObject &message)
{
    const QString event = message.value(u"event"_qs).toString();
    if (event == u"end-file") {
        const QString reason = message.value(u"reason"_qs).toString();
        m_ended = true;
        if (reason == u"eof")
            return markWatched();
        if (reason == u"error") {
            m_failed = true;
            m_error = message.value(u"file_error"_qs).toString();
        }
        return false;
    }
    if (event != u"property-change")
        return false;
    const QString name = message.value(u"name"_qs).toString();
    const QJsonValue data = message.value(u"data"_qs);
    if (name == u"percent-pos" && data.isDouble()) {
        m_percent = data.toDouble();
        if (m_percent >= kWatchedPercent)
            return markWatched();
    } else if (name == u"eof-reached" && data.toBool()) {
        return markWatched();
    } else if (name == u"chapter" || name == u"chapters") {
        (name == u"chapter" ? m_chapter : m_chapters) = data.isDouble() ? qint64(data.toDouble()) : -1;
        // A title without chapter marks has one chapter: its start says nothing.
        if (m_chapters >= 2 && m_chapter >= m_chapters - 1)
            return markWatched();
    }
    return false;
}
