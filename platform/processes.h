#pragma once
// Starting outside programs.

#include <QString>
#include <QStringList>

struct RunProgramResult {
    bool missing = false;  // Path names no existing file (and is not "PowerShell")
    bool started = false;
    int exitCode = -1;     // when waited for and the program ended normally
    // The message-box texts to show, in order: "Program "..." is missing."
    // and/or "Unable to run " + Path + Arguments.
    QStringList messages() const;
    QString path;
    QString arguments;
};

// Starts `path` with `arguments` (one command-line text, split like a shell
// does, quotes grouping). With `wait` the call blocks until the program ends,
// without a time limit; otherwise the program runs on beside Cinevue in a
// process group of its own. `hidden` asks for no window, otherwise maximised;
// on Linux a program chooses its window itself, so the flag only travels in
// the environment (CINEVUE_START_HIDDEN=1) for the programs that look.
// A missing file is reported but the start is still attempted.
RunProgramResult RunProgram(const QString &path, const QString &arguments, bool wait, bool hidden);
