#include "ui/carousel.h"

#include "app/collection.h"
#include "art/covercomposer.h"
#include "art/coverpredecoder.h"
#include "art/imageresources.h"
#include "ui/elements.h"
#include "ui/fanartview.h"
#include "ui/keydispatcher.h"
#include "ui/messages.h"
#include "ui/remotekeys.h"
#include "ui/scene.h"
#include "ui/screenmode.h"
#include "ui/titlegrid.h"

#include <QElapsedTimer>
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

qint64 steadyNowMs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed();
}

} // namespace

Carousel::Carousel(ScreenHost &host) : ScreenComponent(host)
{
    const Scene &scene = host.scene();
    for (int c = 0; c < kColumns; ++c) {
        m_rowA[c] = scene.image(CoverComposer::CarouselSlotName(2 * c));
        m_rowB[c] = scene.image(CoverComposer::CarouselSlotName(2 * c + 1));
    }
    m_bigA = scene.image(u"ImageCoverA5Big"_qs);
    m_bigB = scene.image(u"ImageCoverB5Big"_qs);
    m_shadowA = scene.image(u"ImageCoverA5BigShadow"_qs);
    m_shadowB = scene.image(u"ImageCoverB5BigShadow"_qs);
    for (ImageElement *shadow : {m_shadowA, m_shadowB}) {
        shadow->setBackground(Qt::transparent);
        shadow->setPicture(softShadow(shadow->size().toSize(), 15), u"Shadow"_qs);
    }
    m_composer = std::make_unique<CoverComposer>(m_profiles, host.images());
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
        m_blank = host().images().blank();
    const tSettings &settings = host().settings();
    m_composer->setLocalArt(settings.LocalArt, host().cachePath());
    if (m_profileLoaded)
        return;
    m_profileLoaded = true;
    const QStringList problems = m_profiles.Load(settings.CoverProfile, tCoverFolders::Standard(host().appPath()),
                                                 host().images());
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
    return evenPosition(browser().FocusIndex);
}

void Carousel::place(int column, bool rowB, const QImage &cover, const QString &name)
{
    full(column, rowB) = cover;
    slot(column, rowB)->setPicture(cover, name);
}

void Carousel::setSlotTo(int column, bool rowB, qint32 position)
{
    const QList<qint32> &viewList = browser().ViewList;
    const tTitles &titles = host().titles();
    if (position >= 0 && position < viewList.size()) {
        const qint32 titleIndex = viewList.at(position);
        if (titleIndex >= 0 && titleIndex < titles.Title.size()) {
            const tTitle &title = titles.Title.at(titleIndex);
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
    const tScreenMode mode = browser().ScreenMode;
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
    const QList<qint32> &viewList = browser().ViewList;
    const tTitles &titles = host().titles();
    for (qint32 p : positions) {
        if (p < 0 || p >= viewList.size())
            continue;
        const qint32 titleIndex = viewList.at(p);
        if (titleIndex < 0 || titleIndex >= titles.Title.size())
            continue;
        const tTitle &title = titles.Title.at(titleIndex);
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
    const QList<qint32> &viewList = browser().ViewList;
    const tTitles &titles = host().titles();
    for (qint32 p : positions) {
        if (p >= 0 && p < viewList.size()) {
            const qint32 titleIndex = viewList.at(p);
            if (titleIndex >= 0 && titleIndex < titles.Title.size())
                ahead.append(titles.Title.at(titleIndex));
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
    const BrowserState &b = browser();
    const tTitles &titles = host().titles();
    const std::array<int, CoverComposer::kSlotCount> positions =
        CoverComposer::CarouselPositions(coverIndex, int(b.ViewList.size()));
    composeMissing(QList<qint32>(positions.begin(), positions.end()));

    tCarouselSink sink;
    sink.HideBigShadows = [this] {
        m_shadowA->hide();
        m_shadowB->hide();
    };
    sink.SetSlot = [this, &positions, &b, &titles](int i, const QImage &cover) {
        const qint32 titleIndex = positions[i] < 0 ? -1 : b.ViewList.at(positions[i]);
        if (titleIndex < 0 || titleIndex >= titles.Title.size())
            place(i / 2, i % 2 == 1, cover, blankName());
        else
            place(i / 2, i % 2 == 1, cover, titles.Title.at(titleIndex).ID);
    };
    sink.SetBigCovers = [this](int focusRow, const QImage &, const QImage &) {
        // The names come with the slot pictures, so the copies are taken from there.
        Q_UNUSED(focusRow);
        showEnlarged();
    };
    m_composer->LoadCoverArt(coverIndex, b.ViewList, titles, b.ScreenMode, sink);

    if (!b.ViewList.isEmpty()) {
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
    const tScreenMode mode = browser().ScreenMode;
    if (mode != smRowA && mode != smRowB)
        return;
    setSlotTo(kFocusColumn, mode == smRowB, browser().FocusIndex);
    showEnlarged();
}

// ---------------------------------------------------------------- keys

void Carousel::jumpTo(qint32 position)
{
    BrowserState &b = browser();
    b.FocusIndex = position;
    b.ScreenMode = position % 2 ? smRowB : smRowA;
    LoadCoverArt(b.FocusIndex);
    host().UpdateDetails();
}

// A marker that cannot be written leaves the title as it was on disk and
// says why; the cover is redrawn either way.
void Carousel::toggleMarker(MarkerResult (Collection::*toggle)(qint32))
{
    const qint32 focusTitle = browser().FocusTitle;
    if (focusTitle < 0 || focusTitle >= host().titles().Title.size())
        return;
    const MarkerResult result = (host().collection().*toggle)(focusTitle);
    if (!result.ok)
        messages::ShowError(result.error, host().window());
    RecomposeFocusCover();
}

void Carousel::registerKeys(KeyDispatcher &dispatcher)
{
    ModeKeys k;
    k.DetailsAfterKey = true;
    k.Backspace = [this] { host().dispatcher().suppressDetails(); };
    // Enter opens the focused title: a box set as its grid of titles, any
    // other title in the fan-art view.
    k.Enter = [this] {
        const BrowserState &b = browser();
        const tTitles &titles = host().titles();
        if (b.FocusTitle < 0 || b.FocusTitle >= titles.Title.size())
            return;
        if (titles.Title.at(b.FocusTitle).SeriesBoxSetParent) {
            if (TitleGrid *grid = host().screen<TitleGrid>())
                grid->OpenBoxSet();
        } else if (FanArtView *view = host().screen<FanArtView>()) {
            view->OpenFromCarousel();
        }
    };
    k.Escape = [this] { toggleMarker(&Collection::toggleWatched); };
    k.Star = [this] { toggleMarker(&Collection::toggleWatchList); };

    // No wrap: at the first or last column Left and Right do nothing.
    k.Left = [this] {
        BrowserState &b = browser();
        if (b.FocusIndex > 1) {
            b.FocusIndex -= 2;
            ShiftCoverArt(u"Left"_qs);
            host().UpdateDetails();
        }
    };
    k.Right = [this] {
        BrowserState &b = browser();
        if (b.FocusIndex + 2 < b.ViewList.size()) {
            b.FocusIndex += 2;
            ShiftCoverArt(u"Right"_qs);
            host().UpdateDetails();
        }
    };
    k.Up = [this] {
        BrowserState &b = browser();
        if (b.ScreenMode == smRowA) {
            // To the icon bar; the focused position stays.
            b.ScreenMode = smIconBar;
            host().UpdateIcons();
        } else {
            b.FocusIndex -= 1;
            b.ScreenMode = smRowA;
            host().UpdateDetails();
        }
        ShiftCoverArt(u"Up"_qs);
    };
    k.Down = [this] {
        BrowserState &b = browser();
        if (b.FocusIndex + 1 >= b.ViewList.size())
            return;
        b.FocusIndex += 1;
        if (b.ScreenMode == smRowA) {
            b.ScreenMode = smRowB;
            ShiftCoverArt(u"Down"_qs);
        } else {
            // From the bottom row to the top of the next column.
            b.ScreenMode = smRowA;
            ShiftCoverArt(u"Right"_qs);
        }
        host().UpdateDetails();
    };

    k.MediaJump = [this](quint16 key) {
        const BrowserState &b = browser();
        if (b.ViewList.isEmpty())
            return;
        const qint32 last = qint32(b.ViewList.size()) - 1;
        qint64 target = b.FocusIndex;
        switch (key) {
        case vk::MediaNextTrack: target = last; break;
        case vk::MediaPrevTrack: target = 0; break;
        case vk::Comma: target -= 60; break;
        case vk::Period: target += 60; break;
        case vk::LBracket: target -= 20; break;
        case vk::RBracket: target += 20; break;
        default: return;
        }
        jumpTo(qint32(qBound(qint64(0), target, qint64(last))));
    };
    k.Play = [this] {
        const BrowserState &b = browser();
        host().PlayClick(b.FanArtTitle >= 0 ? b.FanArtTitle : b.FocusTitle);
    };
    k.Character = [this](QChar c) {
        const QChar letter = m_multiTap.press(c, steadyNowMs());
        const BrowserState &b = browser();
        ViewListResult index;
        index.LetterIndex = b.LetterIndex;
        const qint32 position = index.letterPosition(letter);
        if (position >= 0 && position < b.ViewList.size())
            jumpTo(position);
    };
    dispatcher.setMode(smRowA, k);
    dispatcher.setMode(smRowB, std::move(k));
}
