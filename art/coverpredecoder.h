#pragma once
// Composes front covers ahead of the carousel on worker threads, into the
// composer's cache. The carousel names the titles it is about to show
// (Prefetch); CreateCover then finds them ready, and composes at once
// itself when a cover is not ready yet.

#include <QMutex>
#include <QSet>
#include <QString>
#include <QThreadPool>

#include "model/titles.h"

class CoverComposer;

class CoverPredecoder
{
public:
    explicit CoverPredecoder(CoverComposer &composer, int threads = 2);
    ~CoverPredecoder();
    CoverPredecoder(const CoverPredecoder &) = delete;
    CoverPredecoder &operator=(const CoverPredecoder &) = delete;

    // Queues the front covers of these titles that are not cached yet. A
    // cover queued by an earlier call and not started is dropped unless it is
    // named again: the carousel only wants what lies ahead of it now.
    void Prefetch(const QList<tTitle> &titles);
    // Blocks until every queued cover is done or dropped.
    void waitForDone();

private:
    void run(const tTitle &title, const QString &key);

    CoverComposer &m_composer;
    QThreadPool m_pool;
    QMutex m_mutex;
    QSet<QString> m_wanted;
    QSet<QString> m_inFlight;
};
