#pragma once
// Change detection between two directory snapshots and the removal of what
// has gone. Both work on the run's copies; the stored snapshot is separate.

#include "model/titles.h"
#include "sync/dirrecords.h"
#include "sync/synclogs.h"

#include <QHash>

#include <functional>

// Compares the fresh snapshot with the previous one. Afterwards `fresh` holds
// only what must be imported and `previous` only what must be removed.
void CompareSnapshots(tDirectories &fresh, tDirectories &previous, SyncTextLog &debugLog);

// Called after a title lost its first disc, to look its images up again.
using ImageLookup = std::function<void(tTitle &title)>;

struct RemovalResult {
    int discsRemoved = 0;
    int titlesRemoved = 0;
};

// Removes from the collection every disc that a previous-snapshot entry still
// lists (the directory or the disc has gone), and every title left without a
// disc. A box-set parent has no disc of its own: it goes when the entry of its
// directory carries the pseudo disc and nothing replaced it.
RemovalResult RemoveVanishedDiscs(tTitles &titles, const tDirectories &previous, SyncTextLog &debugLog,
                                  const ImageLookup &lookupImages);


// Removes every disc whose location (letter case ignored; keys of `owners` are
// case-folded locations) the run attached to another title than the one that
// holds it: a title whose XML now names another ID, or a placeholder whose
// folder got a readable title XML, gives its disc up, and a title left without
// a disc goes.
RemovalResult RemoveDiscsClaimedElsewhere(tTitles &titles, const QHash<QString, qsizetype> &owners,
                                          SyncTextLog &debugLog, const ImageLookup &lookupImages);
