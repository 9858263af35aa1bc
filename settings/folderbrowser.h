#pragma once
// A folder browser for the television: the settings screen adds a monitored
// folder or picks a program with it, and a remote has no mouse for the
// system's folder dialog. It lists the places where collections live (the
// home folder, /media, /mnt, /srv and every mounted network share), walks
// into folders with the arrows and Enter and back out with Backspace, and
// chooses the folder it shows with its "Select" entry.
//
// A share that is slow or gone must never freeze the screen: every listing
// runs on a worker thread, the browser shows "…" meanwhile, gives up after a
// few seconds with a message and ignores an answer that comes later.

#include "ui/screen.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <array>
#include <functional>
#include <optional>

class ImageElement;
class LabelElement;
class QThreadPool;

// One row of a listing.
struct FolderBrowserEntry {
    QString name;        // what the row shows
    QString path;        // the folder or file it stands for
    bool isFile = false;
    bool operator==(const FolderBrowserEntry &) const = default;
};

// A listing, or why there is none.
struct FolderListing {
    QList<FolderBrowserEntry> entries;
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// Lists the folders in `path`, and the files whose names match one of
// `filePatterns` (wildcards, any letter case); an empty `path` lists the
// places. Runs on a worker thread and may block on a dead share.
using FolderLister = std::function<FolderListing(const QString &path, const QStringList &filePatterns)>;

// One line of /proc/self/mounts.
struct MountEntry {
    QString device;
    QString mountPoint;
    QString type;
    bool operator==(const MountEntry &) const = default;
};
// The mounts table's lines; names are unescaped ("\040" is a space).
QList<MountEntry> ParseMounts(const QByteArray &table);
// nfs, nfs4, cifs, smb3, fuse.sshfs and the other file systems of remote hosts.
bool IsNetworkFileSystem(const QString &type);
// The places list: `home`, /media, /mnt and /srv where `isFolder` says they
// exist, then every network mount not yet listed. Mount points are only named,
// never touched, so a dead share cannot block the list.
QList<FolderBrowserEntry> FolderPlaces(const QString &home, const QList<MountEntry> &mounts,
                                       const std::function<bool(const QString &)> &isFolder);
// The order of the rows: letter case ignored, runs of digits by their value
// ("Disc 9" before "Disc 10"). Negative, 0 or positive.
int NaturalCompare(const QString &a, const QString &b);
// Why `path` could not be listed, for the errno of the failed listing.
QString ListingErrorText(const QString &path, int errorNumber);
// The lister the browser uses unless it is given another one.
FolderListing ListFolder(const QString &path, const QStringList &filePatterns);

// What to browse for.
struct FolderBrowserRequest {
    QString title = QStringLiteral("Select a directory");
    // Where to start; empty: the places list.
    QString startPath;
    // Empty: folders only, chosen with "Select". Otherwise the matching files
    // are listed too and Enter on one chooses it.
    QStringList filePatterns;
};

class FolderBrowser : public QObject, public ScreenComponent
{
    Q_OBJECT
public:
    explicit FolderBrowser(ScreenHost &host);
    ~FolderBrowser() override;

    // Mode 29.
    void registerKeys(KeyDispatcher &dispatcher) override;
    // FolderBrowserPath, FolderBrowserCursor, the rows and whether it waits.
    void dumpState(QJsonObject &state) const override;

    // Shows the browser (ScreenMode 29). `done` gets the chosen path, or an
    // empty text when the user backs out; the caller sets the mode again.
    void Open(const FolderBrowserRequest &request, std::function<void(const QString &chosen)> done);
    bool isOpen() const;

    // Tests: another lister, a shorter patience.
    void setLister(FolderLister lister) { m_lister = std::move(lister); }
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }
    int timeoutMs() const { return m_timeoutMs; }

    // The folder shown (empty: the places), its rows (the "Select" row
    // first when folders are chosen), the cursor and the status line.
    QString path() const { return m_path; }
    const QList<FolderBrowserEntry> &rows() const { return m_rows; }
    int cursor() const { return m_cursor; }
    QString status() const;
    bool isWaiting() const { return m_pending.has_value(); }

    static constexpr int kVisibleRows = 14;

private:
    enum class Purpose { Open, Up, Refresh, Select };
    struct Pending {
        quint64 generation = 0;
        QString path;
        Purpose purpose = Purpose::Open;
        QString focusPath; // the row to put the cursor on when it arrives
    };

    void request(const QString &path, Purpose purpose, const QString &focusPath = {});
    void arrived(const Pending &pending, const FolderListing &listing);
    void timedOut();
    void cancelPending();
    void show(const QString &path, const QList<FolderBrowserEntry> &entries, const QString &focusPath);
    void redraw();
    void setStatus(const QString &text);
    void moveCursor(int to);
    void enter();
    void openRow();
    void goUp();
    void finish(const QString &chosen);
    bool isPlace(const QString &path) const;
    bool choosesFolders() const { return m_request.filePatterns.isEmpty(); }

    ImageElement *m_panel;
    LabelElement *m_title;
    LabelElement *m_pathLabel;
    LabelElement *m_position;
    LabelElement *m_status;
    LabelElement *m_keys;
    std::array<LabelElement *, kVisibleRows> m_icons{};
    std::array<LabelElement *, kVisibleRows> m_labels{};

    FolderBrowserRequest m_request;
    std::function<void(const QString &)> m_done;
    FolderLister m_lister;
    int m_timeoutMs = 5000;
    // The workers of the listings. A listing stuck on a dead share keeps its
    // thread; the pool is then left behind at the end instead of waited for.
    QThreadPool *m_pool;
    QTimer m_timeout;
    quint64 m_generation = 0;
    std::optional<Pending> m_pending;

    QString m_path;
    QList<FolderBrowserEntry> m_rows;
    QList<FolderBrowserEntry> m_places; // the last places list
    int m_cursor = 0;
    int m_top = 0;
    QString m_statusText;
};
