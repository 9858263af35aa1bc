#pragma once
// Putting an update package in place of the program in the program folder.
//
// The package is first extracted into a staging folder inside the program
// folder; nothing of the program changes unless every entry was written.
// Then the staged files are moved into place one rename at a time, the
// program file last. Before the first move a journal (the rollback folder's
// "pending" file) lists the files and folders the install adds, and every
// file it replaces is moved into the rollback folder, so that a failure, or
// a run cut off while moving, can be undone: rollBack() does it at once,
// recoverInterrupted() at the next update check. Removing the journal is the
// moment the install counts as done.
//
// The program file itself is backed up by the caller (renamed to its ".old"
// name) just before the staged program moves in, so the caller decides how
// a failed rename is reported.

#include <QString>
#include <QStringList>

#include <atomic>

class PackageInstall
{
public:
    // `appPath` with or without its trailing separator; `programName` the
    // program file's name in it.
    PackageInstall(const QString &appPath, const QString &programName);

    QString programFile() const;    // appPath + programName
    QString backupFile() const;     // programFile() + ".old"
    QString stagingFolder() const;  // appPath + ".cinevue-update"
    QString rollbackFolder() const; // appPath + ".cinevue-rollback"

    // Whether an update may replace the program here: files can be created
    // in the program folder and it holds the program file. An installed
    // package (program in a system folder) cannot.
    bool canReplaceProgram() const;

    // Undoes an install that ended while it moved files (journal present,
    // the program's backup renamed back) and removes a staging folder left
    // behind. Returns what could not be undone, normally nothing.
    QStringList recoverInterrupted();

    struct StageResult {
        bool ok = false;
        bool missingProgram = false; // the package holds no program file
        QString error;
    };
    // Extracts the package into a fresh staging folder. Unsafe entries
    // (ExtractZip), entries named like the staging or rollback folder and a
    // package without the program file are refused; the staging folder is
    // then removed again.
    StageResult stage(const QString &zipPath, const std::atomic_bool *cancel = nullptr);

    // Moves every staged entry except the program file into place. A file
    // where the package has a folder (or the reverse) is refused before
    // anything moves. On failure everything is rolled back and the staging
    // folder removed.
    bool moveFilesIntoPlace(QString *error);
    // Moves the staged program file into place (its old file already renamed).
    bool moveProgramIntoPlace(QString *error);
    // The install is done: the journal, the replaced files and the staging
    // folder are removed.
    void commit();
    // Undoes the moves: added files and folders removed, replaced files put
    // back, the staging folder removed. Returns what could not be undone.
    QStringList rollBack();
    void discardStaging();

private:
    QString m_appPath; // with a trailing separator
    QString m_programName;
    QStringList m_files;   // staged, relative
    QStringList m_folders; // staged, relative
};
