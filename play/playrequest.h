#pragma once
// cinevue-play's side of the PowerDVD command lines: what a command line asks
// for, what mpv is given for it, and when the title counts as watched.

#include "platform/discimage.h"
#include "platform/drives.h"
#include "platform/registrystore.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>

// One PowerDVD command line, as arguments after RunProgram's split:
//   LOC /LaunchProgram LP [options]                  (Path)
//   AUTOPLAY [KIND] DRIVE:\ /LaunchProgram LP [options] (AutoPlay; an empty
//                                                    KIND leaves no argument)
//   /LaunchProgram LP [options]                      (Drive: the virtual drive)
struct tPlayRequest {
    enum class Form { Path, AutoPlay, Drive };
    Form RequestForm = Form::Drive;
    QString Loc;           // Path
    QString Kind;          // AutoPlay: "DVD", "BR" or empty
    QString Drive;         // AutoPlay: the text before ":\"
    QString LaunchProgram; // the LP word, kept for the record
    QStringList Options;   // everything else, e.g. "/fullscreen_mode_on"
    bool operator==(const tPlayRequest &) const = default;
};

struct tPlayRequestResult {
    std::optional<tPlayRequest> Request;
    QString Error;
};
tPlayRequestResult ParsePlayRequest(const QStringList &arguments);

// What mpv plays.
struct tPlaybackSource {
    QString Loc;   // what Cinevue knows the disc by: the path given, or the image in the drive
    QString Name;  // for the window title: the folder's, file's or image's name
    tDiscKind Kind = tDiscKind::Unknown; // DVD or Blu-ray navigation; Unknown plays Media as a file
    QString Media; // the file, the disc folder, the image or the drive's device
    bool operator==(const tPlaybackSource &) const = default;
};

struct tPlaybackSourceResult {
    std::optional<tPlaybackSource> Source;
    QString Error; // one line for the user
};

// Resolves the request against the file system and the drives: a DVD folder
// (VIDEO_TS inside, or VIDEO_TS itself), a Blu-ray folder (BDMV), a disc
// image, a media file; the drive forms take the image in the virtual drive
// (by KIND, or guessed from the image) or a real drive's device.
tPlaybackSourceResult ResolvePlaybackSource(const tPlayRequest &request, const IRegistryStore &store,
                                            const tOpticalDriveSources &sources = {});

struct tMpvSettings {
    bool Display = false;      // a display exists: full screen; else no video or audio output
    QString WatchLaterDirectory;
    QString InputConf;         // the key bindings file
    QString IpcServer;         // the JSON IPC socket
};

// mpv's arguments. mpv starts paused; the session un-pauses it once it
// watches the IPC socket, so that no event of a short title is missed.
QStringList MpvArguments(const tPlaybackSource &source, const tMpvSettings &settings);

// The player window's title: NAME + kPlayerWindowSuffix. The suffix holds
// "PowerDVD", so the start-up player shutdown finds the window by that name.
inline const QString kPlayerWindowSuffix = QStringLiteral(" - Cinevue Player (PowerDVD)");
QString PlayerWindowTitle(const QString &name);

// The key bindings for a Media Center remote and a keyboard: Play/Pause
// toggles pause; Stop, Back and Escape quit keeping the position; forward
// and rewind seek; next and previous change chapter.
QString MpvInputConf();

// Follows mpv's JSON IPC messages and decides when the title counts as
// watched: the end of the file, 90 % of its length, or its last chapter.
class PlaybackProgress
{
public:
    // One message; true when it made the title count as watched.
    bool update(const QJsonObject &message);

    bool watched() const { return m_watched; }
    bool ended() const { return m_ended; }
    // The end-file error ("file_error"), when the title could not be played.
    QString error() const { return m_error; }
    bool failed() const { return m_failed; }

    static constexpr double kWatchedPercent = 90.0;

private:
    bool markWatched();

    double m_percent = 0;
    qint64 m_chapter = -1;
    qint64 m_chapters = 0;
    bool m_watched = false;
    bool m_ended = false;
    bool m_failed = false;
    QString m_error;
};
