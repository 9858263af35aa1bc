#include "ui/carousel.h"

#include "app/tform1.h"
#include "art/covercomposer.h"
#include "art/coverpredecoder.h"
#include "art/imageresources.h"
#include "ui/elements.h"
#include "ui/screenmode.h"

#include <QPainter>
#include <QPainterPath>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

namespace {

// Rounded down to even, also for negative positions.
qint32 evenPosition(qint32 p)
{
    return p - (((p % 2) + 2) % 2);
}

// A soft dark halo that fades out towards the element's edges: the shadow
// behind the enlarged cover.
QImage softShadow(QSize size, int spread)
{
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    // Nested rounded rectangles, each adding a little darkness: the centre
    // ends nearly opaque, the outer ring nearly clear.
    for (int i = 0; i < spread; ++i) {
        const QRectF r = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(i, i, -i, -i);
        p.setBrush(QColor(0, 0, 0, 22));
        p.drawRoundedRect(r, spread - i + 2, spread - i + 2);
    }
    return img;
}

} // namespace

Carousel::Carousel(TForm1 &form) : m_form(form)
{
    for (int c = 0; c < kColumns; ++c) {
        m_rowA[c] = form.image(CoverComposer::CarouselSlotName(2 * c));
        m_rowB[c] = form.image(CoverComposer::CarouselSlotName(2 * c + 1));
    }
    m_bigA = form.image(u"ImageCoverA5Big"_qs);
    m_bigB = form.image(u"ImageCoverB5Big"_qs);
    m_shadowA = form.image(u"ImageCoverA5BigShadow"_qs);
    m_shadowB = form.image(u"ImageCoverB5BigShadow"_qs);
    for (ImageElement *shadow : {m_shadowA, m_shadowB}) {
        shadow->setBackground(Qt::transparent);
        shadow->setPicture(softShadow(shadow->size().toSize(), 15), u"Shadow"_qs);
    }
    m_composer = std::make_unique<CoverComposer>(m_profiles, form.images());
    m_predecoder = std::make_unique<CoverPredecoder>(*m_composer, 2);
    m_requests.setMaxThreadCount(1);
    m_requests.setObjectName(u"CarouselPrefetch"_qs);
    m_requestTimer.setSingleShot(true);
    m_requestTimer.setInterval(0);
    m_requestTimer.callOnTimeout([this] { sendPendingRequest(); });
}

void Carousel::sendPendingRequest()
{
    CoverPredecoder *predecoder = m_predecoder.get();
    m_requests.start([predecoder, ahead = std::exchange(m_pendingRequest, {})] { predecoder->Prefetch(ahead); });
}

Carousel::~Carousel()
{
    m_requestTimer.stop();
    m_requests.waitForDone();
    m_predecoder.reset();
}

CoverComposer &Carousel::composer()
{
    ensureProfile();
    return *m_composer;
}

const CoverProfiles &Carousel::profiles()
{
    ensureProfile();
    return m_profiles;
}

void Carousel::ensureProfile()
{
    // The blank image and the profile's frames need the embedded images,
    // which the window decodes while it is created.
    if (m_blank.isNull())
        m_blank = m_form.images().blank();
    m_composer->setLocalArt(m_form.Settings.LocalArt, m_form.CachePath);
    if (m_profileLoaded)
        return;
    m_profileLoaded = true;
    const QStringList problems = m_profiles.Load(m_form.Settings.CoverProfile, tCoverFolders::Standard(m_form.AppPath),
                                                 m_form.images());
    for (const QString &problem : problems)
        qWarning("Cinevue: cover profile: %s", qPrintable(problem));
}

void Carousel::ReloadProfile()
{
    m_requestTimer.stop();
    m_pendingRequest.clear();
    // Worker threads read the profile while they compose.
    m_requests.waitForDone();
    m_predecoder->waitForDone();
    m_profileLoaded = false;
    ensureProfile();
    m_composer->clearCache();
}

void Carousel::ArtChanged()
{
    m_requestTimer.stop();
    m_pendingRequest.clear();
    m_requests.waitForDone();
    m_predecoder->waitForDone();
    m_composer->clearCache();
}

void Carousel::waitForPrefetch()
{
    if (m_requestTimer.isActive()) {
        m_requestTimer.stop();
        sendPendingRequest();
    }
    m_requests.waitForDone();
    m_predecoder->waitForDone();
}

qint32 Carousel::focusColumnStart() const
{
    return evenPosition(m_form.FocusIndex);
}

void Carousel::place(int column, bool rowB, const QImage &cover, const QString &name)
{
    full(column, rowB) = cover;
    slot(column, rowB)->setPicture(cover, name);
}

void Carousel::setSlotTo(int column, bool rowB, qint32 position)
{
    const QList<qint32> &viewList = m_form.ViewList;
    if (position >= 0 && position < viewList.size()) {
        const qint32 titleIndex = viewList.at(position);
        if (titleIndex >= 0 && titleIndex < m_form.Titles.Title.size()) {
            const tTitle &title = m_form.Titles.Title.at(titleIndex);
            place(column, rowB, m_composer->CreateCover(title, false), title.ID);
            return;
        }
    }
    place(column, rowB, m_blank, blankName());
}

void Carousel::moveColumn(int from, int to)
{
    for (const bool rowB : {false, true}) {
        ImageElement *source = slot(from, rowB);
        slot(to, rowB)->setPicture(source->picture(), source->pictureName());
        full(to, rowB) = full(from, rowB);
    }
}

void Carousel::showEnlarged()
{
    const tScreenMode mode = m_form.ScreenMode;
    // The shadow always goes with the enlarged cover, also when the focus
    // reaches row A from the bottom of the previous column.
    m_shadowA->setVisible(mode == smRowA);
    m_shadowB->setVisible(mode == smRowB);
    ImageElement *a5 = m_rowA[kFocusColumn];
    ImageElement *b5 = m_rowB[kFocusColumn];
    if (mode == smRowA)
        m_bigA->setPicture(m_fullA[kFocusColumn], a5->pictureName());
    else
        m_bigA->setPicture(m_blank, blankName());
    if (mode == smRowB)
        m_bigB->setPicture(m_fullB[kFocusColumn], b5->pictureName());
    else
        m_bigB->setPicture(m_blank, blankName());
}

void Carousel::composeMissing(const QList<qint32> &positions)
{
    struct Job {
        const tTitle *title;
        QString key;
    };
    QList<Job> jobs;
    for (qint32 p : positions) {
        if (p < 0 || p >= m_form.ViewList.size())
            continue;
        const qint32 titleIndex = m_form.ViewList.at(p);
        if (titleIndex < 0 || titleIndex >= m_form.Titles.Title.size())
            continue;
        const tTitle &title = m_form.Titles.Title.at(titleIndex);
        QString key = m_composer->cacheKey(title, false);
        if (!m_composer->cachedCover(key))
            jobs.append({&title, std::move(key)});
    }
    if (jobs.size() < 2)
        return; // one cover is composed where it is needed
    // The calling thread takes part, so a jump costs about a half of the
    // covers' composition on two cores.
    CoverComposer &composer = *m_composer;
    QtConcurrent::blockingMap(QThreadPool::globalInstance(), jobs, [&composer](const Job &job) {
        composer.storeCover(job.key, composer.Compose(*job.title, false));
    });
}

void Carousel::prefetch(const QList<qint32> &positions)
{
    // Copies of the titles: the collection may change before the request runs.
    QList<tTitle> ahead;
    ahead.reserve(positions.size());
    const QList<qint32> &viewList = m_form.ViewList;
    for (qint32 p : positions) {
        if (p >= 0 && p < viewList.size()) {
            const qint32 titleIndex = viewList.at(p);
            if (titleIndex >= 0 && titleIndex < m_form.Titles.Title.size())
                ahead.append(m_form.Titles.Title.at(titleIndex));
        }
    }
    m_pendingRequest = std::move(ahead);
    m_requestTimer.start();
}

// Positions of the `columns` columns beyond the even position `from`, nearest
// first (the predecoder starts them in that order), in direction `step`.
static QList<qint32> columnsBeyond(qint32 from, int step, int columns)
{
    QList<qint32> positions;
    for (int i = 1; i <= columns; ++i)
        positions << from + 2 * i * step << from + 2 * i * step + 1;
    return positions;
}

void Carousel::LoadCoverArt(qint32 coverIndex)
{
    ensureProfile();
    const std::array<int, CoverComposer::kSlotCount> positions =
        CoverComposer::CarouselPositions(coverIndex, int(m_form.ViewList.size()));
    composeMissing(QList<qint32>(positions.begin(), positions.end()));

    tCarouselSink sink;
    sink.HideBigShadows = [this] {
        m_shadowA->hide();
        m_shadowB->hide();
    };
    sink.SetSlot = [this, &positions](int i, const QImage &cover) {
        const qint32 titleIndex = positions[i] < 0 ? -1 : m_form.ViewList.at(positions[i]);
        if (titleIndex < 0 || titleIndex >= m_form.Titles.Title.size())
            place(i / 2, i % 2 == 1, cover, blankName());
        else
            place(i / 2, i % 2 == 1, cover, m_form.Titles.Title.at(titleIndex).ID);
    };
    sink.SetBigCovers = [this](int focusRow, const QImage &, const QImage &) {
        // The names come with the slot pictures, so the copies are taken from there.
        Q_UNUSED(focusRow);
        showEnlarged();
    };
    m_composer->LoadCoverArt(coverIndex, m_form.ViewList, m_form.Titles, m_form.ScreenMode, sink);

    if (!m_form.ViewList.isEmpty()) {
        const qint32 a = evenPosition(coverIndex);
        const int half = kAheadColumns / 2;
        prefetch(columnsBeyond(a + 2 * kFocusColumn, +1, half) + columnsBeyond(a - 2 * kFocusColumn, -1, half));
    }
}

void Carousel::ShiftCoverArt(const QString &direction)
{
    ensureProfile();
    const qint32 a = focusColumnStart();
    if (direction == u"Right") {
        for (int c = 0; c < kColumns - 1; ++c)
            moveColumn(c + 1, c);
        showEnlarged();
        const qint32 m = a + 2 * kFocusColumn;
        setSlotTo(kColumns - 1, false, m);
        setSlotTo(kColumns - 1, true, m + 1);
        prefetch(columnsBeyond(m, +1, kAheadColumns));
    } else if (direction == u"Left") {
        for (int c = kColumns - 1; c > 0; --c)
            moveColumn(c - 1, c);
        showEnlarged();
        const qint32 m = a - 2 * kFocusColumn;
        setSlotTo(0, false, m);
        setSlotTo(0, true, m + 1);
        prefetch(columnsBeyond(m, -1, kAheadColumns));
    } else if (direction == u"Up" || direction == u"Down") {
        showEnlarged();
    }
}

void Carousel::RecomposeFocusCover()
{
    ensureProfile();
    const tScreenMode mode = m_form.ScreenMode;
    if (mode != smRowA && mode != smRowB)
        return;
    setSlotTo(kFocusColumn, mode == smRowB, m_form.FocusIndex);
    showEnlarged();
}
