#include "ui/fanartview.h"

#include "app/collection.h"
#include "app/config.h"
#include "art/covercomposer.h"
#include "art/imageresources.h"
#include "platform/paths.h"
#include "ui/carousel.h"
#include "ui/elements.h"
#include "ui/keydispatcher.h"
#include "ui/messages.h"
#include "ui/scene.h"
#include "ui/titlegrid.h"

#include <QFileInfo>
#include <QImageReader>
#include <QJsonObject>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

const QString kArial = QString::fromUtf16(fonts::Arial);
const QString kVerdana = QString::fromUtf16(fonts::Verdana);
const QString kCalibri = QString::fromUtf16(fonts::Calibri);
const QColor kWhite(0xFF, 0xFF, 0xFF);
const QColor kGrey(0x80, 0x80, 0x80);

constexpr int kMenuBarWidth = 1729;
constexpr int kMenuBarHeight = 113;
// Where the names sit in the menu bar: the large name's and the small
// string's left edges, and the common baseline.
constexpr qreal kLargeNameX = -12;
constexpr qreal kRestStringX = -23;
constexpr qreal kMenuBaseline = 88;

QFont calibriLight(int size)
{
    QFont font = fonts::Make(kCalibri, size);
    font.setWeight(QFont::Light);
    return font;
}

LabelElement *addLabel(Scene &scene, const QString &name, const QRectF &geometry, Element *parent,
                       const QFont &font, const QColor &color)
{
    LabelElement *label = scene.addLabel(name, geometry, parent);
    label->setFont(font);
    label->setColor(color);
    return label;
}

LabelElement *addAutoLabel(Scene &scene, const QString &name, QPointF at, Element *parent, const QFont &font,
                           const QColor &color)
{
    LabelElement *label = addLabel(scene, name, QRectF(at, QSizeF(0, 0)), parent, font, color);
    label->setAutoSize(true);
    return label;
}

// The menu bar's fills of the small names: fading out to the right, and for
// pages after the first also in from the left, where the string begins with
// the clipped tail of the previous name.
QImage menuFill(bool fadeIn)
{
    QImage img(kMenuBarWidth, kMenuBarHeight, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    QLinearGradient g(0, 0, kMenuBarWidth, 0);
    QColor c = colors::LightSkyBlue;
    c.setAlphaF(fadeIn ? 0.0 : 0.95);
    g.setColorAt(0, c);
    c.setAlphaF(0.95);
    g.setColorAt(fadeIn ? 0.16 : 0.3, c);
    c.setAlphaF(0.12);
    g.setColorAt(1, c);
    p.fillRect(img.rect(), g);
    return img;
}

// The spaces of the fixed strings are counted out in the names' table.
QString spaces(int n)
{
    return QString(n, u' ');
}

const tTitle *titleAt(const tTitles &titles, qint32 index)
{
    return index >= 0 && index < titles.Title.size() ? &titles.Title.at(index) : nullptr;
}

bool fileExists(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

} // namespace

// ---------------------------------------------------------------- rules

FanArtView::Cursor FanArtView::Move(Cursor c, Arrow a, int actorRows, int crewRows)
{
    const int rowsOfColumn = c.column == 0 ? actorRows : crewRows;
    if (c.level < 0) {
        if (a == Arrow::Down)
            c.level = 0;
        return c;
    }
    if (c.level == 0) {
        switch (a) {
        case Arrow::Left:
            if (c.menu > 0)
                --c.menu;
            break;
        case Arrow::Right:
            if (c.menu < kPageCount - 1)
                ++c.menu;
            break;
        case Arrow::Up:
            c.level = -1;
            break;
        case Arrow::Down:
            if (c.menu == PageCastCrew) {
                if (rowsOfColumn >= 1)
                    c.level = 1;
            } else if (c.menu != PageAudioSubs && c.menu != PageSimilarMovies) {
                c.level = 1;
            }
            break;
        }
        return c;
    }

    switch (a) {
    case Arrow::Left:
        if (c.menu == PageDetails && c.column > 0)
            --c.column;
        else if (c.menu == PageCastCrew && c.column == 1 && c.level <= actorRows)
            c.column = 0;
        break;
    case Arrow::Right:
        if (c.menu == PageDetails && c.column < ColumnFrontCover)
            ++c.column;
        else if (c.menu == PageCastCrew && c.column == 0 && c.level <= crewRows)
            c.column = 1;
        break;
    case Arrow::Up:
        c.level = c.menu == PageCastCrew ? c.level - 1 : 0;
        break;
    case Arrow::Down:
        if (c.menu == PageSynopsis && c.level < kMaxSynopsisLevel)
            ++c.level;
        else if (c.menu == PageCastCrew && c.level < rowsOfColumn)
            ++c.level;
        else if ((c.menu == PageExtras || c.menu == PageAction) && c.level < kMaxEntryLevel)
            ++c.level;
        break;
    }
    if (c.level == 0)
        c.column = 0;
    return c;
}

FanArtView::Location FanArtView::LocationLines(const tTitle &t)
{
    if (!t.Online)
        return {u"Located offline on disc"_qs, {}};
    if (t.DiscInfo.isEmpty())
        return {u"No digital media available"_qs, u"Online file(s) missing"_qs};
    const tDiscInfo &first = t.DiscInfo.first();
    const qsizetype count = t.DiscInfo.size();
    if (first.Container == ctFolder) {
        return {count == 1 ? u"Located online in a DVD Folder"_qs
                           : u"Located online in %1 DVD Folders"_qs.arg(count),
                first.Loc};
    }
    return {count == 1 ? u"Located online on disc"_qs : u"Located online on %1 discs"_qs.arg(count), first.Loc};
}

QString FanArtView::DateRuntimeGenre(const tTitle &t)
{
    const QString &d = t.ReleaseDate;
    return d.mid(4, 2) + u'/' + d.mid(6, 2) + u'/' + d.left(4) + u", "_qs + QString::number(t.Runtime)
           + u" min, "_qs + t.Genres.join(u", "_qs);
}

QString FanArtView::PageName(int page)
{
    static const char16_t *const kNames[kPageCount] = {u"details", u"synopsis",       u"cast + crew", u"audio + subs",
                                                        u"extras",  u"similar movies", u"action"};
    return page >= 0 && page < kPageCount ? QString::fromUtf16(kNames[page]) : QString();
}

QString FanArtView::MenuRestString(int page)
{
    // The run of spaces leaves room for the large name; a leading fragment is
    // the clipped tail of the name to its left.
    const QString gap = spaces(6);
    auto namesFrom = [&gap](int first) {
        QStringList names;
        for (int p = first; p < kPageCount; ++p)
            names << PageName(p);
        return names.join(gap);
    };
    switch (page) {
    case PageDetails: return spaces(37) + namesFrom(PageSynopsis);
    case PageSynopsis: return u"details"_qs + spaces(33) + namesFrom(PageCastCrew);
    case PageCastCrew: return u"nopsis"_qs + spaces(42) + namesFrom(PageAudioSubs);
    case PageAudioSubs: return u"+ crew"_qs + spaces(46) + namesFrom(PageExtras);
    case PageExtras: return u"+ subs"_qs + spaces(25) + namesFrom(PageSimilarMovies);
    case PageSimilarMovies: return u" extras"_qs + spaces(51) + PageName(PageAction);
    case PageAction: return u"ovies"_qs;
    default: return {};
    }
}

QString FanArtView::ZoomFile(const tTitle &t, bool back, bool localArt, const QString &cachePath)
{
    const QString &name = back ? t.ImgCoverBack : t.ImgCoverFront;
    if (name.isEmpty())
        return {};
    if (localArt && !t.ID.isEmpty()) {
        const QString cached = JoinNative(JoinNative(cachePath, t.ID), name);
        if (fileExists(cached))
            return cached;
    }
    const QString inFolder = JoinNative(t.Directory, name);
    return fileExists(inFolder) ? inFolder : QString();
}

QList<FanArtView::Row> FanArtView::ActorRows(const tTitle &t)
{
    QList<Row> rows;
    const qsizetype n = qMin<qsizetype>(kMaxActorRows, t.Actors.size());
    rows.reserve(n);
    for (qsizetype i = 0; i < n; ++i)
        rows.append({t.Actors.at(i).Actor, t.Actors.at(i).Role});
    return rows;
}

QList<FanArtView::Row> FanArtView::CrewRows(const tTitle &t)
{
    const std::pair<const QStringList *, const char16_t *> lists[] = {
        {&t.Crew.Director, u"Director"}, {&t.Crew.Writer, u"Writer"},         {&t.Crew.Producer, u"Producer"},
        {&t.Crew.Cinematography, u"Cinematography"}, {&t.Crew.Editor, u"Editor"}, {&t.Crew.Music, u"Music"},
        {&t.Crew.Sound, u"Sound"},       {&t.Crew.Art, u"Art"},
    };
    QList<Row> rows;
    for (const auto &[names, role] : lists)
        for (const QString &name : *names)
            rows.append({name, QString::fromUtf16(role)});
    return rows;
}

// ---------------------------------------------------------------- elements

FanArtView::FanArtView(ScreenHost &host) : ScreenComponent(host)
{
    Scene &scene = host.scene();
    m_mainBackground = scene.image(u"ImageBackground"_qs);

    m_background = scene.addImage(u"ImageFanArtBackground"_qs, {0, 0, 1920, 1080});
    m_background->setBackground(Qt::black);
    m_background->hide();
    // Over the browser screen, under the clock, the processing labels (play
    // progress shows over the view) and the screensaver.
    if (const Element *clock = scene.element(u"LabelClock"_qs))
        m_background->setZValue(clock->zValue() - 0.5);

    m_frame = scene.addImage(u"FanArt_Image_Details_Frame"_qs, {100, kPanelTop, 1720, 420}, m_background);
    m_backdrop = scene.addImage(u"FanArt_Image_Details_Backdrop"_qs, {0, 0, 1720, 420}, m_frame);
    m_backdrop->setBackground(QColor(0x06, 0x0A, 0x14));
    m_backdrop->setOpacity(0.88);
    m_menuBar = scene.addImage(u"FanArt_Image_MenuBar"_qs, {0, 0, 1720, kMenuBarHeight}, m_frame);
    m_menuBar->setFill(ImageElement::Fill::None);
    m_menuGradient = scene.addImage(u"FanArt_Image_MenuGradient"_qs, {0, 0, kMenuBarWidth, kMenuBarHeight}, m_frame);
    m_menuGradient->setPicture(menuFill(false), u"MenuGradient"_qs);
    m_menuGradient->hide();
    m_menuGradientFull =
        scene.addImage(u"FanArt_Image_MenuGradientFull"_qs, {0, 0, kMenuBarWidth, kMenuBarHeight}, m_frame);
    m_menuGradientFull->setPicture(menuFill(true), u"MenuGradientFull"_qs);
    m_menuGradientFull->hide();

    // Page 0, details.
    m_details = scene.addImage(u"FanArt_Image_Details"_qs, {25, 40, 1680, 380}, m_frame);
    m_play = addAutoLabel(scene, u"FanArt_Details_Label_Play"_qs, {80, 90}, m_details, fonts::Make(kCalibri, 42),
                          colors::LightSkyBlue);
    m_play->setText(u"play"_qs);
    m_trailer = addAutoLabel(scene, u"FanArt_Details_Label_Trailer"_qs, {230, 90}, m_details,
                             fonts::Make(kCalibri, 42), colors::LightSkyBlue);
    m_trailer->setText(u"trailer"_qs);
    m_title = addAutoLabel(scene, u"FanArt_Details_Label_Title"_qs, {80, 165}, m_details, fonts::Make(kArial, 37),
                           colors::GhostWhite);
    m_stars = scene.addImage(u"FanArt_Details_Image_Stars"_qs, {174, 223, 175, 33}, m_details);
    m_year = addAutoLabel(scene, u"FanArt_Details_Label_Year"_qs, {80, 218}, m_details, fonts::Make(kVerdana, 32),
                          colors::GhostWhite);
    m_dateRuntimeGenre = addAutoLabel(scene, u"FanArt_Details_Label_DateRuntimeGenre"_qs, {80, 270}, m_details,
                                      fonts::Make(kVerdana, 24), colors::LightSkyBlue);
    m_discLocation = addAutoLabel(scene, u"FanArt_Details_Label_DiscLocation"_qs, {80, 308}, m_details,
                                  fonts::Make(kVerdana, 24), colors::GhostWhite);
    m_discPath = addAutoLabel(scene, u"FanArt_Details_Label_DiscPath"_qs, {80, 348}, m_details,
                              fonts::Make(kVerdana, 24), colors::LightSkyBlue);
    m_rated = scene.addImage(u"FanArt_Details_Image_Rated"_qs, {1100, 40, 100, 35}, m_details);
    m_backCover = scene.addImage(u"FanArt_Details_Image_BackCover"_qs, {1064, 123, 169, 240}, m_details);
    m_frontCover = scene.addImage(u"FanArt_Details_Image_FrontCover"_qs, {1262, 20, 245, 343}, m_details);

    // Page 1, synopsis: a tall label scrolled inside a clipping parent.
    m_synopsisParent = scene.addImage(u"FanArt_Image_Synopsis_Parent"_qs, {40, 130, 1680, 290}, m_frame);
    m_synopsisParent->setFlag(QGraphicsItem::ItemClipsChildrenToShape);
    m_synopsis = scene.addImage(u"FanArt_Image_Synopsis"_qs, {0, 0, 1680, 3000}, m_synopsisParent);
    m_description = addLabel(scene, u"FanArt_Synopsis_Label_Description"_qs, {0, 0, 1640, 3000}, m_synopsis,
                             fonts::Make(kVerdana, 26), colors::LightSkyBlue);
    m_description->setWordWrap(true);

    // Page 2, cast + crew: rows are added per title (buildRows).
    m_castCrewParent = scene.addImage(u"FanArt_Image_CastCrewParent"_qs, {25, 130, 1680, 290}, m_frame);
    m_castCrewParent->setFlag(QGraphicsItem::ItemClipsChildrenToShape);
    m_castCrew = scene.addImage(u"FanArt_Image_CastCrew"_qs, {0, 0, 1680, 0}, m_castCrewParent);
    m_castCrewHeader = addAutoLabel(scene, u"FanArt_CastCrew_Label_Header"_qs, {160, 22}, m_castCrew,
                                    calibriLight(34), colors::GhostWhite);
    m_castCrewHeader->setText(u"Actors:"_qs);
    m_castCrewHeaderCrew = addAutoLabel(scene, u"FanArt_CastCrew_Label_HeaderCrew"_qs, {900, 22}, m_castCrew,
                                        calibriLight(34), colors::GhostWhite);
    m_castCrewHeaderCrew->setText(u"Crew:"_qs);

    // Page 4, extras.
    m_extras = scene.addImage(u"FanArt_Image_Extras"_qs, {25, 40, 1680, 380}, m_frame);
    m_extrasText = addLabel(scene, u"FanArt_Extras_Label_Extras"_qs, {80, 100, 1580, 280}, m_extras,
                            fonts::Make(kVerdana, 26), colors::LightSkyBlue);
    m_extrasText->setWordWrap(true);

    // Page 5, similar movies: a fixed request for feedback.
    m_similarMovies = scene.addImage(u"FanArt_Image_SimilarMovies"_qs, {0, 130, 1720, 290}, m_frame);
    m_feedback = addLabel(scene, u"FanArt_SimilarMovies_Label_Feedback"_qs, {20, 0, 1680, 290}, m_similarMovies,
                          fonts::Make(kVerdana, 22), colors::LightSkyBlue);
    m_feedback->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_feedback->setText(QStringList{
        u"Soliciting Your Feedback"_qs,
        u"How do you think the \"Similar Movies\" feature should behave?"_qs,
        u"What criteria should be evaluated to determine that a movie is similar?"_qs,
        u"Cast? Crew? Genres? Runtime? Production Year? Ratings? Stars? Studio?"_qs,
        u"How should the various parameters be weighted?"_qs,
    }.join(u"\n\n"_qs));

    // Page 6, action.
    m_actions = scene.addImage(u"FanArt_Image_Actions"_qs, {0, 130, 1720, 290}, m_frame);
    const QFont actionFont = fonts::Make(kVerdana, 32);
    m_setWatched = addLabel(scene, u"FanArt_Actions_Label_SetWatchedFlag"_qs, {20, 24, 1680, 50}, m_actions,
                            actionFont, colors::LightSkyBlue);
    m_setWatchList = addLabel(scene, u"FanArt_Actions_Label_SetWatchList"_qs, {20, 100, 1680, 50}, m_actions,
                              actionFont, colors::LightSkyBlue);
    m_setBackground = addLabel(scene, u"FanArt_Actions_Label_SetBackground"_qs, {20, 176, 1680, 50}, m_actions,
                               actionFont, colors::LightSkyBlue);
    m_setBackground->setText(u"Set this Fan Art image as Cinevue background image"_qs);
    for (LabelElement *l : {m_setWatched, m_setWatchList, m_setBackground})
        l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    // The enlarged cover covers the whole height of the screen, over the panel.
    m_coverZoom = scene.addImage(u"FanArt_Details_Image_CoverZoom"_qs, {0, 0, 0, 1080}, m_background);
    m_coverZoom->hide();

    for (Element *page : {static_cast<Element *>(m_details), static_cast<Element *>(m_synopsisParent),
                          static_cast<Element *>(m_castCrewParent), static_cast<Element *>(m_extras),
                          static_cast<Element *>(m_similarMovies), static_cast<Element *>(m_actions)})
        page->hide();
}

FanArtView::~FanArtView() = default;

// ---------------------------------------------------------------- state

FanArtView::Cursor FanArtView::cursor() const
{
    const BrowserState &b = browser();
    return {b.FanArtMenu, b.FanArtLevel, b.FanArtColumn};
}

void FanArtView::setCursor(const Cursor &c)
{
    BrowserState &b = browser();
    b.FanArtMenu = c.menu;
    b.FanArtLevel = c.level;
    b.FanArtColumn = c.column;
}

const tTitle *FanArtView::shownTitle() const
{
    return titleAt(host().titles(), browser().FanArtTitle);
}

CoverComposer *FanArtView::composer() const
{
    Carousel *carousel = host().screen<Carousel>();
    return carousel ? &carousel->composer() : nullptr;
}

bool FanArtView::isSliding() const
{
    return m_frame->isSliding();
}

QString FanArtView::SelectedPerson() const
{
    return m_selectedRow.Name ? m_selectedRow.Name->text() : QString();
}

void FanArtView::collectionChanged()
{
    // The rows and the fan art are checked against the title shown at the
    // next redraw; a marker toggle changes neither.
}

void FanArtView::dumpState(QJsonObject &state) const
{
    const BrowserState &b = browser();
    state[u"FanArtTitle"_qs] = b.FanArtTitle;
    state[u"FanArtMenu"_qs] = b.FanArtMenu;
    state[u"FanArtLevel"_qs] = b.FanArtLevel;
    state[u"FanArtColumn"_qs] = b.FanArtColumn;
    state[u"FanArtReturnState"_qs] = int(b.FanArtReturnState);
    // The cast + crew rows are not named elements (there may be hundreds).
    state[u"FanArtActorRows"_qs] = int(m_actorRows.size());
    state[u"FanArtCrewRows"_qs] = int(m_crewRows.size());
    state[u"FanArtSelectedPerson"_qs] = SelectedPerson();
}

// ---------------------------------------------------------------- keys

void FanArtView::registerKeys(KeyDispatcher &dispatcher)
{
    ModeKeys view;
    view.Backspace = [this] { backspace(); };
    view.Enter = [this] { enter(); };
    view.Left = [this] { arrow(Arrow::Left); };
    view.Right = [this] { arrow(Arrow::Right); };
    view.Up = [this] { arrow(Arrow::Up); };
    view.Down = [this] { arrow(Arrow::Down); };
    view.Play = [this] { play(); };
    dispatcher.setMode(smFanArt, view);
    dispatcher.setMode(smBoxSetFanArt, view);

    // With a cover enlarged only Enter (back to the view) and Play act.
    ModeKeys zoom;
    zoom.Enter = [this] { leaveZoom(); };
    zoom.Play = [this] { play(); };
    dispatcher.setMode(smFanArtZoom, zoom);
    dispatcher.setMode(smBoxSetZoom, zoom);
}

void FanArtView::play()
{
    const BrowserState &b = browser();
    host().PlayClick(b.FanArtTitle >= 0 ? b.FanArtTitle : b.FocusTitle);
}

void FanArtView::arrow(Arrow a)
{
    const Cursor before = cursor();
    const Cursor after = Move(before, a, int(m_actorRows.size()), int(m_crewRows.size()));
    if (after == before)
        return;
    setCursor(after);
    ShowFanArt();
}

void FanArtView::enter()
{
    const Cursor c = cursor();
    if (c.level < 1 || !shownTitle())
        return;
    switch (c.menu) {
    case PageDetails:
        if (c.column == ColumnPlay)
            host().PlayClick(browser().FanArtTitle);
        else if (c.column == ColumnBackCover || c.column == ColumnFrontCover)
            enterZoom();
        break;
    case PageCastCrew:
        openPersonGrid();
        break;
    case PageAction:
        if (c.level == 1)
            toggleMarker(false);
        else if (c.level == 2)
            toggleMarker(true);
        else if (c.level == 3)
            setBackground();
        break;
    default:
        break;
    }
}

void FanArtView::enterZoom()
{
    BrowserState &b = browser();
    b.ScreenMode = b.ScreenMode == smBoxSetFanArt ? smBoxSetZoom : smFanArtZoom;
    if (const tTitle *t = shownTitle())
        showZoom(*t, b.FanArtColumn == ColumnBackCover);
}

void FanArtView::leaveZoom()
{
    BrowserState &b = browser();
    m_coverZoom->hide();
    // The column stays on the cover; the next redraw shows the menu bar again.
    b.ScreenMode = b.ScreenMode == smBoxSetZoom ? smBoxSetFanArt : smFanArt;
}

void FanArtView::backspace()
{
    BrowserState &b = browser();
    if (b.ScreenMode == smBoxSetFanArt) {
        // Back to the box-set grid, which covers the view. The grid lists
        // FanArtTitle's box set: the box set, still the carousel's focus,
        // becomes FanArtTitle again.
        HidePanel();
        b.ScreenMode = smBoxSetTitles;
        b.FanArtTitle = b.FocusTitle;
        showBoxSetGrid();
        host().UpdateGlowEffect();
        host().UpdateDetails();
        return;
    }
    Close();
}

void FanArtView::toggleMarker(bool watchList)
{
    BrowserState &b = browser();
    Collection &collection = host().collection();
    const MarkerResult result =
        watchList ? collection.toggleWatchList(b.FanArtTitle) : collection.toggleWatched(b.FanArtTitle);
    if (!result.ok)
        messages::ShowError(result.error, host().window());
    ShowFanArt();
    // The centre cover of the row the view was opened from shows the marks.
    if (Carousel *carousel = host().screen<Carousel>()) {
        const tScreenMode mode = b.ScreenMode;
        b.ScreenMode = b.FanArtReturnState;
        carousel->RecomposeFocusCover();
        b.ScreenMode = mode;
    }
}

void FanArtView::setBackground()
{
    const tTitle *t = shownTitle();
    if (!t)
        return;
    tSettings &settings = host().settings();
    settings.FanArtBackground = t->Title;
    host().LoadFanArt(m_mainBackground, browser().FanArtTitle);
    QString error;
    if (!SaveConfig(settings, host().appPath(), &error))
        messages::ShowError(error, host().window());
}

// ---------------------------------------------------------------- opening and closing

void FanArtView::OpenFromCarousel()
{
    BrowserState &b = browser();
    if (!titleAt(host().titles(), b.FocusTitle))
        return;
    b.FanArtReturnState = b.ScreenMode;
    b.ScreenMode = smFanArt;
    setCursor({});
    b.GridIndex = -1;
    b.FanArtTitle = b.FocusTitle;
    ShowFanArt();
}

void FanArtView::OpenFromGrid(qint32 titleIndex, bool fromBoxSet)
{
    BrowserState &b = browser();
    if (!titleAt(host().titles(), titleIndex))
        return;
    setCursor({});
    b.FanArtTitle = titleIndex;
    b.ScreenMode = fromBoxSet ? smBoxSetFanArt : smFanArt;
    ShowFanArt();
}

void FanArtView::Close()
{
    BrowserState &b = browser();
    b.FanArtTitle = -1;
    b.ScreenMode = b.FanArtReturnState;
    m_background->hide();
    m_coverZoom->hide();
    // The next view starts with the panel raised.
    m_frame->slideTo({m_frame->x(), qreal(kPanelTop)}, 0, 0);
    freeGridCovers();
    FreeHeadshots();
    b.GridIndex = -1;
    host().UpdateGlowEffect();
    host().UpdateDetails();
}

void FanArtView::HidePanel()
{
    m_frame->hide();
    m_coverZoom->hide();
}

void FanArtView::FreeHeadshots()
{
    for (const QList<Headshot> *rows : {&m_actorRows, &m_crewRows}) {
        for (const Headshot &h : *rows) {
            delete h.Name;
            delete h.Role;
        }
    }
    m_actorRows.clear();
    m_crewRows.clear();
    m_rowsOf = {};
    m_selectedRow = {};
}

// ---------------------------------------------------------------- drawing

void FanArtView::ShowFanArt()
{
    const tTitle *title = shownTitle();
    if (!title)
        return;
    const Cursor c = cursor();

    loadFanArt(*title);

    m_menuBar->setPicture(menuBar(c.menu, c.level == 0), u"MenuBar %1%2"_qs.arg(c.menu).arg(c.level == 0 ? u"" : u" faded"));
    m_menuBar->show();
    m_coverZoom->hide();
    for (Element *page : {static_cast<Element *>(m_details), static_cast<Element *>(m_synopsisParent),
                          static_cast<Element *>(m_castCrewParent), static_cast<Element *>(m_extras),
                          static_cast<Element *>(m_similarMovies), static_cast<Element *>(m_actions)})
        page->hide();

    switch (c.menu) {
    case PageDetails: showDetails(*title); break;
    case PageSynopsis: showSynopsis(*title); break;
    case PageCastCrew: showCastCrew(*title); break;
    case PageAudioSubs: break; // only the menu bar
    case PageExtras: showExtras(*title); break;
    case PageSimilarMovies: m_similarMovies->show(); break;
    case PageAction: showActions(*title); break;
    default: break;
    }

    m_frame->show();
    m_background->show();
    slidePanel();
}

void FanArtView::loadFanArt(const tTitle &title)
{
    // Decoding a full-screen picture at every key would be slow; it is loaded
    // again only for another fan art, or when another screen has put another
    // picture into the background since.
    const QString key = title.ID + u'|' + title.Directory + u'|' + title.ImgFanArt + u'|'
                        + (host().settings().LocalArt ? u'1' : u'0');
    if (key == m_fanArtKey && m_background->pictureName() == m_fanArtPicture && !m_fanArtPicture.isEmpty())
        return;
    host().LoadFanArt(m_background, browser().FanArtTitle);
    m_fanArtKey = key;
    m_fanArtPicture = m_background->pictureName();
    host().UpdateGlowEffect();
}

void FanArtView::slidePanel()
{
    const qreal lowered = Scene::kHeight;
    const QPointF at = m_frame->pos();
    const QPointF target(at.x(), browser().FanArtLevel < 0 ? lowered : qreal(kPanelTop));
    if (at == target && !m_frame->isSliding())
        return;
    const int steps = qMax(1, qRound(std::abs(target.y() - at.y()) / kSlideStep));
    m_frame->slideTo(target, steps, kSlideStepMs);
}

QImage FanArtView::menuBar(int page, bool focused)
{
    const int key = page * 2 + (focused ? 1 : 0);
    if (const auto it = m_menuBars.constFind(key); it != m_menuBars.constEnd())
        return *it;

    QImage bar(kMenuBarWidth, kMenuBarHeight, QImage::Format_ARGB32_Premultiplied);
    bar.fill(Qt::transparent);
    QPainter p(&bar);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);

    QPainterPath rest;
    rest.addText(kRestStringX, kMenuBaseline, fonts::Make(kCalibri, 48), MenuRestString(page));
    const QImage &fill = page == PageDetails ? m_menuGradient->picture() : m_menuGradientFull->picture();
    p.setBrush(QBrush(fill));
    p.drawPath(rest);

    // The selected name fades towards its foot while the focus is inside the
    // page.
    QPainterPath large;
    large.addText(kLargeNameX, kMenuBaseline, calibriLight(90), PageName(page));
    QLinearGradient g(0, kMenuBarHeight / 2.0, 0, kMenuBarHeight);
    g.setColorAt(0, kWhite);
    g.setColorAt(1, focused ? kWhite : QColor(Qt::transparent));
    p.setBrush(g);
    p.drawPath(large);
    p.end();

    m_menuBars.insert(key, bar);
    return bar;
}

void FanArtView::showDetails(const tTitle &t)
{
    const Cursor c = cursor();
    // Labels draw their text as it is: an "&" needs no escape here.
    m_title->setText(t.Title);
    m_year->setText(QString::number(t.Year));
    m_dateRuntimeGenre->setText(DateRuntimeGenre(t));
    const Location location = LocationLines(t);
    m_discLocation->setText(location.line);
    m_discPath->setText(location.path);

    const QString ratedName = CoverComposer::RatingImageName(t.Rated, false);
    const QImage badge = host().images().image(ratedName);
    const QSizeF size = QSizeF(badge.size()) * 0.66;
    m_rated->setPicture(badge, ratedName);
    m_rated->setGeometry({1150 - size.width() / 2, 40, size.width(), size.height()});

    // The strip of the title shown (the panel is dark, so the white one).
    const QString starsName = CoverComposer::StarsImageName(t.Stars, false);
    if (starsName.isEmpty())
        m_stars->clearPicture();
    else
        m_stars->setPicture(host().images().image(starsName), starsName);

    if (CoverComposer *covers = composer()) {
        m_frontCover->setPicture(covers->CreateCover(t, false), t.ID + u" front"_qs);
        m_backCover->setPicture(covers->CreateCover(t, true), t.ID + u" back"_qs);
    }
    m_frontCover->setOpacity(1);
    m_backCover->setOpacity(1);

    m_play->setColor(c.level == 1 && c.column == ColumnPlay ? kWhite : colors::LightSkyBlue);
    m_trailer->setColor(c.level == 1 && c.column == ColumnTrailer ? kGrey : colors::LightSkyBlue);
    if (c.level == 1 && (c.column == ColumnBackCover || c.column == ColumnFrontCover))
        showZoom(t, c.column == ColumnBackCover);
    m_details->show();
}

bool FanArtView::showZoom(const tTitle &t, bool back)
{
    const QString file = ZoomFile(t, back, host().settings().LocalArt, host().cachePath());
    if (file.isEmpty())
        return false;
    QImageReader reader(file);
    const QSize size = reader.size();
    // Decoded at the size it is shown: full screen height, aspect kept.
    if (size.isValid() && size.height() > 0)
        reader.setScaledSize(QSize(qMax(1, size.width() * Scene::kHeight / size.height()), Scene::kHeight));
    const QImage picture = reader.read();
    if (picture.isNull() || picture.height() <= 0)
        return false;
    const qreal width = qreal(picture.width()) * Scene::kHeight / picture.height();
    m_coverZoom->setPicture(picture, file);
    m_coverZoom->setGeometry({Scene::kWidth / 2.0 - width / 2, 0, width, qreal(Scene::kHeight)});
    m_coverZoom->show();
    m_menuBar->hide();
    return true;
}

void FanArtView::showSynopsis(const tTitle &t)
{
    const qint32 level = cursor().level;
    m_description->setText(t.Description);
    m_description->setColor(level >= 1 ? kWhite : colors::LightSkyBlue);
    m_synopsis->setPos(0, level <= 1 ? 0 : kSynopsisStep * (1 - level));
    m_synopsisParent->show();
}

void FanArtView::buildRows(const tTitle &t)
{
    FreeHeadshots();
    const QFont nameFont = fonts::Make(kVerdana, 32);
    const QFont roleFont = calibriLight(28);
    auto addRow = [&](const Row &row, qreal x, int i) {
        Headshot h;
        // Not named on the surface: there may be hundreds, and they live
        // only as long as the title is shown.
        h.Name = new LabelElement(u"FanArt_CastCrew_Label_Name"_qs, {x, qreal(kRowHeight * i + 80), 0, 0}, m_castCrew);
        h.Role = new LabelElement(u"FanArt_CastCrew_Label_Role"_qs, {x, qreal(kRowHeight * i + 120), 0, 0}, m_castCrew);
        h.Name->setAutoSize(true);
        h.Role->setAutoSize(true);
        h.Name->setFont(nameFont);
        h.Role->setFont(roleFont);
        h.Name->setColor(colors::LightSkyBlue);
        h.Role->setColor(colors::LightSkyBlue);
        h.Name->setText(row.name);
        h.Role->setText(row.role);
        return h;
    };
    const QList<Row> actors = ActorRows(t);
    m_actorRows.reserve(actors.size());
    for (int i = 0; i < actors.size(); ++i)
        m_actorRows.append(addRow(actors.at(i), 160, i));
    const QList<Row> crew = CrewRows(t);
    m_crewRows.reserve(crew.size());
    for (int i = 0; i < crew.size(); ++i)
        m_crewRows.append(addRow(crew.at(i), 900, i));
    m_rowsOf = {browser().FanArtTitle, t.Actors, t.Crew};
}

void FanArtView::showCastCrew(const tTitle &t)
{
    const Cursor c = cursor();
    if (!(m_rowsOf == RowsOf{browser().FanArtTitle, t.Actors, t.Crew}))
        buildRows(t);

    if (m_selectedRow.Name) {
        m_selectedRow.Name->setColor(colors::LightSkyBlue);
        m_selectedRow.Role->setColor(colors::LightSkyBlue);
    }
    m_selectedRow = {};
    const QList<Headshot> &column = c.column == 0 ? m_actorRows : m_crewRows;
    if (c.level >= 1 && c.level <= column.size()) {
        m_selectedRow = column.at(c.level - 1);
        m_selectedRow.Name->setColor(kWhite);
        m_selectedRow.Role->setColor(kWhite);
    }
    m_castCrew->setSize({m_castCrew->size().width(), qreal(kRowHeight * m_actorRows.size())});
    m_castCrew->setPos(0, c.level == 0 ? 0 : kRowHeight - kRowHeight * c.level);
    m_castCrewParent->show();
}

void FanArtView::showExtras(const tTitle &t)
{
    const qint32 level = cursor().level;
    m_extrasText->setText(t.ExtraFeatures);
    m_extrasText->setColor(level >= 1 ? kWhite : colors::LightSkyBlue);
    const Qt::Alignment vertical = level <= 1 ? Qt::AlignTop : level == 2 ? Qt::AlignVCenter : Qt::AlignBottom;
    m_extrasText->setAlignment(Qt::AlignLeft | vertical);
    m_extras->show();
}

void FanArtView::showActions(const tTitle &t)
{
    const qint32 level = cursor().level;
    m_setWatched->setText(t.WatchedCVB ? u"Mark as Not Watched"_qs : u"Mark as Watched"_qs);
    m_setWatchList->setText(t.WatchList ? u"Remove from WatchList"_qs : u"Add to WatchList"_qs);
    m_setWatched->setColor(level == 1 ? kWhite : colors::LightSkyBlue);
    m_setWatchList->setColor(level == 2 ? kWhite : colors::LightSkyBlue);
    m_setBackground->setColor(level == 3 ? kWhite : colors::LightSkyBlue);
    m_actions->show();
}

// ---------------------------------------------------------------- title grids

void FanArtView::openPersonGrid()
{
    if (SelectedPerson().isEmpty())
        return;
    // The grid covers the view; the panel comes back with the next ShowFanArt.
    HidePanel();
    showPersonGrid();
}

void FanArtView::showPersonGrid()
{
    if (TitleGrid *grid = host().screen<TitleGrid>())
        grid->OpenPersonTitles(SelectedPerson());
}

void FanArtView::showBoxSetGrid()
{
    if (TitleGrid *grid = host().screen<TitleGrid>())
        grid->ShowActorCrewDetail();
}

void FanArtView::freeGridCovers()
{
    if (TitleGrid *grid = host().screen<TitleGrid>())
        grid->FreeActorCrewCovers();
}
