// Encode and decode time of the directory snapshot of a 10,000-title collection
// (see benchsize.h), and saving and loading it as a sync does, file included.

#include "bench/benchsize.h"
#include "bench/benchtiming.h"
#include "sync/snapshot.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {
tDirectories syntheticSnapshot(int titles)
{
    tDirectories d;
    d.reserve(titles + 20);
    const QString root = QStringLiteral("/media/Movies");
    d.append(tDirectoryRec{root, {}, 0, 0, 0, 0, {}, true});
    for (int i = 0; i < titles; ++i) {
        if (i % 500 == 0) // a collection folder every 500 titles
            d.append(tDirectoryRec{QStringLiteral("%1/Collection %2").arg(root).arg(i / 500), {}, 0, 0, 0, 0, {}, true});
        tDirectoryRec rec;
        rec.Directory = QStringLiteral("%1/Collection %2/Title Number %3 (%4)").arg(root).arg(i / 500).arg(i).arg(1950 + i % 70);
        rec.mmXMLFile = rec.Directory + QStringLiteral("/mymovies.xml");
        rec.FileDate = 0x4ACFA3D6 + i;
        rec.CVBWatchedFileDate = (i % 3 == 0) ? 0x4ACF0000 + i : 0;
        rec.CVBWatchListFileDate = (i % 7 == 0) ? 0x4ACF1000 + i : 0;
        const int discs = 1 + (i % 10 == 0 ? 2 : 0);
        for (int k = 0; k < discs; ++k) {
            tDirDiscInfo disc;
            if (i % 2 == 0) {
                disc.Loc = rec.Directory;
                disc.XML = rec.mmXMLFile;
                disc.FileDate = rec.FileDate;
                disc.Container = ctFolder;
            } else {
                disc.Loc = rec.Directory + QStringLiteral("/Disc %1.mkv").arg(k + 1);
                disc.XML = rec.Directory + QStringLiteral("/Disc %1.mymovies.xml").arg(k + 1);
                disc.FileDate = rec.FileDate + k;
                disc.Container = ctMKV;
            }
            rec.DiscInfo.append(disc);
        }
        d.append(rec);
    }
    return d;
}

} // namespace

int main()
{
    const tDirectories snapshot = syntheticSnapshot(BenchTitles());
    QByteArray encoded;
    const double encodeMs = bestMs(5, [&] { encoded = EncodeSnapshot(snapshot); });
    tDirectories decoded;
    const double decodeMs = bestMs(5, [&] {
        decoded.clear();
        TKBDynamic::Decode(encoded, &decoded, DirectoriesType(), kSnapshotVersion);
    });
    if (decoded != snapshot) {
        std::fprintf(stderr, "decoded snapshot differs\n");
        return 1;
    }
    std::printf("BENCH %s: %.1f ms (%lld bytes)\n", BenchSized("snapshot_encode").c_str(), encodeMs, static_cast<long long>(encoded.size()));
    std::printf("BENCH %s: %.1f ms\n", BenchSized("snapshot_decode").c_str(), decodeMs);

    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("CVB_SmartSync.bin"));
    QString error;
    const double saveMs = bestMs(5, [&] { error = SaveSnapshot(path, snapshot); });
    SnapshotLoad loaded;
    const double loadMs = bestMs(5, [&] { loaded = LoadSnapshot(path); });
    if (!error.isEmpty() || loaded.Directories != snapshot) {
        std::fprintf(stderr, "saved snapshot differs: %s\n", qPrintable(error + loaded.error));
        return 1;
    }
    std::printf("BENCH %s: %.1f ms\n", BenchSized("snapshot_save").c_str(), saveMs);
    std::printf("BENCH %s: %.1f ms\n", BenchSized("snapshot_load").c_str(), loadMs);
    return 0;
}
