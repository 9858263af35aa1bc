#include "platform/discimage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr qint64 kSector = 2048;
constexpr qint64 kDescriptorsStart = 16 * kSector;
constexpr int kDescriptorSectors = 32;        // ISO 9660 descriptors and the UDF recognition sequence
constexpr qint64 kMaxRootDirectory = 256 * 1024; // a root folder of a disc is a few sectors

quint32 le32(const QByteArray &b, qsizetype at)
{
    const auto *p = reinterpret_cast<const uchar *>(b.constData() + at);
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

bool isNamed(const QByteArray &name, const char *wanted)
{
    // ISO 9660 file names may carry a ";1" version; folders do not, but be lenient.
    QByteArray bare = name;
    const qsizetype semicolon = bare.indexOf(';');
    if (semicolon >= 0)
        bare.truncate(semicolon);
    return bare.compare(wanted, Qt::CaseInsensitive) == 0;
}

tDiscKind kindFromRootDirectory(QFile &file, const QByteArray &pvd)
{
    // The root folder's record sits at byte 156 of the primary volume descriptor.
    const quint32 extent = le32(pvd, 156 + 2);
    const quint32 length = le32(pvd, 156 + 10);
    const qint64 offset = qint64(extent) * kSector;
    if (extent == 0 || length == 0 || offset >= file.size())
        return tDiscKind::Unknown;
    if (!file.seek(offset))
        return tDiscKind::Unknown;
    const QByteArray dir = file.read(std::min<qint64>(length, kMaxRootDirectory));
    bool dvd = false;
    bool bluray = false;
    qsizetype at = 0;
    while (at < dir.size()) {
        const int recordLength = uchar(dir.at(at));
        if (recordLength == 0) {
            // Records never cross a sector: the rest of this sector is padding.
            at = (at / kSector + 1) * kSector;
            continue;
        }
        if (recordLength < 34 || at + recordLength > dir.size())
            break;
        const int flags = uchar(dir.at(at + 25));
        const int nameLength = uchar(dir.at(at + 32));
        if ((flags & 0x02) && 33 + nameLength <= recordLength) {
            const QByteArray name = dir.mid(at + 33, nameLength);
            dvd = dvd || isNamed(name, "VIDEO_TS");
            bluray = bluray || isNamed(name, "BDMV");
        }
        at += recordLength;
    }
    if (bluray)
        return tDiscKind::Bluray;
    return dvd ? tDiscKind::DVD : tDiscKind::Unknown;
}

} // namespace

tDiscImageInfo InspectDiscImage(const QString &path)
{
    tDiscImageInfo info;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return info;
    if (!file.seek(kDescriptorsStart))
        return info;
    const QByteArray descriptors = file.read(kDescriptorSectors * kSector);

    QByteArray pvd;
    int udfRevision = 0;
    for (qsizetype at = 0; at + kSector <= descriptors.size(); at += kSector) {
        const QByteArray id = descriptors.mid(at + 1, 5);
        if (id == "CD001") {
            const int type = uchar(descriptors.at(at));
            if (type == 1 && pvd.isEmpty())
                pvd = descriptors.mid(at, kSector);
        } else if (id == "NSR02") {
            udfRevision = std::max(udfRevision, 1);
        } else if (id == "NSR03") {
            udfRevision = 2;
        } else if (id != "BEA01" && id != "TEA01" && id != "BOOT2" && id != "CDW02") {
            break; // the end of the descriptors (or no disc image at all)
        }
    }

    if (!pvd.isEmpty()) {
        info.VolumeLabel = QString::fromLatin1(pvd.mid(40, 32)).trimmed();
        info.Kind = kindFromRootDirectory(file, pvd);
    }
    if (info.Kind == tDiscKind::Unknown && udfRevision > 0)
        info.Kind = udfRevision >= 2 ? tDiscKind::Bluray : tDiscKind::DVD;
    return info;
}

tDiscKind InspectDiscFolder(const QString &folder, QString *device)
{
    const QFileInfo info(folder);
    if (!info.isDir())
        return tDiscKind::Unknown;
    const QString name = info.fileName();
    if (name.compare(u"BDMV"_qs, Qt::CaseInsensitive) == 0) {
        if (device)
            *device = info.absolutePath();
        return tDiscKind::Bluray;
    }
    if (name.compare(u"VIDEO_TS"_qs, Qt::CaseInsensitive) == 0) {
        if (device)
            *device = info.absoluteFilePath();
        return tDiscKind::DVD;
    }
    bool dvd = false;
    bool bluray = false;
    const QStringList children = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString &child : children) {
        dvd = dvd || child.compare(u"VIDEO_TS"_qs, Qt::CaseInsensitive) == 0;
        bluray = bluray || child.compare(u"BDMV"_qs, Qt::CaseInsensitive) == 0;
    }
    if (!dvd && !bluray)
        return tDiscKind::Unknown;
    if (device)
        *device = info.absoluteFilePath();
    return bluray ? tDiscKind::Bluray : tDiscKind::DVD;
}
