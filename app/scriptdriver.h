#pragma once
// cinevue-script: runs the real window headless on a program folder, feeds
// it keys and writes what the screen shows (state.json, screen.png).

#include <QString>
#include <QStringList>

#include <optional>

class TForm1;

struct ScriptOptions {
    QString workDir;
    QStringList keys;
    QString outDir;        // default: workDir/script-out
    bool shotEach = false; // state-NNN.json / screen-NNN.png after every key
};

// Parses "WORKDIR [--keys "K ..."] [--out DIR] [--shot-each]" (arguments
// after the program name). std::nullopt with `error` set for a bad line.
std::optional<ScriptOptions> ParseScriptArguments(const QStringList &arguments, QString *error);

// Key names: Left Right Up Down Enter Backspace Escape Space Play Next Prev
// Comma Period LBracket RBracket, a single character, or "wait:MS".
bool IsValidScriptKey(const QString &name);

// Presses and releases one named key on the window, as real key events, then
// lets the window work until no fade is running. "wait:MS" just lets timers
// run for MS milliseconds.
bool SendScriptKey(TForm1 &form, const QString &name);

// Lets events run until start-up is over, no fade is running and no update
// check is running.
void WaitUntilIdle(TForm1 &form, int timeoutMs = 600000);

// Writes state<suffix>.json and screen<suffix>.png into `outDir`. False with
// `error` set when a file cannot be written.
bool WriteScreenState(TForm1 &form, const QString &outDir, const QString &suffix, QString *error);

// The whole run; needs a QApplication. Returns the process exit code.
int RunScript(const ScriptOptions &options);
