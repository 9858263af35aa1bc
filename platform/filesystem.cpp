#include "filesystem.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <utility>
#include <cstring>
#include <ctime>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr qint64 kUnixEpochAsFileTime = 116444736000000000LL; // 1970-01-01 in 100 ns since 1601

qint32 dosTimeFromStat(int rc, const struct stat &st)
{
    if (rc != 0)
        return (errno == ENOENT || errno == ENOTDIR) ? kDosTimeAbsent : kDosTimeUnreadable;
    return DosTimeFromUnixTime(st.st_mtim.tv_sec);
}

quint32 attributesOf(const QString &name, const struct stat &st)
{
    quint32 attributes = 0;
    if (S_ISDIR(st.st_mode))
        attributes |= kFileAttributeDirectory;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        attributes |= kFileAttributeReadOnly;
    if (name.startsWith(u'.'))
        attributes |= kFileAttributeHidden;
    return attributes ? attributes : kFileAttributeNormal;
}
} // namespace

qint32 PackDosDateTime(int year, int month, int day, int hour, int minute, int second)
{
    if (year < 1980 || year > 2107 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23
        || minute < 0 || minute > 59 || second < 0 || second > 59)
        return kDosTimeUnreadable;
    const quint32 date = quint32(year - 1980) << 9 | quint32(month) << 5 | quint32(day);
    const quint32 time = quint32(hour) << 11 | quint32(minute) << 5 | quint32(second / 2);
    return qint32(date << 16 | time);
}

qint32 DosTimeFromUnixTime(qint64 secondsSinceEpoch)
{
    const time_t t = time_t(secondsSinceEpoch);
    struct tm local {};
    if (!localtime_r(&t, &local))
        return kDosTimeUnreadable;
    return PackDosDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                           local.tm_sec);
}

qint32 FileDosTime(const QString &path)
{
    struct stat st {};
    const int rc = ::stat(QFile::encodeName(path).constData(), &st);
    return dosTimeFromStat(rc, st);
}

qint64 FileTimeFromUnix(qint64 seconds, qint64 nanoseconds)
{
    return kUnixEpochAsFileTime + seconds * 10000000LL + nanoseconds / 100;
}

std::optional<tFileAttributeData> FileAttributeData(const QString &path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    tFileAttributeData data;
    data.Attributes = attributesOf(QFileInfo(path).fileName(), st);
    data.CreationTime = FileTimeFromUnix(st.st_ctim.tv_sec, st.st_ctim.tv_nsec);
    data.LastAccessTime = FileTimeFromUnix(st.st_atim.tv_sec, st.st_atim.tv_nsec);
    data.LastWriteTime = FileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    data.Size = S_ISDIR(st.st_mode) ? 0 : qint64(st.st_size);
    return data;
}

qint64 FileLastWriteTime(const QString &path)
{
    const auto data = FileAttributeData(path);
    return data ? data->LastWriteTime : 0;
}

RegularFileRead ReadRegularFile(const QString &path, qint64 maxBytes)
{
    RegularFileRead r;
    const auto fail = [&](const QString &why) {
        r.data.clear();
        r.reason = why;
        r.error = QStringLiteral("Cannot read \"%1\": %2").arg(path, why);
        return r;
    };
    // O_NONBLOCK: opening a FIFO without a writer would otherwise wait for ever.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int e = errno;
        ::close(fd);
        return fail(QString::fromLocal8Bit(std::strerror(e)));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(S_ISDIR(st.st_mode) ? QStringLiteral("it is a folder") : QStringLiteral("it is not a regular file"));
    }
    if (st.st_size > maxBytes) {
        ::close(fd);
        return fail(QStringLiteral("it is larger than %1 bytes").arg(maxBytes));
    }
    // One byte more than the size: the read that finds the end then needs
    // no larger buffer.
    r.data.resize(qsizetype(std::min<qint64>(maxBytes + 1, qint64(st.st_size) + 1)));
    qint64 done = 0;
    for (;;) {
        if (done == r.data.size()) {
            // The file may have grown since fstat; read on within the limit.
            if (done >= maxBytes)
                break;
            r.data.resize(qsizetype(std::min<qint64>(maxBytes + 1, done + 65536)));
        }
        const ssize_t n = ::read(fd, r.data.data() + done, size_t(r.data.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int e = errno;
            ::close(fd);
            return fail(QString::fromLocal8Bit(std::strerror(e)));
        }
        if (n == 0)
            break;
        done += n;
        if (done > maxBytes) {
            ::close(fd);
            return fail(QStringLiteral("it is larger than %1 bytes").arg(maxBytes));
        }
    }
    ::close(fd);
    r.data.resize(qsizetype(done));
    return r;
}

RegularFile::RegularFile(RegularFile &&other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_size(other.m_size), m_error(std::move(other.m_error)),
      m_reason(std::move(other.m_reason))
{
}

RegularFile &RegularFile::operator=(RegularFile &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_size = other.m_size;
        m_error = std::move(other.m_error);
        m_reason = std::move(other.m_reason);
    }
    return *this;
}

RegularFile::~RegularFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

RegularFile RegularFile::open(const QString &path, qint64 maxBytes)
{
    RegularFile f;
    const auto fail = [&](const QString &why) {
        if (f.m_fd >= 0)
            ::close(std::exchange(f.m_fd, -1));
        f.m_reason = why;
        f.m_error = QStringLiteral("Cannot read \"%1\": %2").arg(path, why);
        return std::move(f);
    };
    // O_NONBLOCK: opening a FIFO without a writer would otherwise wait for ever.
    f.m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (f.m_fd < 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    struct stat st {};
    if (::fstat(f.m_fd, &st) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    if (!S_ISREG(st.st_mode))
        return fail(S_ISDIR(st.st_mode) ? QStringLiteral("it is a folder") : QStringLiteral("it is not a regular file"));
    if (st.st_size > maxBytes)
        return fail(QStringLiteral("it is larger than %1 bytes").arg(maxBytes));
    f.m_size = qint64(st.st_size);
    return f;
}

qint64 RegularFile::readAt(qint64 offset, char *into, qint64 size) const
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pread(m_fd, into + done, size_t(size - done), off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

QString CopyFileKeepingTime(const QString &source, const QString &target)
{
    struct stat st {};
    if (::stat(QFile::encodeName(source).constData(), &st) != 0)
        return QStringLiteral("Cannot read \"%1\": %2").arg(source, QString::fromLocal8Bit(std::strerror(errno)));
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("\"%1\" is a folder").arg(source);
    // Copying a FIFO or a device would block or never end.
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("Cannot copy \"%1\": it is not a regular file").arg(source);
    if (QFile::exists(target) && !QFile::remove(target))
        return QStringLiteral("Cannot replace \"%1\"").arg(target);
    QFile in(source);
    if (!in.copy(target)) {
        const QString reason = in.errorString();
        QFile::remove(target); // QFile::copy may leave a partial file on a full disk
        return QStringLiteral("Cannot copy \"%1\" to \"%2\": %3").arg(source, target, reason);
    }
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::utimensat(AT_FDCWD, QFile::encodeName(target).constData(), times, 0) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        // A copy with the wrong time would be copied again on every run; report it.
        return QStringLiteral("Cannot set the time of \"%1\": %2").arg(target, reason);
    }
    return QString();
}

// ---------------------------------------------------------------- listing

DirectoryListing::DirectoryListing(DirectoryListing &&other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_error(other.m_error), m_entries(std::move(other.m_entries))
{
}

DirectoryListing &DirectoryListing::operator=(DirectoryListing &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_error = other.m_error;
        m_entries = std::move(other.m_entries);
    }
    return *this;
}

DirectoryListing::~DirectoryListing()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

DirectoryListing DirectoryListing::open(const QString &path)
{
    if (path.isEmpty()) {
        DirectoryListing failed;
        failed.m_error = ENOENT;
        return failed;
    }
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return fromFd(fd);
}

DirectoryListing DirectoryListing::openSubdirectory(const QString &name) const
{
    if (m_fd < 0) {
        DirectoryListing failed;
        failed.m_error = EBADF;
        return failed;
    }
    const int fd = ::openat(m_fd, QFile::encodeName(name).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return fromFd(fd);
}

DirectoryListing DirectoryListing::fromFd(int fd)
{
    DirectoryListing listing;
    if (fd < 0) {
        listing.m_error = errno;
        return listing;
    }
    // fdopendir takes over the descriptor it reads from; keep our own for the
    // relative queries that come later.
    const int readFd = ::dup(fd);
    DIR *dir = readFd >= 0 ? ::fdopendir(readFd) : nullptr;
    if (!dir) {
        listing.m_error = errno;
        if (readFd >= 0)
            ::close(readFd);
        ::close(fd);
        return listing;
    }
    listing.m_fd = fd;
    errno = 0;
    while (const struct dirent *e = ::readdir(dir)) {
        const char *n = e->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        tDirEntry entry;
        entry.Name = QFile::decodeName(n);
        if (e->d_type == DT_DIR) {
            entry.IsDirectory = true;
        } else if (e->d_type == DT_REG) {
            entry.IsRegularFile = true;
        } else if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
            // Only links and file systems without types cost a stat.
            entry.IsSymlink = e->d_type == DT_LNK;
            struct stat st {};
            if (::fstatat(fd, n, &st, 0) == 0) {
                entry.IsDirectory = S_ISDIR(st.st_mode);
                entry.IsRegularFile = S_ISREG(st.st_mode);
            } else if (e->d_type == DT_UNKNOWN && ::fstatat(fd, n, &st, AT_SYMLINK_NOFOLLOW) == 0)
                entry.IsSymlink = S_ISLNK(st.st_mode);
        }
        listing.m_entries.append(std::move(entry));
        errno = 0;
    }
    listing.m_error = errno;
    ::closedir(dir);
    return listing;
}

qint32 DirectoryListing::dosTime(const QString &name) const
{
    if (m_fd < 0)
        return kDosTimeUnreadable;
    struct stat st {};
    const int rc = ::fstatat(m_fd, QFile::encodeName(name).constData(), &st, 0);
    return dosTimeFromStat(rc, st);
}

std::optional<std::pair<quint64, quint64>> DirectoryListing::identity() const
{
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0)
        return std::nullopt;
    return std::pair<quint64, quint64>(quint64(st.st_dev), quint64(st.st_ino));
}
