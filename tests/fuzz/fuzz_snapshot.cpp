// CVB_SmartSync.bin as a sync run reads it. LoadSnapshot never throws; a
// snapshot it loads is encoded and decoded again unchanged.

#include "fuzzsupport.h"

#include "sync/snapshot.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString path = fuzz::folder(QStringLiteral("snapshot")) + QStringLiteral("/CVB_SmartSync.bin");
    fuzz::writeFile(path, fuzz::bytes(data, size));

    const SnapshotLoad load = LoadSnapshot(path);
    if (!load.loaded()) {
        FUZZ_CHECK(load.Directories.isEmpty());
        FUZZ_CHECK(load.status == SnapshotLoad::OtherFormat || !load.error.isEmpty());
        return 0;
    }
    const QByteArray encoded = EncodeSnapshot(load.Directories);
    tDirectories decoded;
    qint64 consumed = 0;
    FUZZ_CHECK(TKBDynamic::Decode(encoded, &decoded, DirectoriesType(), kSnapshotVersion, &consumed));
    FUZZ_CHECK(consumed == encoded.size());
    FUZZ_CHECK(decoded == load.Directories);
    return 0;
}
