#pragma once
// Extraction of a zip package with libzip, refusing entries that could
// write outside the target folder or create anything but plain files and
// folders.

#include <QString>
#include <QStringList>

#include <atomic>

enum class ZipEntryVerdict {
    Safe,
    EmptyName,     // names nothing below the target ("", ".", "./")
    AbsolutePath,  // begins with a separator
    DriveLetter,   // begins with "X:"
    ParentFolder,  // has a ".." component
    SymbolicLink,  // Unix file type in the external attributes
    SpecialFile,   // device, pipe or socket
};

struct ZipEntryCheck {
    ZipEntryVerdict verdict = ZipEntryVerdict::Safe;
    QString path;          // relative, components joined by '/', "." components dropped
    bool isFolder = false;
    quint32 permissions = 0; // the entry's Unix permission bits, 0 when it carries none
};

// Checks one entry by its name ('/' and '\' both separate components) and,
// for an entry made on Unix, by the file type in the upper 16 bits of its
// external attributes.
ZipEntryCheck CheckZipEntry(const QString &name, quint8 madeBy, quint32 externalAttributes);
QString ZipEntryVerdictText(ZipEntryVerdict verdict);

struct ZipExtractResult {
    bool ok = false;
    QString error;
    QStringList files;   // relative paths as CheckZipEntry gives them
    QStringList folders;
};

// Extracts every entry of `zipPath` below `targetDir`. Every entry is checked
// before the first byte is written, so an unsafe entry leaves `targetDir` as
// it was. A failure part-way (a damaged entry, a full disk, `cancel`) leaves
// what was written so far; the caller extracts into a folder of its own and
// removes it. Files get their Unix permission bits limited to 0755 and always
// readable and writable by the owner, or 0644 when the entry has none.
ZipExtractResult ExtractZip(const QString &zipPath, const QString &targetDir,
                            const std::atomic_bool *cancel = nullptr);
