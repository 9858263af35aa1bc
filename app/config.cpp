#include "app/config.h"

#include "app/settingstable.h"
#include "platform/virtualdrive.h"
#include "play/commandlines.h"

#include "model/valueconv.h"
#include "platform/paths.h"
#include "platform/textfile.h"

#include <QDir>
#include <QFileInfo>

#include <array>
#include <limits>

namespace {

const std::array<QString, 14> kSortNames = {
    u"SortTitleAsc"_qs,    u"SortTitleDes"_qs,    u"SortStarsAsc"_qs,    u"SortStarsDes"_qs,
    u"SortRuntimeAsc"_qs,  u"SortRuntimeDes"_qs,  u"SortProdYearAsc"_qs, u"SortProdYearDes"_qs,
    u"SortReleasedAsc"_qs, u"SortReleasedDes"_qs, u"SortAddedAsc"_qs,    u"SortAddedDes"_qs,
    u"SortColNumAsc"_qs,   u"SortColNumDes"_qs,
};
const std::array<QString, 3> kPlayerNames = {u"PDVD"_qs, u"W10MTV"_qs, u"TMT"_qs};
const std::array<QString, 3> kPDVDLPNames = {u"PowerDVD"_qs, u"PowerDVDCinema"_qs, u"PowerCinema"_qs};

template <typename Enum, std::size_t N>
std::optional<Enum> enumFromName(const std::array<QString, N> &names, const QString &name)
{
    for (std::size_t i = 0; i < N; ++i) {
        if (names[i].compare(name, Qt::CaseInsensitive) == 0)
            return Enum(i);
    }
    return std::nullopt;
}

template <typename Enum, std::size_t N>
QString enumName(const std::array<QString, N> &names, Enum v)
{
    const auto i = std::size_t(v);
    return i < N ? names[i] : QString();
}

int clampedMs(qint32 units, qint64 msPerUnit)
{
    const qint64 ms = qint64(units) * msPerUnit;
    return int(qBound<qint64>(0, ms, qint64(std::numeric_limits<int>::max())));
}

QString firstExisting(const QStringList &candidates)
{
    for (const QString &path : candidates) {
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

void applyTimerSettings(const tSettings &s, const TimerApplier &applyTimers)
{
    if (applyTimers)
        applyTimers(TimerSettingsOf(s));
}

} // namespace

QString SortName(tSort v) { return enumName(kSortNames, v); }
QString PlayerName(tPlayers v) { return enumName(kPlayerNames, v); }
QString PDVDLPName(tPDVDLP v) { return enumName(kPDVDLPNames, v); }

std::optional<tSort> SortFromName(const QString &name) { return enumFromName<tSort>(kSortNames, name); }
std::optional<tPlayers> PlayerFromName(const QString &name) { return enumFromName<tPlayers>(kPlayerNames, name); }
std::optional<tPDVDLP> PDVDLPFromName(const QString &name) { return enumFromName<tPDVDLP>(kPDVDLPNames, name); }

std::optional<qint32> ConfigTextToInt(const QString &value)
{
    const QString digits = u'0' + value;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    bool ok = false;
    const qint32 v = digits.toInt(&ok, 10);
    if (!ok)
        return std::nullopt; // more than 32 bits
    return v;
}

QString FormatVersion(int major, int minor, int release, int build)
{
    return u"%1.%2.%3.%4"_qs.arg(major).arg(minor).arg(release).arg(build, 4, 10, QLatin1Char('0'));
}

QString ProgVersion()
{
    return FormatVersion(CINEVUE_VERSION_MAJOR, CINEVUE_VERSION_MINOR, CINEVUE_VERSION_RELEASE,
                         CINEVUE_VERSION_BUILD);
}

tTimerSettings TimerSettingsOf(const tSettings &s)
{
    tTimerSettings t;
    t.enableSlideShow = s.ScreenSaver;
    t.slideShowIntervalMs = clampedMs(s.ScreenSaverDelay, 60000);
    t.showDetailsIntervalMs = clampedMs(s.DetailsDelay, 1000);
    return t;
}

tFirstRunProbes DefaultFirstRunProbes()
{
    tFirstRunProbes p;
#ifdef Q_OS_WIN
    p.vcdMount = {
        u"C:\\Program Files (x86)\\Elaborate Bytes\\VirtualCloneDrive\\VCDMount.exe"_qs,
        u"C:\\Program Files\\Elaborate Bytes\\VirtualCloneDrive\\VCDMount.exe"_qs,
    };
    for (const QString &root : {u"C:\\Program Files (x86)\\CyberLink\\"_qs, u"C:\\Program Files\\CyberLink\\"_qs}) {
        for (int version = 18; version >= 9; --version) {
            const QString launcher = version >= 13 ? u"PDVDLP.exe"_qs : u"PDVDLaunchPolicy.exe"_qs;
            p.pdvdLauncher << u"%1PowerDVD%2\\%3"_qs.arg(root).arg(version).arg(launcher);
        }
    }
#else
    // Our own stand-ins, installed beside the program, come first.
    if (const QString mount = FindBundledProgram(u"cinevue-mount"_qs); !mount.isEmpty())
        p.vcdMount << mount;
    if (const QString play = FindBundledProgram(u"cinevue-play"_qs); !play.isEmpty())
        p.pdvdLauncher << play;
    const QStringList dirs = qEnvironmentVariable("PATH").split(u':', Qt::SkipEmptyParts);
    for (const QString &dir : dirs)
        p.vcdMount << JoinNative(dir, u"VCDMount.exe"_qs);
    for (const QString &name : {u"PDVDLP.exe"_qs, u"PDVDLaunchPolicy.exe"_qs}) {
        for (const QString &dir : dirs)
            p.pdvdLauncher << JoinNative(dir, name);
    }
#endif
    return p;
}

QString ConfigFileName() { return u"Cinevue.cfg"_qs; }

QStringList ConfigLines(const tSettings &s)
{
    QStringList lines;
    lines << u"[Cinevue Configuration Settings v."_qs + ProgVersion() + u']';
    for (const SettingDescriptor &d : SettingsTable())
        for (const QString &value : d.values(s))
            lines << d.key + u'=' + value;
    return lines;
}

tSettings ConfigFromLines(const QStringList &lines)
{
    tSettings s;
    for (const QString &line : lines) {
        const qsizetype eq = line.indexOf(u'=');
        const QString key = eq < 0 ? line : line.left(eq);
        // Anything else (the header line, unknown keys) is ignored; a value
        // that does not convert keeps the default.
        if (const SettingDescriptor *d = FindSetting(key))
            d->take(s, eq < 0 ? QString() : line.mid(eq + 1));
    }
    return s;
}

tSettings LoadConfig(const QString &appPath, const TimerApplier &applyTimers, QString *error,
                     const tFirstRunProbes &probes)
{
    const QString path = JoinNative(appPath, ConfigFileName());
    tSettings s;
    if (QFileInfo::exists(path)) {
        QStringList lines;
        if (ReadTextFile(path, &lines, error)) {
            s = ConfigFromLines(lines);
            s.Loaded = true;
        }
        // An unreadable file is not replaced by a first-run file: the user's
        // settings are still in it.
    } else {
        s.VCDFilePath = firstExisting(probes.vcdMount);
        s.PDVD.Filepath = firstExisting(probes.pdvdLauncher);
#ifndef Q_OS_WIN
        // The virtual drive of cinevue-mount exists without any set-up, so a
        // new user can play a disc image at once.
        if (!s.VCDFilePath.isEmpty())
            s.VCDDriveLetter = QString(kDefaultVirtualDriveLetter);
#endif
        SaveConfig(s, appPath, error);
    }
    applyTimerSettings(s, applyTimers);
    return s;
}

bool SaveConfig(tSettings &s, const QString &appPath, QString *error, const TimerApplier &applyTimers)
{
    const bool written = WriteTextFile(JoinNative(appPath, ConfigFileName()), ConfigLines(s), error);
    if (written) {
        s.Changed = false;
        s.Saved = true;
    }
    applyTimerSettings(s, applyTimers);
    return written;
}
