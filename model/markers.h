#pragma once
// Watched and watch-list marker files in a title's folder.

#include "model/titles.h"

#include <QString>

// Outcome of a toggle. On failure the in-memory flag matches what is on disk
// (the toggle is undone) and `error` says what could not be written or deleted.
struct MarkerResult {
    bool ok = true;
    QString error;
};

// Inverts WatchedCVB and brings CVB_Watched.txt / CVB_NotWatched.txt in line.
MarkerResult ToggleWatchedStatus(tTitle &title);
// Inverts WatchList and creates or deletes CVB_WatchList.txt.
MarkerResult ToggleWatchList(tTitle &title);

// Import-time evaluation, right after Watched was read from the title XML:
// sets WatchedCVB and WatchList from the marker files and deletes markers that
// only repeat the XML.
void EvaluateMarkers(tTitle &title);
// For placeholder titles: WatchedCVB is whether CVB_Watched.txt exists; nothing
// is deleted and WatchList is left alone.
void EvaluatePlaceholderMarkers(tTitle &title);
