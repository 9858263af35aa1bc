// Reading and parsing the title XML files of a sync, ahead of their import.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <pugixml.hpp>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct tDirectoryRec;

// The file a disc's import reads, and for a per-file XML the folder's
// mymovies.xml (`fallback`), read instead when the per-file one turns out
// enciphered. An empty `file`: the disc has no title XML.
struct TitleXmlJob {
    QString file;
    QString fallback;
};

// The job for disc `discIndex` of `dir`.
TitleXmlJob TitleXmlJobFor(const tDirectoryRec &dir, qsizetype discIndex);
// The jobs of every disc of `dirs`, in the order an import visits them.
QList<TitleXmlJob> TitleXmlJobsFor(const QList<tDirectoryRec> &dirs);

// One job's outcome. The document parses in place: its texts live in
// `buffer`. Holds no reference to anything else, so it may be made on any
// thread and handed to another.
struct LoadedTitleXml {
    TitleXmlJob job;
    bool ok = false;         // `doc` holds the file that is to be imported
    QString detail;          // why not: the read error or the parser's message
    int cutFields = 0;       // fields of `job.file` cut to kMaxFieldBytes
    bool fellBack = false;   // `job.file` was enciphered; `doc` is (or failed to be) the fallback
    int cutFallbackFields = 0;
    QByteArray buffer;
    pugi::xml_document doc;
};

// Reads and parses `job` on the calling thread.
std::unique_ptr<LoadedTitleXml> LoadTitleXml(const TitleXmlJob &job);

// Loads a run's jobs on worker threads, a bounded number ahead of the
// consumer, and hands them out strictly in the order given, so a run imports
// exactly what a one-thread run would, in the same order. Reading and
// parsing are independent per file; everything that touches the collection
// stays on the consumer's thread.
class TitleXmlReader
{
public:
    // `threads` workers (0: every job is loaded by take() itself).
    explicit TitleXmlReader(QList<TitleXmlJob> jobs, int threads = DefaultThreads());
    ~TitleXmlReader();
    TitleXmlReader(const TitleXmlReader &) = delete;
    TitleXmlReader &operator=(const TitleXmlReader &) = delete;

    // The next job's outcome, waiting for it if need be; null past the end.
    std::unique_ptr<LoadedTitleXml> take();

    qsizetype size() const { return m_jobs.size(); }

    // One worker per core beyond the consumer's, at least one, at most four:
    // past that the consumer's own share of an import is the bottleneck.
    static int DefaultThreads();

private:
    void work();

    // How far the workers may run ahead: enough to ride over a slow file,
    // small enough that the parsed documents waiting stay a few megabytes.
    static constexpr qsizetype kWindow = 64;

    const QList<TitleXmlJob> m_jobs;
    std::vector<std::unique_ptr<LoadedTitleXml>> m_loaded; // by job, until taken
    std::vector<std::thread> m_workers;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    qsizetype m_claimed = 0; // next job a worker starts
    qsizetype m_taken = 0;   // next job take() hands out
    bool m_stopping = false;
};
