#pragma once
// The local database CinevueDB.xml: the whole collection kept between runs.
//
// Writing: WriteDatabaseFile() serialises a collection synchronously and
// replaces the file atomically (a complete new file or the old one, never a
// half-written one). LocalDatabaseWriter (and the process-wide UpdateLocalDB())
// does the same on one background thread: requests are served one at a time,
// and a request that arrives while another is still waiting replaces it, so the
// newest collection state always wins and writers never interleave.
//
// Reading: LoadLocalDatabase() rebuilds a collection from the file, with the
// version gate and the derived New/InDrive flags. It reads the file in pieces,
// so that the file's bytes, a document of all of it and the collection are
// never in memory together, and gives what a parse of the whole file would.
// It is independent of the screen: progress goes through LoadProgress
// callbacks and the outcome comes back as a LoadResult for the window to show.

#include "model/titles.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QThread;

inline constexpr char16_t kDatabaseFileName[] = u"CinevueDB.xml";
inline constexpr char16_t kObsoleteDatabaseFileName[] = u"CVB_Database.bin";
// A database larger than this is not read (a million titles stay below).
inline constexpr qint64 kMaxDatabaseBytes = qint64(1) << 30;
// Files whose CVBVer sorts below this (ordinal text comparison) are rejected.
inline constexpr char16_t kMinimumDatabaseVersion[] = u"1.7.2017.0006";

// `appPath` may or may not end with a separator.
QString DatabaseFilePath(const QString &appPath);

// ---------------------------------------------------------------- writer

// Writes `titles` as a complete database file at `path`, replacing any file
// there only once the new one is complete. The text goes to the file as it is
// made, without a second copy of the collection. On failure returns false,
// leaves the old file untouched and puts a readable reason into `error` (if
// given).
bool WriteDatabaseFile(const QString &path, const tTitles &titles, const QString &progVersion,
                       QString *error = nullptr);

// The database writer thread. Each request carries its own copy of the
// collection (cheap: the containers are implicitly shared), taken by the
// caller's thread when request() is called, so later edits never reach a write.
//
// Failures are never swallowed: each one is reported with qWarning, appended
// as a time-stamped line to <appPath>/Logs/DatabaseErrors.txt, and emitted as
// writeFailed() (delivered in the thread that owns this object).
class LocalDatabaseWriter : public QObject
{
    Q_OBJECT
public:
    explicit LocalDatabaseWriter(QObject *parent = nullptr);
    // Finishes the pending writes, then stops the thread.
    ~LocalDatabaseWriter() override;

    // Returns a ticket for waitFor(). A request that replaces a waiting one
    // shares its fate: its ticket is done when the newer state is written.
    quint64 request(const tTitles &titles, const QString &appPath, const QString &progVersion);
    // Blocks until no write is running or waiting.
    void waitForIdle();
    // Blocks until the write that carries the request `ticket` (or a later
    // one) has finished and returns its error text (empty: written). `pump`,
    // when given, is called about every 10 ms while waiting.
    QString waitFor(quint64 ticket, const std::function<void()> &pump = {});

signals:
    void writeFailed(const QString &error);
    void writeFinished();

private:
    struct Request {
        tTitles titles;
        QString appPath;
        QString progVersion;
    };
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::optional<Request> m_pending;
    quint64 m_lastTicket = 0;     // handed out by request()
    quint64 m_pendingTicket = 0;  // the ticket m_pending carries
    quint64 m_doneTicket = 0;     // every ticket up to this one is written (or failed)
    QString m_lastError;          // of the write that finished last
    bool m_busy = false;
    bool m_stopping = false;
    std::unique_ptr<QThread> m_thread;
};

// The process-wide writer, created on first use: what the watched and
// watch-list toggles and the end of a sync run start.
void UpdateLocalDB(const tTitles &titles, const QString &appPath, const QString &progVersion);
// Waits for the process-wide writer's pending writes (exit path, headless sync).
void WaitForDatabaseWriter();
// The process-wide writer itself, e.g. to connect to writeFailed().
LocalDatabaseWriter &DatabaseWriter();

// ---------------------------------------------------------------- reader

// What the window maps to its labels while a load runs. Any member may be empty.
struct LoadProgress {
    std::function<void(const QString &)> processing; // LabelProcessing
    std::function<void(const QString &)> status;     // LabelProcessingStatus
    std::function<void(int)> titleNumber;            // LabelTitleNum
    std::function<void(const QString &)> totalTitles; // LabelTotalTitles, "| n"
};

struct LoadResult {
    enum Status { Loaded, Rejected, Error };
    Status status = Error;
    tTitles titles;          // empty unless Loaded
    QString error;           // Error: what went wrong and where
    QString messageBoxText;  // Rejected with AutoScan off: the text to show
    QString statusText;      // last LabelProcessingStatus text ("Load Complete", "Load Aborted", ...)
    bool snapshotDeleted = false; // CVB_SmartSync.bin was removed
};

// Reads <appPath>/CinevueDB.xml. `lastMountedFile` is the image Virtual
// CloneDrive mounted last ("ERROR" or empty: none); `now` decides New.
//
// Deletes the obsolete CVB_Database.bin. A file older than
// kMinimumDatabaseVersion is Rejected and CVB_SmartSync.bin deleted. A file
// that cannot be read (missing, not well-formed, a bad number, enumeration
// name or date, an episode without E or S) gives Error with an empty
// collection; the snapshot is deleted then as well, because a sync against the
// old snapshot would import only the changed titles and the next database
// write would drop all the others.
//
// Children of <Titles> that are not <Title> elements still take a place in
// the collection, with every field at its default. Only element children count
// as entries of a list: the writer puts no text between elements.
// The pugixml parse flags the reader uses (for comparisons in benchmarks).
unsigned DatabaseParseOptions();

LoadResult LoadLocalDatabase(const QString &appPath, const QString &progVersion, bool autoScan,
                             const QString &lastMountedFile, const QDateTime &now,
                             const LoadProgress &progress = {});
