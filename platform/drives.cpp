#include "platform/drives.h"

#include "platform/virtualdrive.h"
#include "platform/discimage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {

struct RealDrive {
    QString node; // "sr0"
    int number = 0;
};

QList<RealDrive> realDrives(const tOpticalDriveSources &sources)
{
    static const QRegularExpression pattern(u"^sr(\\d+)$"_qs);
    QList<RealDrive> drives;
    const QStringList entries = QDir(sources.sysBlock).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    for (const QString &entry : entries) {
        const QRegularExpressionMatch m = pattern.match(entry);
        if (m.hasMatch())
            drives.append({entry, m.captured(1).toInt()});
    }
    std::sort(drives.begin(), drives.end(), [](const RealDrive &a, const RealDrive &b) { return a.number < b.number; });
    return drives;
}

// Real drives with their letters, D on, skipping the virtual ones.
QList<std::pair<QChar, RealDrive>> lettered(const IRegistryStore &store, const tOpticalDriveSources &sources)
{
    const QList<QChar> taken = VirtualDriveLettersOrDefault(store);
    QList<std::pair<QChar, RealDrive>> out;
    char16_t next = u'D';
    for (const RealDrive &drive : realDrives(sources)) {
        while (next <= u'Z' && taken.contains(QChar(next)))
            ++next;
        if (next > u'Z')
            break;
        out.append({QChar(next), drive});
        ++next;
    }
    return out;
}

QString readTrimmed(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.read(256)).trimmed();
}

// udev writes blanks and other unsafe characters of a label as \xHH.
QString decodeLabel(const QString &name)
{
    QByteArray out;
    const QByteArray in = name.toUtf8();
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in.at(i) == '\\' && i + 3 < in.size() && in.at(i + 1) == 'x') {
            bool ok = false;
            const int value = in.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(in.at(i));
    }
    return QString::fromUtf8(out);
}

QString labelOf(const QString &device, const tOpticalDriveSources &sources)
{
    const QDir dir(sources.byLabel);
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty())
        return QString();
    for (const QString &entry : dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)) {
        if (QFileInfo(dir.filePath(entry)).canonicalFilePath() == target)
            return decodeLabel(entry);
    }
    return QString();
}

QString withLetter(const QString &name, QChar letter) { return name + u" ("_qs + letter + u":)"_qs; }

bool discReady(const QString &device)
{
#ifdef Q_OS_LINUX
    // O_NONBLOCK: opening an empty or open tray must neither wait nor close it.
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    const int status = ::ioctl(fd, CDROM_DRIVE_STATUS, CDSL_CURRENT);
    ::close(fd);
    return status == CDS_DISC_OK;
#else
    Q_UNUSED(device);
    return false;
#endif
}

} // namespace

QList<tOpticalDrive> GetOpticalDrives(const IRegistryStore &store, const tOpticalDriveSources &sources)
{
    QList<tOpticalDrive> drives;
    for (const auto &[letter, real] : lettered(store, sources)) {
        const QString device = QDir(sources.devDir).filePath(real.node);
        QString name = labelOf(device, sources);
        if (name.isEmpty()) {
            const QString deviceDir = QDir(sources.sysBlock).filePath(real.node + u"/device"_qs);
            const QString vendor = readTrimmed(deviceDir + u"/vendor"_qs);
            const QString model = readTrimmed(deviceDir + u"/model"_qs);
            name = (vendor + u' ' + model).trimmed();
        }
        if (name.isEmpty())
            name = u"Optical drive"_qs;
        drives.append({letter, withLetter(name, letter), device, false});
    }
    for (const QChar letter : VirtualDriveLettersOrDefault(store)) {
        QString name;
        const QString image = AttachedImage(store, letter);
        if (!image.isEmpty() && QFileInfo(image).isFile()) {
            name = InspectDiscImage(image).VolumeLabel;
            if (name.isEmpty())
                name = QFileInfo(image).completeBaseName();
        }
        if (name.isEmpty())
            name = u"Virtual drive"_qs;
        drives.append({letter, withLetter(name, letter), QString(), true});
    }
    std::sort(drives.begin(), drives.end(),
              [](const tOpticalDrive &a, const tOpticalDrive &b) { return a.DriveLetter < b.DriveLetter; });
    return drives;
}

QList<tOpticalDrive> GetOpticalDrives() { return GetOpticalDrives(*RegistryStore()); }

QString OpticalDriveDevice(const IRegistryStore &store, QChar letter, const tOpticalDriveSources &sources)
{
    const QChar drive = NormalizedDriveLetter(letter);
    if (drive.isNull() || VirtualDriveLettersOrDefault(store).contains(drive))
        return QString();
    for (const auto &[assigned, real] : lettered(store, sources)) {
        if (assigned == drive)
            return QDir(sources.devDir).filePath(real.node);
    }
    return QString();
}

bool DriveReady(const IRegistryStore &store, QChar letter, const tOpticalDriveSources &sources)
{
    const QChar drive = NormalizedDriveLetter(letter);
    if (drive.isNull())
        return false;
    if (IsVirtualDrive(store, drive))
        return VirtualDriveReady(store, drive);
    const QString device = OpticalDriveDevice(store, drive, sources);
    return !device.isEmpty() && discReady(device);
}

bool DriveReady(QChar letter) { return DriveReady(*RegistryStore(), letter); }
