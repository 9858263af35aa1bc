#pragma once
// One HTTP(S) GET of the update check, on the calling thread (which needs no
// running event loop of its own: the call runs one while it waits).

#include "update/updateinfo.h"

#include <QString>

#include <atomic>

enum class DownloadMode {
    Mem,  // fetch the answer into memory and parse it into the tUpdate
    File, // store the body in the named file
};

struct DownloadResult {
    bool ok = false;  // fetched (and, for Mem, every field parsed)
    QString error;    // why not
    qint64 bytes = 0; // body bytes received
};

// Fetches `address` (http or https only). File mode writes `localName`
// complete or not at all: a failed or cut-off transfer leaves no file, and an
// earlier file of that name stays until a transfer has succeeded. A transfer
// that stalls for longer than `stallTimeoutMs` fails; `cancel` (polled while
// waiting) aborts it.
DownloadResult DownloadUpdateFile(const QString &address, const QString &localName, DownloadMode mode,
                                  tUpdate &update, const std::atomic_bool *cancel = nullptr,
                                  int stallTimeoutMs = 30000);
