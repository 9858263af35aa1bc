#pragma once
// The update check: one run asks the update server for the answer made for
// the running version, lets the user decide, and replaces the program with
// the offered package. It runs on a background thread; everything the user
// sees goes through UpdateDialogs, whose calls block the check until the main
// thread has shown the box.

#include "update/updateinfo.h"

#include <QString>

#include <atomic>

struct UpdateSite {
    QString appPath;     // the program folder
    QString progVersion; // the running version
    QString serverUrl;   // scheme://host[:port]; empty: no server to ask
    QString programName = u"cinevue"_qs;
    // A run that cannot replace its own program tells about a new version
    // once; this is the version it told about last.
    QString noticedVersion;
    int stallTimeoutMs = 30000;
};

// What a check shows and does outside itself. Called on the check's thread.
class UpdateDialogs
{
public:
    virtual ~UpdateDialogs() = default;
    virtual bool askYesNo(const QString &text) = 0;
    virtual void showMessage(const QString &text) = 0;
    // An error box with one "Close" button.
    virtual void showError(const QString &text) = 0;
    virtual void setCaption(const QString &text) = 0;
    // The new program is in place: start it and end this one.
    virtual void restart(const QString &programFile) = 0;
};

enum class UpdateOutcome {
    NoUpdate,             // nothing offered (or no answer)
    Declined,             // optional update, answered No
    PackageManagerNotice, // offered, but this program cannot replace itself
    DownloadFailed,
    CrcMismatch,
    SizeMismatch,
    ExtractFailed,        // the old program is in place again
    Installed,            // restart requested
    Cancelled,
};

struct UpdateCheckResult {
    UpdateOutcome outcome = UpdateOutcome::NoUpdate;
    tUpdate update;         // the last answer, as this check left it
    QString version;        // the running version as the check used it
    QString noticedVersion; // see UpdateSite
    QString detail;         // why a download or an extraction failed
};

class CheckForUpdates
{
public:
    // `previous` is the answer of the last check (fields that this check's
    // answer does not bring keep their values). `cancel` ends the check
    // early when it becomes true.
    CheckForUpdates(UpdateSite site, tUpdate previous, UpdateDialogs &dialogs,
                    const std::atomic_bool *cancel = nullptr);

    UpdateCheckResult Execute();

    // The texts of the error boxes and messages.
    static QString CrcErrorText();
    static QString SizeErrorText();
    static QString ExtractErrorText();
    static QString CouldNotDeleteText(const QString &path);
    static QString CouldNotRenameText(const QString &from, const QString &to);
    // The files of older versions removed at every check.
    static QStringList LeftOverFiles();

private:
    bool cancelled() const { return m_cancel && m_cancel->load(); }
    bool renameIfPresent(const QString &from, const QString &to);

    UpdateSite m_site;
    tUpdate m_previous;
    UpdateDialogs &m_dialogs;
    const std::atomic_bool *m_cancel;
};
