#pragma once
// The collection size of the benchmarks and what they measure memory with.
//
// scripts/bench runs every benchmark at 10,000 titles; `scripts/bench --large`
// sets CINEVUE_BENCH_TITLES=100000. A benchmark whose own size is another
// (the import's 2,000 titles) scales it in proportion. Figure names carry the
// size ("db_load_10k", "db_load_100k"), and trees and databases that take long
// to write are kept in /tmp per size and reused by the next run.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <string>

// Titles at this run's size, for a benchmark that has `atStandardSize` titles
// at the standard size of 10,000.
inline int BenchTitles(int atStandardSize = 10000)
{
    const int titles = qEnvironmentVariableIntValue("CINEVUE_BENCH_TITLES");
    if (titles <= 0)
        return atStandardSize;
    return int(qint64(atStandardSize) * titles / 10000);
}

// "2k", "10k", "100k" or the plain number.
inline std::string BenchSizeTag(int titles)
{
    if (titles >= 1000 && titles % 1000 == 0)
        return std::to_string(titles / 1000) + "k";
    return std::to_string(titles);
}

// A figure name with the size: always ("db_load" -> "db_load_10k")...
inline std::string BenchSized(const std::string &name, int titles = BenchTitles())
{
    return name + '_' + BenchSizeTag(titles);
}
// ...or, for a name that never carried one, only away from the standard size.
inline std::string BenchFigure(const std::string &name, int titles = BenchTitles())
{
    return titles == 10000 ? name : BenchSized(name, titles);
}

// A folder in /tmp for data of `kind` at `titles` titles; the standard
// size keeps the name it always had.
inline QString BenchCacheFolder(const QString &kind, int titles)
{
    const QString base = QStringLiteral("/tmp/cinevue-bench-") + kind;
    return titles == 10000 ? base : base + u'-' + QString::fromStdString(BenchSizeTag(titles));
}

// A field of /proc/self/status in kB (VmRSS, VmHWM), 0 when unavailable.
inline qint64 ProcStatusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// Starts the peak (VmHWM) again from the current resident size, so that the
// next reading is the peak of what runs in between.
inline void ResetPeakMemory()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}
