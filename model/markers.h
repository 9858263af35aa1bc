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

// The folders whose marker files belong to the title: its Directory first,
// then every other existing folder that holds one of its discs.
QStringList MarkerFolders(const tTitle &title);

// Inverts WatchedCVB and brings CVB_Watched.txt / CVB_NotWatched.txt in line,
// in every folder of MarkerFolders().
MarkerResult ToggleWatchedStatus(tTitle &title);
// Inverts WatchList and creates or deletes CVB_WatchList.txt in every folder
// of MarkerFolders().
MarkerResult ToggleWatchList(tTitle &title);

// Reads WatchedCVB and WatchList back from the marker files of the title's
// folders, deleting nothing (another title's toggle wrote into a folder this
// one shares).
void RefreshMarkerState(tTitle &title);

// Import-time evaluation, right after Watched was read from the title XML:
// sets WatchedCVB and WatchList from the marker files and deletes markers that
// only repeat the XML.
void EvaluateMarkers(tTitle &title);
// For placeholder titles: WatchedCVB is whether CVB_Watched.txt exists and
// WatchList whether CVB_WatchList.txt does; nothing is deleted.
void EvaluatePlaceholderMarkers(tTitle &title);
