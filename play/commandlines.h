#pragma once
// The command lines of the outside players and of the mount tool.
//
// A command line is a program path and one argument text; RunProgram splits
// the text into arguments (blanks separate, double quotes group, three quote
// characters in a row stand for one literal quote) and starts the program
// without a shell. Every argument text begins with a blank because the
// command line is the program path immediately followed by it.

#include "app/settings.h"
#include "model/titles.h"

#include <QString>

struct tCommandLine {
    QString Program;
    QString Arguments;
    bool operator==(const tCommandLine &) const = default;
};

// `text` in double quotes, each quote inside written as three, so that the
// split gives back exactly `text` as one argument whatever it holds (blanks,
// quotes, line breaks, shell characters). A text without quotes is simply
// "\"" + text + "\"".
QString QuotedArgument(const QString &text);

// " \"LOC\" /LaunchProgram LP" [+ " " + OtherOptions]: a disc folder, an MP4
// or an MKV file.
tCommandLine PowerDVDPathCommand(const tPDVD &pdvd, const QString &loc);

// The mounted image on the virtual drive `drive` (the whole drive-letter
// setting). With AutoPlay: " AUTOPLAY KIND DRIVE:\ /LaunchProgram LP",
// without: " /LaunchProgram LP"; OtherOptions appended after one blank.
tCommandLine PowerDVDDriveCommand(const tPDVD &pdvd, tDiscTypes discType, const QString &drive);

// KIND of the AutoPlay line: "DVD", "BR", or empty for HD DVD and 4K Ultra HD.
QString AutoPlayKind(tDiscTypes discType);

// "Movies & TV" for a media file: the desktop's default application for the
// file, through xdg-open with the file as its one argument. No command
// interpreter is involved, so no character of the file name can run a command.
tCommandLine MoviesAndTVCommand(const QString &loc);
// The xdg-open found in PATH, else "/usr/bin/xdg-open".
QString XdgOpenProgram();

// " l=DRIVE \"IMAGE\"" and " \"/l=DRIVE /u\"" for the mount tool.
tCommandLine MountCommand(const QString &vcdFilePath, const QString &drive, const QString &image);
tCommandLine UnmountCommand(const QString &vcdFilePath, const QString &drive);

// The path of `name` beside the running executable (where cinevue-play and
// cinevue-mount are installed with Cinevue), or empty when there is no
// executable file of that name.
QString FindBundledProgram(const QString &name);
