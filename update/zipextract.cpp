#include "update/zipextract.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <zip.h>

#include <memory>

namespace {

constexpr quint32 kTypeMask = 0170000;
constexpr quint32 kTypeRegular = 0100000;
constexpr quint32 kTypeFolder = 0040000;
constexpr quint32 kTypeSymbolicLink = 0120000;
constexpr qint64 kReadBlock = 64 * 1024;

struct ZipCloser {
    void operator()(zip_t *zip) const { zip_discard(zip); }
};
struct ZipFileCloser {
    void operator()(zip_file_t *file) const { zip_fclose(file); }
};

QFileDevice::Permissions permissionsOf(quint32 mode)
{
    QFileDevice::Permissions p;
    const quint32 m = mode == 0 ? 0644 : ((mode & 0755) | 0600);
    if (m & 0400) p |= QFileDevice::ReadOwner | QFileDevice::ReadUser;
    if (m & 0200) p |= QFileDevice::WriteOwner | QFileDevice::WriteUser;
    if (m & 0100) p |= QFileDevice::ExeOwner | QFileDevice::ExeUser;
    if (m & 0040) p |= QFileDevice::ReadGroup;
    if (m & 0010) p |= QFileDevice::ExeGroup;
    if (m & 0004) p |= QFileDevice::ReadOther;
    if (m & 0001) p |= QFileDevice::ExeOther;
    return p;
}

QString libzipError(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = QString::fromUtf8(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

} // namespace

ZipEntryCheck CheckZipEntry(const QString &name, quint8 madeBy, quint32 externalAttributes)
{
    ZipEntryCheck check;
    if (name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1Char('\\'))) {
        check.verdict = ZipEntryVerdict::AbsolutePath;
        return check;
    }
    if (name.size() >= 2 && name.at(1) == QLatin1Char(':') && name.at(0).unicode() < 128 && name.at(0).isLetter()) {
        check.verdict = ZipEntryVerdict::DriveLetter;
        return check;
    }
    QString normalised = name;
    normalised.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList components;
    for (const QString &component : normalised.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (component == u".."_qs) {
            check.verdict = ZipEntryVerdict::ParentFolder;
            return check;
        }
        if (component != u"."_qs)
            components.append(component);
    }
    if (components.isEmpty()) {
        check.verdict = ZipEntryVerdict::EmptyName;
        return check;
    }
    check.path = components.join(QLatin1Char('/'));
    check.isFolder = normalised.endsWith(QLatin1Char('/'));

    if (madeBy == ZIP_OPSYS_UNIX) {
        const quint32 mode = externalAttributes >> 16;
        switch (mode & kTypeMask) {
        case 0: // no type recorded: the name decides
            break;
        case kTypeRegular:
            break;
        case kTypeFolder:
            check.isFolder = true;
            break;
        case kTypeSymbolicLink:
            check.verdict = ZipEntryVerdict::SymbolicLink;
            return check;
        default:
            check.verdict = ZipEntryVerdict::SpecialFile;
            return check;
        }
        check.permissions = mode & 07777;
    }
    return check;
}

QString ZipEntryVerdictText(ZipEntryVerdict verdict)
{
    switch (verdict) {
    case ZipEntryVerdict::Safe: return u"safe"_qs;
    case ZipEntryVerdict::EmptyName: return u"it names no file"_qs;
    case ZipEntryVerdict::AbsolutePath: return u"it is an absolute path"_qs;
    case ZipEntryVerdict::DriveLetter: return u"it names a drive"_qs;
    case ZipEntryVerdict::ParentFolder: return u"it leads out of the folder (\"..\")"_qs;
    case ZipEntryVerdict::SymbolicLink: return u"it is a symbolic link"_qs;
    case ZipEntryVerdict::SpecialFile: return u"it is a device, pipe or socket"_qs;
    }
    return QString();
}

ZipExtractResult ExtractZip(const QString &zipPath, const QString &targetDir, const std::atomic_bool *cancel)
{
    ZipExtractResult result;
    int code = 0;
    std::unique_ptr<zip_t, ZipCloser> zip(
        zip_open(QFile::encodeName(zipPath).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code));
    if (!zip) {
        result.error = u"Cannot read %1 as a zip file: %2"_qs.arg(zipPath, libzipError(code));
        return result;
    }

    const zip_int64_t count = zip_get_num_entries(zip.get(), 0);
    struct Entry {
        zip_uint64_t index;
        ZipEntryCheck check;
        zip_uint64_t size;
    };
    QList<Entry> entries;
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *rawName = zip_get_name(zip.get(), zip_uint64_t(i), ZIP_FL_ENC_GUESS);
        zip_uint8_t madeBy = 0;
        zip_uint32_t attributes = 0;
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (!rawName || zip_file_get_external_attributes(zip.get(), zip_uint64_t(i), 0, &madeBy, &attributes) != 0
            || zip_stat_index(zip.get(), zip_uint64_t(i), 0, &stat) != 0) {
            result.error = u"Cannot read entry %1 of %2: %3"_qs.arg(i).arg(zipPath, QString::fromUtf8(zip_strerror(zip.get())));
            return result;
        }
        const QString name = QString::fromUtf8(rawName);
        const ZipEntryCheck check = CheckZipEntry(name, madeBy, attributes);
        if (check.verdict != ZipEntryVerdict::Safe) {
            result.error = u"The package entry \"%1\" is refused: %2."_qs.arg(name, ZipEntryVerdictText(check.verdict));
            return result;
        }
        entries.append({zip_uint64_t(i), check, (stat.valid & ZIP_STAT_SIZE) ? stat.size : 0});
    }

    // Joined as text: QDir::filePath would take a name such as ":x" for an
    // absolute (resource) path and leave the target folder out.
    const QString target = QDir(targetDir).absolutePath() + QLatin1Char('/');
    QByteArray block(kReadBlock, Qt::Uninitialized);
    for (const Entry &entry : entries) {
        if (cancel && cancel->load()) {
            result.error = u"Cancelled"_qs;
            return result;
        }
        const QString path = target + entry.check.path;
        if (entry.check.isFolder) {
            if (!QDir().mkpath(path)) {
                result.error = u"Cannot create the folder %1"_qs.arg(path);
                return result;
            }
            result.folders.append(entry.check.path);
            continue;
        }
        const QString parent = QFileInfo(path).path();
        if (!QDir().mkpath(parent)) {
            result.error = u"Cannot create the folder %1"_qs.arg(parent);
            return result;
        }
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            result.error = u"Cannot write %1: %2"_qs.arg(path, out.errorString());
            return result;
        }
        std::unique_ptr<zip_file_t, ZipFileCloser> in(zip_fopen_index(zip.get(), entry.index, 0));
        if (!in) {
            result.error = u"Cannot read %1 from the package: %2"_qs.arg(entry.check.path, QString::fromUtf8(zip_strerror(zip.get())));
            return result;
        }
        zip_uint64_t written = 0;
        for (;;) {
            if (cancel && cancel->load()) {
                result.error = u"Cancelled"_qs;
                return result;
            }
            // libzip checks the entry's CRC-32 when the last block is read.
            const zip_int64_t read = zip_fread(in.get(), block.data(), zip_uint64_t(block.size()));
            if (read < 0) {
                result.error = u"Cannot read %1 from the package: %2"_qs.arg(entry.check.path, QString::fromUtf8(zip_file_strerror(in.get())));
                return result;
            }
            if (read == 0)
                break;
            if (out.write(block.constData(), read) != read) {
                result.error = u"Cannot write %1: %2"_qs.arg(path, out.errorString());
                return result;
            }
            written += zip_uint64_t(read);
        }
        if (written != entry.size) {
            result.error = u"The package entry %1 is damaged"_qs.arg(entry.check.path);
            return result;
        }
        if (!out.flush() || !out.setPermissions(permissionsOf(entry.check.permissions))) {
            result.error = u"Cannot write %1: %2"_qs.arg(path, out.errorString());
            return result;
        }
        out.close();
        if (out.error() != QFileDevice::NoError) {
            result.error = u"Cannot write %1: %2"_qs.arg(path, out.errorString());
            return result;
        }
        result.files.append(entry.check.path);
    }
    result.ok = true;
    return result;
}
