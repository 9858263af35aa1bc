#pragma once
// File times, attribute data, time-keeping copies and a fast directory
// listing. The folder scan lists every directory once and asks for the times
// of only the few files it records, so the listing reads names and types
// without a stat per entry and answers time queries relative to the open
// directory.

#include <QList>
#include <QByteArray>
#include <QString>

#include <optional>

// Packed MS-DOS local date and time: date in the high 16 bits
// ((year - 1980) << 9 | month << 5 | day), time in the low 16 bits
// (hour << 11 | minute << 5 | second / 2).
constexpr qint32 kDosTimeAbsent = 0;     // the file was not found
constexpr qint32 kDosTimeUnreadable = -1; // its time could not be read

// Packs the given local date and time; kDosTimeUnreadable for a year outside
// 1980..2107 (the packed form cannot hold it) or an invalid date or time.
qint32 PackDosDateTime(int year, int month, int day, int hour, int minute, int second);
// Seconds since 1970-01-01 UTC, converted to local time and packed.
qint32 DosTimeFromUnixTime(qint64 secondsSinceEpoch);

// Last-write time of `path` packed as above: kDosTimeAbsent when there is no
// such file, kDosTimeUnreadable when its attributes cannot be read.
qint32 FileDosTime(const QString &path);

// 64-bit file times count 100 ns intervals since 1601-01-01 UTC.
qint64 FileTimeFromUnix(qint64 seconds, qint64 nanoseconds);

// What the artwork cache records of a file. All zero when it cannot be read.
struct tFileAttributeData {
    quint32 Attributes = 0; // kFileAttribute* bits
    qint64 CreationTime = 0; // status-change time where the file system has no birth time
    qint64 LastAccessTime = 0;
    qint64 LastWriteTime = 0;
    qint64 Size = 0;
    bool operator==(const tFileAttributeData &) const = default;
};
constexpr quint32 kFileAttributeReadOnly = 0x01;
constexpr quint32 kFileAttributeHidden = 0x02; // name begins with '.'
constexpr quint32 kFileAttributeDirectory = 0x10;
constexpr quint32 kFileAttributeNormal = 0x80; // a file with none of the other bits

// std::nullopt when `path` does not exist or cannot be queried.
std::optional<tFileAttributeData> FileAttributeData(const QString &path);
// Last-write time as a 64-bit file time; 0 when it cannot be read.
qint64 FileLastWriteTime(const QString &path);

// The whole content of a regular file, read without ever blocking on a FIFO,
// a device or a socket that carries the name (such a file is refused), and
// refused when larger than `maxBytes`. `error` says what was wrong.
struct RegularFileRead {
    QByteArray data;
    QString error;  // empty: read; else "Cannot read "PATH": REASON"
    QString reason; // the REASON alone
    bool ok() const { return error.isEmpty(); }
};
RegularFileRead ReadRegularFile(const QString &path, qint64 maxBytes);

// A regular file open for reading piece by piece, refused as ReadRegularFile
// refuses (a FIFO, a device, a folder, more than `maxBytes`). Move-only; the
// file stays open until destruction.
class RegularFile
{
public:
    RegularFile() = default;
    RegularFile(RegularFile &&other) noexcept;
    RegularFile &operator=(RegularFile &&other) noexcept;
    RegularFile(const RegularFile &) = delete;
    RegularFile &operator=(const RegularFile &) = delete;
    ~RegularFile();

    static RegularFile open(const QString &path, qint64 maxBytes);

    bool ok() const { return m_fd >= 0; }
    QString error() const { return m_error; }   // as RegularFileRead::error
    QString reason() const { return m_reason; } // as RegularFileRead::reason
    qint64 size() const { return m_size; }      // when it was opened
    // Reads up to `size` bytes at `offset`, fewer only where the file ends;
    // -1 on a read error. Safe to call from several threads at once.
    qint64 readAt(qint64 offset, char *into, qint64 size) const;

private:
    int m_fd = -1;
    qint64 m_size = 0;
    QString m_error;
    QString m_reason;
};

// Copies `source` over `target` (an existing target is replaced) and gives the
// copy the source's last-write time. Returns an empty text on success, else
// the reason; a failed copy leaves no partial target behind.
QString CopyFileKeepingTime(const QString &source, const QString &target);

// One entry of a directory listing; "." and ".." are never listed.
struct tDirEntry {
    QString Name;
    bool IsDirectory = false; // symbolic links count as what they point to
    bool IsSymlink = false;
    bool IsRegularFile = false; // likewise; not a FIFO, device or socket
};

// An open directory and its entries, read once. Time queries and opening a
// subdirectory go relative to the open directory, so no full path is looked
// up again. Move-only; the directory stays open until destruction.
class DirectoryListing
{
public:
    DirectoryListing() = default;
    DirectoryListing(DirectoryListing &&other) noexcept;
    DirectoryListing &operator=(DirectoryListing &&other) noexcept;
    DirectoryListing(const DirectoryListing &) = delete;
    DirectoryListing &operator=(const DirectoryListing &) = delete;
    ~DirectoryListing();

    // Opens and reads `path`. A trailing separator is allowed.
    static DirectoryListing open(const QString &path);
    // Opens and reads the subdirectory `name` of this directory.
    DirectoryListing openSubdirectory(const QString &name) const;

    bool isOpen() const { return m_fd >= 0; }
    // The errno of a failed open or read (0 when the listing is complete).
    int error() const { return m_error; }
    // Entries in the order the file system returns them.
    const QList<tDirEntry> &entries() const { return m_entries; }

    // Packed last-write time of the entry `name` (see FileDosTime).
    qint32 dosTime(const QString &name) const;
    // Identity of the open directory (device, inode), for loop checks.
    std::optional<std::pair<quint64, quint64>> identity() const;

private:
    static DirectoryListing fromFd(int fd);
    int m_fd = -1;
    int m_error = 0;
    QList<tDirEntry> m_entries;
};
