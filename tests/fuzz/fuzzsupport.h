#pragma once
// Shared by the fuzz targets: a quiet Qt, one scratch folder per process, and
// a check that stops the run when a reader breaks one of its own promises
// (a crash is what the fuzzer reports, so a broken promise must be one).

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGlobal>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

// Qt's warnings would be printed for nearly every input and slow the run.
inline void silenceQt()
{
    static const bool done = [] {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        return true;
    }();
    Q_UNUSED(done);
}

// A folder below the process's scratch folder, made on first use and reused
// by every input; the scratch folder goes when the process ends.
inline QString folder(const QString &name)
{
    silenceQt();
    static QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/cinevue-fuzz-XXXXXX"));
    if (!scratch.isValid()) {
        std::fprintf(stderr, "fuzz: no scratch folder\n");
        std::abort();
    }
    const QString path = scratch.filePath(name);
    if (!QDir().mkpath(path)) {
        std::fprintf(stderr, "fuzz: cannot create %s\n", qPrintable(path));
        std::abort();
    }
    return path;
}

inline QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// Replaces the file at `path` with `content`.
inline void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size()) {
        std::fprintf(stderr, "fuzz: cannot write %s\n", qPrintable(path));
        std::abort();
    }
}

// The input as arguments: each NUL byte ends one (so "a\0b" is two, and an
// empty input is none), each read as UTF-8.
inline QStringList arguments(const uint8_t *data, size_t size)
{
    QStringList args;
    if (size == 0)
        return args;
    for (const QByteArray &part : bytes(data, size).split('\0'))
        args.append(QString::fromUtf8(part));
    return args;
}

[[noreturn]] inline void broken(const char *promise, const char *file, int line)
{
    std::fprintf(stderr, "%s:%d: broken promise: %s\n", file, line, promise);
    std::abort();
}

} // namespace fuzz

#define FUZZ_CHECK(condition) \
    do { \
        if (!(condition)) \
            fuzz::broken(#condition, __FILE__, __LINE__); \
    } while (false)
