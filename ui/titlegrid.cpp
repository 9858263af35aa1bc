#include "ui/titlegrid.h"

#include "app/collection.h"
#include "art/covercomposer.h"
#include "art/coverprofiles.h"
#include "art/imageresources.h"
#include "ui/carousel.h"
#include "ui/elements.h"
#include "ui/fanartview.h"
#include "ui/keydispatcher.h"
#include "ui/scene.h"
#include "ui/viewlist.h"

#include <QCoreApplication>
#include <QGraphicsItem>
#include <QJsonArray>
#include <QLinearGradient>
#include <QPainter>
#include <QThread>
#include <QVariantAnimation>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

const QString kArial = QString::fromUtf16(fonts::Arial);
const QString kVerdana = QString::fromUtf16(fonts::Verdana);
const QString kCalibri = QString::fromUtf16(fonts::Calibri);
const QColor kCornflowerBlue(0x64, 0x95, 0xED);
// Without a clock to place it under: above the main screen, below the menus,
// the search and the screensaver.
constexpr qreal kGridZ = 90000;
// Inside the grid: the name under the covers, the selected cover's row above
// the other rows, the information line above everything.
constexpr qreal kNameZ = -1;
constexpr qreal kFrontZ = 1e6;
constexpr qreal kFadeZ = 2e6;
constexpr int kFadeTop = 810;
const QColor kPendingCover(255, 255, 255, 18);
constexpr int kFadeHeight = 270;

// The pictures are made at their full design size, so that drawing them is
// a copy rather than a scaling of a full screen.

// The grid's own backdrop: the fan art stays faintly visible through it.
QImage panelPicture()
{
    QImage img(Scene::kWidth, Scene::kHeight, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    QLinearGradient g(0, 0, 0, Scene::kHeight);
    g.setColorAt(0, QColor(6, 10, 20, 215));
    g.setColorAt(1, QColor(6, 10, 20, 240));
    p.fillRect(img.rect(), g);
    return img;
}

// Darkens the bottom of the screen under the information line.
QImage fadePicture()
{
    QImage img(Scene::kWidth, kFadeHeight, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    QLinearGradient g(0, 0, 0, kFadeHeight);
    g.setColorAt(0, QColor(0, 0, 0, 0));
    g.setColorAt(0.35, QColor(0, 0, 0, 170));
    g.setColorAt(1, QColor(0, 0, 0, 235));
    p.fillRect(img.rect(), g);
    return img;
}

LabelElement *infoLabel(Scene &scene, const QString &name, const QRectF &geometry, const QFont &font,
                        const QColor &color, Element *parent)
{
    LabelElement *l = scene.addLabel(name, geometry, parent);
    l->setFont(font);
    l->setColor(color);
    l->setGlow(kCornflowerBlue, Element::kGlowRadius * 0.75);
    return l;
}

int rowOf(qint32 entry) { return entry < 0 ? -1 : entry / TitleGrid::kColumns; }

// A composed cover at the size of its cell, so that drawing it is a copy.
QImage fitted(const QImage &cover, QSize size)
{
    if (cover.isNull() || cover.size() == size || size.isEmpty())
        return cover;
    return cover.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace

// One row of covers. While a row is folded under the next one, only the strip
// that the next row leaves uncovered is drawn.
class GridRowItem : public QGraphicsItem
{
public:
    explicit GridRowItem(QGraphicsItem *parent) : QGraphicsItem(parent) { setFlag(ItemHasNoContents); }

    QRectF boundingRect() const override { return m_clip; }
    void paint(QPainter *, const QStyleOptionGraphicsItem *, QWidget *) override {}

    // Draws the row's covers only down to `height` (0: whole covers).
    void setVisibleHeight(qreal height)
    {
        const QRectF clip = height > 0 ? QRectF(-kReach, 0, 2 * kReach + Scene::kWidth, height) : QRectF();
        if (clip == m_clip)
            return;
        prepareGeometryChange();
        m_clip = clip;
        setFlag(ItemClipsChildrenToShape, height > 0);
    }

private:
    static constexpr qreal kReach = 1000;
    QRectF m_clip;
};

struct TitleGrid::Animation {
    qint32 index = -1;
    qint32 previous = -1;
    int topRow = 0;
    int step = 0;
};

// What the covers of one list are composed with. The worker keeps it alive
// while it composes, so the carousel's profile can be reloaded (or the
// carousel go) meanwhile.
struct GridArt {
    CoverProfiles profiles;
    std::unique_ptr<CoverComposer> composer;
};

TitleGrid::TitleGrid(ScreenHost &host) : ScreenComponent(host)
{
    Scene &scene = host.scene();
    m_panel = scene.addImage(u"FanArt_Image_ActorCrewDetail"_qs, {0, 0, Scene::kWidth, Scene::kHeight});
    // Over the browser screen and the fan-art view (which lies just under the
    // clock), under the clock, the processing labels and the screensaver.
    const Element *clock = scene.element(u"LabelClock"_qs);
    m_panel->setZValue(clock ? clock->zValue() - 0.25 : kGridZ);
    m_panel->hide();

    m_name = scene.addLabel(u"ActorCrewDetail_Label_Name"_qs, {0, 24, Scene::kWidth, 62}, m_panel);
    QFont nameFont = fonts::Make(kCalibri, 48);
    nameFont.setWeight(QFont::Light);
    m_name->setFont(nameFont);
    m_name->setColor(colors::GhostWhite);
    m_name->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_name->setZValue(kNameZ);

    m_fade = scene.addImage(u"ActorCrewDetails_Image_CoverFade"_qs, {0, kFadeTop, Scene::kWidth, kFadeHeight}, m_panel);
    m_fade->setZValue(kFadeZ);

    m_title = infoLabel(scene, u"ActorCrewDetail_Label_Title"_qs, {314, 86, 0, 47}, fonts::Make(kArial, 37),
                        colors::GhostWhite, m_fade);
    m_year = infoLabel(scene, u"ActorCrewDetail_Label_Year"_qs, {314, 135, 0, 41}, fonts::Make(kVerdana, 32),
                       colors::GhostWhite, m_fade);
    m_runtime = infoLabel(scene, u"ActorCrewDetail_Label_Runtime"_qs, {314, 178, 0, 41}, fonts::Make(kVerdana, 32),
                          colors::LightSkyBlue, m_fade);
    for (LabelElement *l : {m_title, m_year, m_runtime})
        l->setAutoSize(true);
    // The badge's size follows its picture; its right edge stays at x 290.
    m_rating = scene.addImage(u"ActorCrewDetail_Image_Rating"_qs, {250, 139, 40, 35}, m_fade);
    m_rating->setGlow(kCornflowerBlue, Element::kGlowRadius * 0.75);
    m_stars = scene.addImage(u"ActorCrewDetail_Image_Stars"_qs, {408, 140, 175, 33}, m_fade);
    m_stars->setGlow(kCornflowerBlue, Element::kGlowRadius * 0.75);
    m_titleNum = infoLabel(scene, u"ActorCrewDetail_Label_TitleNum"_qs, {1620, 178, 90, 43},
                           fonts::Make(kVerdana, 32), colors::GhostWhite, m_fade);
    m_titleNum->setAlignment(Qt::AlignRight | Qt::AlignTop);
    m_totalTitles = infoLabel(scene, u"ActorCrewDetail_Label_TotalTitles"_qs, {1722, 178, 151, 43},
                              fonts::Make(kVerdana, 32), colors::LightSkyBlue, m_fade);

    m_pool.setObjectName(u"TitleGridCovers"_qs);
    m_pool.setMaxThreadCount(qMax(1, QThread::idealThreadCount() - 1));
    m_pool.setThreadPriority(QThread::LowPriority);
}

TitleGrid::~TitleGrid()
{
    // Workers post their covers to m_receiver: none may run once it is gone.
    m_pool.clear();
    m_pool.waitForDone();
    if (m_frames)
        m_frames->stop();
}

// ---------------------------------------------------------------- rules

qint32 TitleGrid::Move(qint32 index, qint32 count, Arrow arrow)
{
    if (count <= 0 || index < 0)
        return index;
    switch (arrow) {
    case Arrow::Left: return index > 0 ? index - 1 : index;
    case Arrow::Right: return index < count - 1 ? index + 1 : index;
    case Arrow::Up: return index - kColumns >= 0 ? index - kColumns : index;
    case Arrow::Down: return index + kColumns < count ? index + kColumns : index;
    }
    return index;
}

qint32 TitleGrid::TopRowFor(qint32 index)
{
    return qMax(0, rowOf(index) - 1);
}

qreal TitleGrid::FirstColumnX(qreal coverWidth)
{
    return std::floor((kLayoutWidth - kColumns * coverWidth) / 2);
}

qreal TitleGrid::RowY(int row, int topRow, qreal coverHeight)
{
    if (row < topRow)
        return kTop + kFoldedRowHeight * row;
    return kTop + (coverHeight + kGap) * row - (coverHeight + kFoldedRowHeight) * topRow;
}

qreal TitleGrid::RowShift(int row, int step, qint32 index, qint32 previous, qreal coverHeight)
{
    if (previous < 0 || index < 0)
        return 0;
    // Whole pixels: a cover between pixels would be drawn resampled.
    const qreal distance = qRound((coverHeight + kFoldedRowHeight) * step / 10);
    const int toRow = rowOf(index);
    const int fromRow = rowOf(previous);
    if (toRow > fromRow && index >= 2 * kColumns && row >= fromRow)
        return -distance;
    if (toRow < fromRow && index >= kColumns && row >= toRow)
        return distance;
    return 0;
}

qreal TitleGrid::CoverScale(int entry, int step, qint32 index, qint32 previous)
{
    if (entry == index)
        return 1 + step / 20.0;
    if (entry == previous)
        return 1.5 - step / 20.0;
    return 1;
}

QRectF TitleGrid::ScaledCell(const QRectF &cell, qreal scale)
{
    if (scale == 1)
        return cell;
    // Whole pixels, so that the picture made for this size is drawn as it is.
    const QSizeF size(qRound(cell.width() * scale), qRound(cell.height() * scale));
    return QRectF(QPointF(std::floor(cell.center().x() - size.width() / 2),
                          std::floor(cell.center().y() - size.height() / 2)),
                  size);
}

QRectF TitleGrid::FrameRect(int entry, int step, qint32 index, qint32 previous, int topRow, QSizeF cover)
{
    const int row = rowOf(entry);
    const int column = entry % kColumns;
    const QRectF cell(FirstColumnX(cover.width()) + column * (cover.width() + kGap),
                      RowY(row, topRow, cover.height()) + RowShift(row, step, index, previous, cover.height()),
                      cover.width(), cover.height());
    return ScaledCell(cell, CoverScale(entry, step, index, previous));
}

QList<qint32> TitleGrid::BoxSetTitles(const tTitles &titles, qint32 boxSet)
{
    QList<qint32> members;
    if (boxSet < 0 || boxSet >= titles.Title.size())
        return members;
    const QString &id = titles.Title.at(boxSet).ID;
    for (qsizetype i = 0; i < titles.Title.size(); ++i)
        if (titles.Title.at(i).PID == id)
            members.append(qint32(i));
    return members;
}

// ---------------------------------------------------------------- the component

void TitleGrid::registerKeys(KeyDispatcher &dispatcher)
{
    ModeKeys keys;
    keys.Left = [this] { arrow(Arrow::Left); };
    keys.Right = [this] { arrow(Arrow::Right); };
    keys.Up = [this] { arrow(Arrow::Up); };
    keys.Down = [this] { arrow(Arrow::Down); };
    keys.Enter = [this] { enter(); };
    keys.Play = [this] { play(); };
    ModeKeys person = keys;
    person.Backspace = [this] { backspacePerson(); };
    ModeKeys boxSet = keys;
    boxSet.Backspace = [this] { backspaceBoxSet(); };
    dispatcher.setMode(smPersonTitles, person);
    dispatcher.setMode(smBoxSetTitles, boxSet);
}

void TitleGrid::collectionChanged()
{
    if (!m_builtFor)
        return;
    // Titles may have moved or gone and covers may show old marks: the list
    // is built again, at once when the grid is on screen.
    if (isShown() && isGridMode()) {
        m_builtFor.reset();
        ShowActorCrewDetail();
    } else {
        FreeActorCrewCovers();
    }
}

void TitleGrid::dumpState(QJsonObject &state) const
{
    state[u"GridIndex"_qs] = browser().GridIndex;
    state[u"GridPrevious"_qs] = m_gridPrevious;
    state[u"GridTopRow"_qs] = m_gridTopRow;
    QJsonArray ids;
    const tTitles &titles = host().titles();
    for (qint32 index : m_entries)
        ids.append(titles.Title.value(index).ID);
    state[u"Grid"_qs] = ids;
}

bool TitleGrid::isShown() const
{
    return m_panel->isVisible();
}

const ImageElement *TitleGrid::cover(int entry) const
{
    return entry >= 0 && size_t(entry) < m_covers.size() ? m_covers[size_t(entry)] : nullptr;
}

void TitleGrid::setCoverOpacity(qreal opacity)
{
    for (ImageElement *c : m_covers)
        if (c)
            c->setOpacity(opacity);
}

bool TitleGrid::isAnimating() const
{
    return m_animation != nullptr;
}

void TitleGrid::waitForCovers()
{
    m_pool.waitForDone();
    // The last covers are still on their way through the event loop.
    while (m_pending > 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

bool TitleGrid::isGridMode() const
{
    const tScreenMode mode = browser().ScreenMode;
    return mode == smPersonTitles || mode == smBoxSetTitles;
}

TitleGrid::BuiltFor TitleGrid::subject() const
{
    BuiltFor s;
    s.mode = browser().ScreenMode;
    if (s.mode == smBoxSetTitles) {
        s.subject = host().titles().Title.value(browser().FanArtTitle).ID;
    } else {
        s.subject = m_person;
        s.sort = browser().Filter.CurrentSort;
    }
    return s;
}

CoverComposer *TitleGrid::composer() const
{
    Carousel *carousel = host().screen<Carousel>();
    return carousel ? &carousel->composer() : nullptr;
}

void TitleGrid::OpenPersonTitles(const QString &person)
{
    m_person = person;
    m_gridPrevious = 0;
    browser().GridIndex = 0;
    m_gridTopRow = 0;
    browser().ScreenMode = smPersonTitles;
    ShowActorCrewDetail();
    host().UpdateGlowEffect();
}

void TitleGrid::OpenBoxSet()
{
    BrowserState &b = browser();
    b.FanArtReturnState = b.ScreenMode;
    m_gridPrevious = 0;
    b.GridIndex = 0;
    m_gridTopRow = 0;
    b.FanArtTitle = b.FocusTitle;
    b.ScreenMode = smBoxSetTitles;
    // The box set's own fan art behind the grid, rather than whichever
    // title's the backdrop held last.
    if (ImageElement *background = fanArtBackground())
        host().LoadFanArt(background, b.FanArtTitle);
    ShowActorCrewDetail();
    host().UpdateGlowEffect();
}

void TitleGrid::ShowActorCrewDetail()
{
    if (!isGridMode())
        return;
    finishAnimation();
    const BuiltFor wanted = subject();
    if (!m_builtFor || !(*m_builtFor == wanted))
        build(wanted);

    qint32 &index = browser().GridIndex;
    const qint32 count = qint32(m_entries.size());
    index = count == 0 ? -1 : qBound(0, index, count - 1);
    if (m_gridPrevious >= count)
        m_gridPrevious = count - 1;

    // Shown anew (opened, back from the fan-art view, a new list): the rows
    // stand where the selection leaves them and only the selected cover grows.
    m_gridTopRow = TopRowFor(index);
    hideFanArtPanel();
    if (ImageElement *background = fanArtBackground())
        background->show();
    // Made when the grid is first shown: 10 MB that most runs never need.
    if (m_panel->picture().isNull()) {
        m_panel->setPicture(panelPicture(), u"ActorCrewDetailBackground"_qs);
        m_fade->setPicture(fadePicture(), u"CoverFade"_qs);
    }
    m_panel->show();
    showInformation();
    startAnimation(-1);
}

void TitleGrid::HideGrid()
{
    finishAnimation();
    m_panel->hide();
}

void TitleGrid::FreeActorCrewCovers()
{
    finishAnimation();
    // Covers still being composed belong to the old list.
    ++m_generation;
    m_pool.clear();
    for (GridRowItem *row : m_rows)
        delete row; // with its covers
    m_rows.clear();
    m_covers.clear();
    m_pictures.clear();
    m_scaledCovers.clear();
    m_enlarged = {};
    m_frontRow = -1;
    m_pending = 0;
    m_entries.clear();
    m_builtFor.reset();
}

void TitleGrid::FreeHeadshots()
{
    if (FanArtView *fanArt = host().screen<FanArtView>())
        fanArt->FreeHeadshots();
}

// ---------------------------------------------------------------- building

QSizeF TitleGrid::coverSize() const
{
    if (CoverComposer *c = composer()) {
        const tCoverProfile &profile = c->profiles().profile();
        if (profile.Width > 0 && profile.Height > 0)
            return QSizeF(profile.Width, profile.Height);
    }
    return QSizeF(245, 343);
}

void TitleGrid::build(const BuiltFor &s)
{
    FreeActorCrewCovers();
    const ViewListIndex &index = host().collection().viewIndex();
    const tTitles &titles = host().titles();
    if (s.mode == smBoxSetTitles) {
        const qint32 boxSet = browser().FanArtTitle;
        m_name->setText(titles.Title.value(boxSet).Title);
        m_entries = index.sorted(BoxSetTitles(titles, boxSet), SortTitleAsc);
    } else {
        m_name->setText(m_person);
        m_entries = index.sorted(index.titlesWithPerson(m_person), s.sort);
    }
    m_builtFor = std::make_unique<BuiltFor>(s);
    m_coverSize = coverSize();
    createCovers();
    composeCovers();
}

void TitleGrid::createCovers()
{
    const qsizetype count = m_entries.size();
    const int rows = int((count + kColumns - 1) / kColumns);
    m_rows.reserve(size_t(rows));
    m_covers.reserve(size_t(count));
    for (int r = 0; r < rows; ++r) {
        auto *row = new GridRowItem(m_panel);
        row->setZValue(r);
        m_rows.push_back(row);
    }
    for (qsizetype i = 0; i < count; ++i) {
        const int column = int(i % kColumns);
        auto *cover = new ImageElement(u"ActorCrewDetail_Image_Cover%1"_qs.arg(i),
                                       QRectF(column * (m_coverSize.width() + kGap), 0, m_coverSize.width(),
                                              m_coverSize.height()),
                                       m_rows[size_t(i / kColumns)]);
        cover->setZValue(column);
        // A faint card marks the place of a cover that is still being composed.
        cover->setBackground(kPendingCover);
        m_covers.push_back(cover);
        m_pictures.emplace_back();
    }
}

void TitleGrid::composeCovers()
{
    CoverComposer *carouselComposer = composer();
    if (!carouselComposer || m_entries.isEmpty())
        return;
    auto art = std::make_shared<GridArt>();
    art->profiles = carouselComposer->profiles();
    art->composer = std::make_unique<CoverComposer>(art->profiles, host().images(), 0);
    art->composer->setLocalArt(host().settings().LocalArt, host().cachePath());

    // Nearest rows to the selection first; rows below before rows above.
    const int count = int(m_entries.size());
    const int selectedRow = qMax(0, rowOf(browser().GridIndex));
    QList<int> order(count);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [selectedRow](int a, int b) {
        const auto distance = [selectedRow](int e) {
            const int d = rowOf(e) - selectedRow;
            return d >= 0 ? 2 * d : -2 * d + 1;
        };
        return distance(a) < distance(b);
    });

    // The rows on screen when the grid opens are composed at once (the main
    // thread helping), so the first frame shows them; the others follow.
    const int topRow = TopRowFor(browser().GridIndex);
    struct Job {
        int entry;
        tTitle title;
        QImage cover;
    };
    QList<Job> now;
    QList<Job> later;
    const tTitles &titles = host().titles();
    for (int entry : order) {
        Job job{entry, titles.Title.value(m_entries.at(entry)), {}};
        // The carousel may have it composed already.
        if (std::optional<QImage> cached = carouselComposer->cachedCover(carouselComposer->cacheKey(job.title, false));
            cached && cached->size() == m_coverSize.toSize()) {
            setCoverPicture(entry, *cached, job.title.ID);
            continue;
        }
        const int row = rowOf(entry);
        if (row >= topRow && RowY(row, topRow, m_coverSize.height()) < Scene::kHeight)
            now.append(std::move(job));
        else
            later.append(std::move(job));
    }
    CoverComposer &grid = *art->composer;
    const QSize size = m_coverSize.toSize();
    QtConcurrent::blockingMap(QThreadPool::globalInstance(), now,
                              [&grid, size](Job &job) { job.cover = fitted(grid.Compose(job.title, false), size); });
    for (const Job &job : std::as_const(now))
        setCoverPicture(job.entry, job.cover, job.title.ID);

    const quint64 generation = m_generation;
    for (Job &job : later) {
        ++m_pending;
        m_pool.start([this, art, generation, size, entry = job.entry, title = std::move(job.title)] {
            const QImage cover = fitted(art->composer->Compose(title, false), size);
            QMetaObject::invokeMethod(
                &m_receiver, [this, generation, entry, cover, id = title.ID] {
                    if (generation != m_generation)
                        return;
                    --m_pending;
                    setCoverPicture(entry, cover, id);
                },
                Qt::QueuedConnection);
        });
    }
}

void TitleGrid::setCoverPicture(int entry, const QImage &picture, const QString &id)
{
    ImageElement *cover = m_covers[size_t(entry)];
    cover->setBackground(Qt::transparent);
    m_pictures[size_t(entry)] = picture;
    const auto scaled = m_scaledCovers.constFind(entry);
    if (scaled == m_scaledCovers.cend())
        cover->setPicture(picture, id);
    else
        scaleCover(entry, *scaled, m_animation == nullptr);
}

void TitleGrid::showInformation()
{
    const qint32 index = browser().GridIndex;
    ImageResources &images = host().images();
    QString stars;
    QString rating;
    if (index < 0 || index >= m_entries.size()) {
        m_title->setText(u"Empty Box Set"_qs);
        m_year->setText(QString());
        m_runtime->setText(QString());
        m_titleNum->setText(u"0"_qs);
        m_totalTitles->setText(u"| 0"_qs);
        stars = CoverComposer::StarsImageName(0, false);
        rating = CoverComposer::RatingImageName(u"None"_qs, false);
    } else {
        const tTitle &t = host().titles().Title.at(m_entries.at(index));
        // Labels draw their text as it is: "&" needs no escaping.
        m_title->setText(t.Title);
        m_year->setText(QString::number(t.Year));
        m_runtime->setText(QString::number(t.Runtime) + u" min"_qs);
        m_titleNum->setText(QString::number(index + 1));
        m_totalTitles->setText(u"| "_qs + QString::number(m_entries.size()));
        stars = CoverComposer::StarsImageName(t.Stars, false);
        rating = CoverComposer::RatingImageName(t.Rated, false);
    }
    if (stars.isEmpty())
        m_stars->clearPicture(); // no strip rather than the previous title's
    else
        m_stars->setPicture(images.image(stars), stars);
    const QImage badge = images.image(rating);
    m_rating->setPicture(badge, rating);
    const QSizeF half = QSizeF(badge.size()) / 2;
    m_rating->setGeometry({290 - half.width(), m_rating->pos().y(), half.width(), half.height()});
}

// ---------------------------------------------------------------- keys

void TitleGrid::arrow(Arrow arrow)
{
    qint32 &index = browser().GridIndex;
    const qint32 next = Move(index, qint32(m_entries.size()), arrow);
    if (next == index)
        return;
    // A move during the animation of the last one starts from its end.
    finishAnimation();
    m_gridPrevious = index;
    index = next;
    showInformation();
    startAnimation(m_gridPrevious);
}

void TitleGrid::enter()
{
    const qint32 index = browser().GridIndex;
    if (index < 0 || index >= m_entries.size())
        return;
    FanArtView *fanArt = host().screen<FanArtView>();
    if (!fanArt)
        return;
    const bool fromBoxSet = browser().ScreenMode == smBoxSetTitles;
    HideGrid();
    fanArt->OpenFromGrid(m_entries.at(index), fromBoxSet);
}

void TitleGrid::play()
{
    const qint32 index = browser().GridIndex;
    if (index >= 0 && index < m_entries.size())
        host().PlayClick(m_entries.at(index));
}

void TitleGrid::backspacePerson()
{
    BrowserState &b = browser();
    b.ScreenMode = smFanArt;
    HideGrid();
    FanArtView *fanArt = host().screen<FanArtView>();
    if (b.FanArtTitle >= 0 && fanArt) {
        fanArt->ShowFanArt();
    } else {
        FreeActorCrewCovers();
        b.GridIndex = -1;
    }
    host().UpdateGlowEffect();
}

void TitleGrid::backspaceBoxSet()
{
    BrowserState &b = browser();
    b.FanArtTitle = -1;
    b.ScreenMode = b.FanArtReturnState;
    HideGrid();
    if (ImageElement *background = fanArtBackground())
        background->hide();
    FreeActorCrewCovers();
    FreeHeadshots();
    b.GridIndex = -1;
    host().UpdateGlowEffect();
}

// ---------------------------------------------------------------- animation and layout

void TitleGrid::startAnimation(qint32 previous)
{
    const qint32 index = browser().GridIndex;
    if (m_entries.isEmpty() || index < 0) {
        m_gridTopRow = 0;
        return;
    }
    m_animation = std::make_unique<Animation>();
    m_animation->index = index;
    m_animation->previous = previous;
    m_animation->topRow = m_gridTopRow;
    applyFrame(2);

    auto *frames = new QVariantAnimation;
    frames->setDuration((kFrames - 1) * kFrameMs);
    frames->setStartValue(1);
    frames->setEndValue(kFrames);
    QObject::connect(frames, &QVariantAnimation::valueChanged, &m_receiver,
                     [this](const QVariant &value) { applyFrame(2 * value.toInt()); });
    QObject::connect(frames, &QAbstractAnimation::finished, &m_receiver, [this] { finishAnimation(); });
    Element::countWhileRunning(frames);
    m_frames = frames;
    frames->start(QAbstractAnimation::DeleteWhenStopped);
}

void TitleGrid::applyFrame(int step)
{
    if (!m_animation || step <= m_animation->step)
        return;
    m_animation->step = step;
    layout(step, m_animation->index, m_animation->previous, m_animation->topRow);
}

void TitleGrid::finishAnimation()
{
    if (m_frames) {
        QVariantAnimation *frames = m_frames;
        m_frames = nullptr;
        QObject::disconnect(frames, nullptr, &m_receiver, nullptr);
        frames->stop(); // deletes it
    }
    if (!m_animation)
        return;
    // The covers are not laid out for the end here: an animation that ran
    // out did so in its last frame, and one that is cut short is followed by
    // the first frame of the next one (or by the grid being hidden).
    m_gridTopRow = TopRowFor(m_animation->index);
    m_animation.reset();
}

QRectF TitleGrid::cellInRow(int entry) const
{
    return QRectF((entry % kColumns) * (m_coverSize.width() + kGap), 0, m_coverSize.width(), m_coverSize.height());
}

void TitleGrid::scaleCover(int entry, qreal scale, bool resting)
{
    ImageElement *cover = m_covers[size_t(entry)];
    const QRectF r = ScaledCell(cellInRow(entry), scale);
    cover->setGeometry(r);
    const QImage &original = m_pictures[size_t(entry)];
    if (original.isNull())
        return;
    const QString id = cover->pictureName();
    if (scale == 1) {
        cover->setPicture(original, id);
        return;
    }
    // Each frame of the animation gets a picture of its own size, scaled
    // quickly; the cover that rests enlarged is scaled smoothly, once.
    const QSize size = r.size().toSize();
    if (resting) {
        if (m_enlarged.entry != entry || m_enlarged.picture.size() != size
            || m_enlarged.source.cacheKey() != original.cacheKey()) {
            m_enlarged = {entry, original,
                          original.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)};
        }
        cover->setPicture(m_enlarged.picture, id);
    } else {
        cover->setPicture(original.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation), id);
    }
}

void TitleGrid::layout(int step, qint32 index, qint32 previous, int topRow)
{
    const qreal h = m_coverSize.height();
    const qreal x0 = FirstColumnX(m_coverSize.width());
    const int rows = int(m_rows.size());
    const int indexRow = rowOf(index);
    const int previousRow = rowOf(previous);

    qreal nextY = 0;
    for (int r = rows - 1; r >= 0; --r) {
        const qreal y = RowY(r, topRow, h) + RowShift(r, step, index, previous, h);
        GridRowItem *row = m_rows[size_t(r)];
        row->setPos(x0, y);
        // Rows below the screen are left out of drawing altogether (an
        // enlarged cover reaches at most a quarter of a cover above its row).
        row->setVisible(y < Scene::kHeight + h / 2);
        // Under the row on top of it only a strip of a folded row is seen.
        const qreal uncovered = r + 1 < rows ? nextY - y : h;
        const bool animated = r == indexRow || r == previousRow;
        row->setVisibleHeight(!animated && uncovered < h ? qMax<qreal>(1, uncovered) : 0);
        nextY = y;
    }

    // Covers enlarged by the last frame that this one leaves at their size.
    for (auto it = m_scaledCovers.begin(); it != m_scaledCovers.end();) {
        const int entry = it.key();
        if (entry == index || entry == previous) {
            ++it;
            continue;
        }
        it = m_scaledCovers.erase(it);
        scaleCover(entry, 1, true);
        m_covers[size_t(entry)]->setZValue(entry % kColumns);
    }
    for (qint32 entry : {previous, index}) {
        if (entry < 0 || size_t(entry) >= m_covers.size())
            continue;
        const qreal scale = CoverScale(entry, step, index, previous);
        if (m_scaledCovers.value(entry, 1) != scale || scale == 1)
            scaleCover(entry, scale, step == 10);
        if (scale == 1)
            m_scaledCovers.remove(entry);
        else
            m_scaledCovers.insert(entry, scale);
        m_covers[size_t(entry)]->setZValue(entry == index ? kFrontZ : entry % kColumns);
    }

    if (m_frontRow != indexRow) {
        if (m_frontRow >= 0 && m_frontRow < rows)
            m_rows[size_t(m_frontRow)]->setZValue(m_frontRow);
        if (indexRow >= 0 && indexRow < rows)
            m_rows[size_t(indexRow)]->setZValue(kFrontZ);
        m_frontRow = indexRow;
    }
}

// ---------------------------------------------------------------- the fan-art view

ImageElement *TitleGrid::fanArtBackground() const
{
    FanArtView *fanArt = host().screen<FanArtView>();
    return fanArt ? fanArt->background() : nullptr;
}

void TitleGrid::hideFanArtPanel()
{
    if (FanArtView *fanArt = host().screen<FanArtView>())
        fanArt->HidePanel();
}
