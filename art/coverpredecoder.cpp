#include "art/coverpredecoder.h"

#include "art/covercomposer.h"

#include <QMutexLocker>

CoverPredecoder::CoverPredecoder(CoverComposer &composer, int threads)
    : m_composer(composer)
{
    m_pool.setMaxThreadCount(qMax(1, threads));
    m_pool.setObjectName(QStringLiteral("CoverPredecoder"));
}

CoverPredecoder::~CoverPredecoder()
{
    {
        QMutexLocker lock(&m_mutex);
        m_wanted.clear();
    }
    m_pool.waitForDone();
}

void CoverPredecoder::Prefetch(const QList<tTitle> &titles)
{
    QMutexLocker lock(&m_mutex);
    m_wanted.clear();
    for (const tTitle &title : titles) {
        const QString key = m_composer.cacheKey(title, false);
        if (m_composer.cachedCover(key))
            continue;
        m_wanted.insert(key);
        if (m_inFlight.contains(key))
            continue;
        m_inFlight.insert(key);
        // The title is copied: the collection may change while the job waits.
        m_pool.start([this, title, key] { run(title, key); });
    }
}

void CoverPredecoder::run(const tTitle &title, const QString &key)
{
    {
        QMutexLocker lock(&m_mutex);
        if (!m_wanted.contains(key)) {
            m_inFlight.remove(key);
            return;
        }
    }
    const QImage cover = m_composer.Compose(title, false);
    m_composer.storeCover(key, cover);
    QMutexLocker lock(&m_mutex);
    m_wanted.remove(key);
    m_inFlight.remove(key);
}

void CoverPredecoder::waitForDone()
{
    m_pool.waitForDone();
}
