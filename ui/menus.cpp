#include "ui/menus.h"

#include "art/imageresources.h"
#include "platform/power.h"
#include "ui/keydispatcher.h"
#include "ui/messages.h"
#include "ui/scene.h"

#include <QFontMetricsF>
#include <QJsonArray>
#include <QJsonObject>

namespace {

const QString kVerdana = QString::fromUtf16(fonts::Verdana);
const QColor kPanel(0x08, 0x12, 0x24, 235);
// Above the main screen and the search band, below the screensaver (elements
// are otherwise stacked in the order they were added).
constexpr qreal kMenuZ = 100001;

LabelElement *entryLabel(Scene &scene, const QString &name, const QString &text, qreal x, qreal y, Element *parent,
                         int size = 24)
{
    LabelElement *l = scene.addLabel(name, {x, y, 0, 0}, parent);
    l->setFont(fonts::Make(kVerdana, size));
    l->setColor(colors::LightSkyBlue);
    l->setAutoSize(true);
    l->setText(text);
    return l;
}

void highlight(LabelElement *label, bool underCursor)
{
    label->setColor(underCursor ? QColor(Qt::white) : colors::LightSkyBlue);
}

struct SortEntry {
    const char16_t *label;
    const char16_t *text;
};
constexpr SortEntry kSortRows[7] = {
    {u"Sort_Label_byTitle", u"By Title"},
    {u"Sort_Label_byStars", u"By Star Rating"},
    {u"Sort_Label_byRuntime", u"By Runtime"},
    {u"Sort_Label_byProdYear", u"By Production Year"},
    {u"Sort_Label_byReleaseDate", u"By Disc Release Date"},
    {u"Sort_Label_byDateAdded", u"By Date Added"},
    {u"Sort_Label_byColNum", u"By Collection Number"},
};

struct MediaTypeEntry {
    const char16_t *label;
    const char16_t *text;
    int y;
};
constexpr MediaTypeEntry kMediaTypes[6] = {
    {u"MediaType_Label0_All", u"Show All Media Types", 24},
    {u"MediaType_Label1_Movies", u"Show Movies", 73},
    {u"MediaType_Label2_TV", u"Show TV Series", 121},
    {u"MediaType_Label3_Music", u"Show Music", 170},
    {u"MediaType_Label4_Docs", u"Show Documentaries", 218},
    {u"MediaType_Label5_Other", u"Show Other Media Types", 267},
};

constexpr const char16_t *kExitLabels[3] = {u"Exit_Label0_Reboot", u"Exit_Label1_Exit", u"Exit_Label2_Cancel"};
constexpr const char16_t *kColumnLabels[3] = {u"Genres_Label_Left", u"Genres_Label_Center", u"Genres_Label_Right"};

// The two grid menus' geometry and texts.
struct GridLook {
    qreal panelX, panelWidth;
    qreal columnX[3];
    qreal checkBoxX[3];
    qreal anyOfX, allOfX, showAllX;
    const char16_t *anyOf, *allOf, *showAll;
    const char16_t *checkBoxPrefix;
};
constexpr GridLook kGenreLook{368, 1000, {100, 400, 700}, {56, 356, 656}, 24, 550, 348,
                              u"Match Any Of These Genres", u"Match All Of These Genres", u"Show ALL Genres",
                              u"Genres_Image_CheckBox"};
constexpr GridLook kCatLook{168, 1600, {100, 600, 1100}, {56, 556, 1056}, 174, 950, 648,
                            u"Match Any Of These Category", u"Match All Of These Categories", u"Show ALL Categories",
                            u"Cats_Image_CheckBox"};

constexpr qreal kGridTop = 176;
constexpr qreal kRowHeight = 42;
constexpr QSizeF kCheckBoxSize{40, 32};

// The column labels hold one entry per line; their line spacing must match
// the 42-pixel rows of the check boxes.
QFont columnFont()
{
    int size = 32;
    while (size < 48 && QFontMetricsF(fonts::Make(kVerdana, size + 1)).lineSpacing() <= kRowHeight)
        ++size;
    return fonts::Make(kVerdana, size);
}

bool containsIgnoringCase(const QStringList &list, const QString &value)
{
    return list.contains(value, Qt::CaseInsensitive);
}

// Moves a cursor and redraws the menu; a refused move changes nothing.
template <typename Move, typename Show>
std::function<void()> moveCursor(int &cursor, Move move, Show show)
{
    return [&cursor, move, show] {
        const int next = move(cursor);
        if (next == cursor)
            return;
        cursor = next;
        show();
    };
}

} // namespace

// ---------------------------------------------------------------- grid layout

GridLayout MakeGridLayout(int count)
{
    GridLayout g;
    g.count = qMax(0, count);
    g.rows = (g.count + 2) / 3;
    const int r = g.rows;
    g.columnStart[0] = 0;
    g.columnSize[0] = qMin(r, g.count);
    g.columnStart[1] = r;
    if (g.count % 3 == 1)
        g.columnSize[1] = qMax(0, r - 1);
    else
        g.columnSize[1] = qMax(0, qMin(r, g.count - r));
    g.columnStart[2] = g.columnStart[1] + g.columnSize[1];
    g.columnSize[2] = qMax(0, g.count - g.columnStart[2]);
    return g;
}

int GridLayout::column(int entry) const
{
    if (entry < 0 || entry >= count)
        return -1;
    for (int c = 2; c >= 0; --c) {
        if (columnSize[c] > 0 && entry >= columnStart[c])
            return c;
    }
    return -1;
}

int GridLayout::row(int entry) const
{
    const int c = column(entry);
    return c < 0 ? -1 : entry - columnStart[c];
}

int GridLayout::at(int c, int r) const
{
    if (c < 0 || c > 2 || r < 0 || r >= columnSize[c])
        return -1;
    return columnStart[c] + r;
}

int GridLayout::lastOfColumn(int c) const
{
    return (c < 0 || c > 2 || columnSize[c] == 0) ? -1 : columnStart[c] + columnSize[c] - 1;
}

int GridLayout::up(int cursor) const
{
    if (cursor == anyOf())
        return lastOfColumn(0) >= 0 ? lastOfColumn(0) : cursor;
    if (cursor == allOf())
        return lastOfColumn(1) >= 0 ? lastOfColumn(1) : cursor;
    if (cursor == showAll())
        return count > 0 ? count - 1 : cursor;
    return cursor > 0 ? cursor - 1 : cursor;
}

int GridLayout::down(int cursor) const
{
    if (cursor == anyOf())
        return allOf();
    if (cursor == allOf())
        return showAll();
    if (cursor == showAll())
        return cursor;
    if (cursor == lastOfColumn(0) || cursor == lastOfColumn(1) || cursor == count - 1)
        return anyOf();
    return cursor + 1;
}

int GridLayout::left(int cursor) const
{
    if (cursor == allOf())
        return anyOf();
    const int c = column(cursor);
    if (c >= 1)
        return at(c - 1, row(cursor));
    return cursor;
}

int GridLayout::right(int cursor) const
{
    if (cursor == anyOf())
        return allOf();
    const int c = column(cursor);
    if (c == 0 || c == 1) {
        const int same = at(c + 1, row(cursor));
        if (same >= 0)
            return same;
        const int last = lastOfColumn(c + 1);
        return last >= 0 ? last : cursor;
    }
    return cursor;
}

int SortCursorLeft(int cursor) { return (cursor >= 1 && cursor <= 13) ? cursor - 1 : cursor; }
int SortCursorRight(int cursor) { return cursor < 13 ? cursor + 1 : cursor; }
int SortCursorUp(int cursor) { return (cursor >= 2 && cursor <= 15) ? cursor - 2 : cursor; }
int SortCursorDown(int cursor) { return cursor < 14 ? cursor + 2 : cursor; }

// ---------------------------------------------------------------- menus

struct OptionMenus::Grid {
    const GridLook *look = nullptr;
    QStringList entries;          // the list the grid was built from
    GridLayout layout;
    QList<ImageElement *> checkBoxes; // grows with the list, never shrinks
};

OptionMenus::OptionMenus(ScreenHost &host)
    : ScreenComponent(host), m_power(MakeSystemPowerControl()), m_genres(std::make_unique<Grid>()),
      m_cats(std::make_unique<Grid>())
{
    m_genres->look = &kGenreLook;
    m_cats->look = &kCatLook;
    Scene &scene = host.scene();
    buildSort(scene);
    buildMediaTypes(scene);
    buildGrid(scene);
    buildExit(scene);
}

OptionMenus::~OptionMenus() = default;

void OptionMenus::dumpState(QJsonObject &state) const
{
    const ViewFilter &filter = browser().Filter;
    state[u"SortCursor"_qs] = SortCursor;
    state[u"MediaTypeCursor"_qs] = MediaTypeCursor;
    state[u"GenreCursor"_qs] = GenreCursor;
    state[u"CatCursor"_qs] = CatCursor;
    state[u"ExitCursor"_qs] = ExitCursor;
    state[u"GenreMode"_qs] = filter.GenreMode;
    state[u"SelectedGenres"_qs] = QJsonArray::fromStringList(filter.SelectedGenres);
    state[u"CatMode"_qs] = filter.CatMode;
    state[u"SelectedCats"_qs] = QJsonArray::fromStringList(filter.SelectedCats);
}

void OptionMenus::registerKeys(KeyDispatcher &dispatcher)
{
    auto sortKeys = [this](bool defaultSort) {
        auto show = [this] { ShowSort(); };
        ModeKeys k;
        k.Left = moveCursor(SortCursor, SortCursorLeft, show);
        k.Right = moveCursor(SortCursor, SortCursorRight, show);
        k.Up = moveCursor(SortCursor, SortCursorUp, show);
        k.Down = moveCursor(SortCursor, SortCursorDown, show);
        if (defaultSort)
            k.Enter = [this] { ChooseDefaultSort(); };
        else
            k.Enter = [this] { ChooseSort(); };
        return k;
    };
    dispatcher.setMode(smSortMenu, sortKeys(false));
    dispatcher.setMode(smDefaultSortMenu, sortKeys(true));

    ModeKeys mediaTypes;
    auto showMediaTypes = [this] { ShowMediaTypes(); };
    mediaTypes.Up = moveCursor(MediaTypeCursor, [](int c) { return c > 0 ? c - 1 : c; }, showMediaTypes);
    mediaTypes.Down = moveCursor(MediaTypeCursor, [](int c) { return c < 6 ? c + 1 : c; }, showMediaTypes);
    mediaTypes.Enter = [this] { ChooseMediaType(); };
    dispatcher.setMode(smMediaTypeMenu, std::move(mediaTypes));

    auto gridKeys = [this](bool cats) {
        int &cursor = cats ? CatCursor : GenreCursor;
        auto show = [this, cats] { cats ? ShowCats() : ShowGenre(); };
        // The layout follows the list as it is when the key arrives.
        auto layout = [this, cats] {
            const tTitles &titles = host().titles();
            return MakeGridLayout(int((cats ? titles.MyCats : titles.MyGenres).size()));
        };
        ModeKeys k;
        k.Up = moveCursor(cursor, [layout](int c) { return layout().up(c); }, show);
        k.Down = moveCursor(cursor, [layout](int c) { return layout().down(c); }, show);
        k.Left = moveCursor(cursor, [layout](int c) { return layout().left(c); }, show);
        k.Right = moveCursor(cursor, [layout](int c) { return layout().right(c); }, show);
        k.Enter = [this, cats] { cats ? ChooseCat() : ChooseGenre(); };
        return k;
    };
    dispatcher.setMode(smGenreMenu, gridKeys(false));
    dispatcher.setMode(smCatMenu, gridKeys(true));

    ModeKeys exit;
    auto showExit = [this] { ShowExit(); };
    exit.Up = moveCursor(ExitCursor, [](int c) { return c > 0 ? c - 1 : c; }, showExit);
    exit.Down = moveCursor(ExitCursor, [](int c) { return c < 2 ? c + 1 : c; }, showExit);
    exit.Enter = [this] { ChooseExit(); };
    exit.Backspace = [this] { CloseExit(); };
    dispatcher.setMode(smExitMenu, std::move(exit));
}

void OptionMenus::setPowerControl(std::unique_ptr<PowerControl> power)
{
    m_power = std::move(power);
}

void OptionMenus::buildSort(Scene &scene)
{
    ImageElement *panel = scene.addImage(u"ImageSortBackground"_qs, {980, 168, 385, 441});
    panel->setBackground(kPanel);
    panel->setZValue(kMenuZ);
    panel->hide();
    m_sortPanel = panel;
    for (int r = 0; r < 7; ++r) {
        const QString name = QString::fromUtf16(kSortRows[r].label);
        m_sortRows[r].name = entryLabel(scene, name, QString::fromUtf16(kSortRows[r].text), 100, 24 + 48 * r, panel);
        m_sortRows[r].up = entryLabel(scene, name + u"_Up"_qs, u"\u25B2"_qs, 24, 21 + 48 * r, panel);
        m_sortRows[r].down = entryLabel(scene, name + u"_Down"_qs, u"\u25BC"_qs, 60, 21 + 48 * r, panel);
    }
    m_sortCancel = entryLabel(scene, u"Sort_Label_Cancel"_qs, u"Cancel"_qs, 100, 384, panel);
}

void OptionMenus::buildMediaTypes(Scene &scene)
{
    ImageElement *panel = scene.addImage(u"ImageMediaTypeBackground"_qs, {344, 168, 385, 394});
    panel->setBackground(kPanel);
    panel->setZValue(kMenuZ);
    panel->hide();
    m_mediaTypePanel = panel;
    for (int i = 0; i < 6; ++i) {
        const MediaTypeEntry &e = kMediaTypes[i];
        m_mediaTypes[i] = entryLabel(scene, QString::fromUtf16(e.label), QString::fromUtf16(e.text), 42, e.y, panel);
    }
    LabelElement *cancel = entryLabel(scene, u"MediaType_Label6_Cancel"_qs, u"Cancel"_qs, 0, 335, panel);
    m_mediaTypes[6] = cancel;
    const qreal height = cancel->size().height();
    cancel->setAutoSize(false);
    cancel->setGeometry({0, 335, 385, height});
    cancel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
}

void OptionMenus::buildExit(Scene &scene)
{
    // Over the exit icon's place in the icon bar, but not dimmed with the bar.
    ImageElement *panel = scene.addImage(u"ImageExitOptions"_qs, {1720, 0, 200, 155});
    panel->setBackground(kPanel);
    panel->setZValue(kMenuZ);
    panel->hide();
    m_exitPanel = panel;
    const QString texts[3] = {u"Reboot"_qs, u"Exit"_qs, u"Cancel"_qs};
    const int ys[3] = {14, 62, 112};
    for (int i = 0; i < 3; ++i)
        m_exitEntries[i] = entryLabel(scene, QString::fromUtf16(kExitLabels[i]), texts[i], 18, ys[i], panel);
}

void OptionMenus::buildGrid(Scene &scene)
{
    ImageElement *panel = scene.addImage(u"ImageGenresBackground"_qs, {kGenreLook.panelX, kGridTop, kGenreLook.panelWidth, 190});
    panel->setBackground(kPanel);
    panel->setZValue(kMenuZ);
    panel->hide();
    m_gridPanel = panel;
    const QFont font = columnFont();
    for (int c = 0; c < 3; ++c) {
        LabelElement *column = scene.addLabel(QString::fromUtf16(kColumnLabels[c]), {0, 0, 0, 0}, panel);
        column->setFont(font);
        column->setColor(colors::LightSkyBlue);
        column->setAutoSize(true);
        m_gridColumns[c] = column;
    }
    m_anyOf = entryLabel(scene, u"Genres_Label_ShowAnyOf"_qs, {}, 0, 0, panel);
    m_allOf = entryLabel(scene, u"Genres_Label_ShowOnly"_qs, {}, 0, 0, panel);
    m_showAll = entryLabel(scene, u"Genres_Label_ShowALL"_qs, {}, 0, 0, panel);
}

void OptionMenus::RebuildGrids()
{
    rebuildGrid(false);
    rebuildGrid(true);
}

void OptionMenus::rebuildGrid(bool cats)
{
    Grid &grid = cats ? *m_cats : *m_genres;
    const QStringList &entries = cats ? host().titles().MyCats : host().titles().MyGenres;
    grid.entries = entries;
    grid.layout = MakeGridLayout(int(entries.size()));
    Scene &scene = host().scene();
    while (grid.checkBoxes.size() < entries.size()) {
        ImageElement *box = scene.addImage(QString::fromUtf16(grid.look->checkBoxPrefix) + QString::number(grid.checkBoxes.size()),
                                           QRectF(QPointF(0, 0), kCheckBoxSize), m_gridPanel);
        box->hide();
        grid.checkBoxes.append(box);
    }
    for (qsizetype i = 0; i < grid.checkBoxes.size(); ++i) {
        ImageElement *box = grid.checkBoxes.at(i);
        if (i >= entries.size()) {
            box->hide();
            continue;
        }
        const int c = grid.layout.column(int(i));
        const int r = grid.layout.row(int(i));
        box->setGeometry({QPointF(grid.look->checkBoxX[c], 22 + kRowHeight * r), kCheckBoxSize});
    }
}

void OptionMenus::HideAll()
{
    for (ImageElement *panel : {m_sortPanel, m_mediaTypePanel, m_gridPanel, m_exitPanel})
        panel->hide();
}

void OptionMenus::ShowSort()
{
    for (int r = 0; r < 7; ++r) {
        const bool onRow = SortCursor < 14 && SortCursor / 2 == r;
        highlight(m_sortRows[r].name, onRow);
        highlight(m_sortRows[r].up, onRow && SortCursor % 2 == 0);
        highlight(m_sortRows[r].down, onRow && SortCursor % 2 == 1);
    }
    highlight(m_sortCancel, SortCursor >= 14);
    m_sortPanel->show();
}

void OptionMenus::ShowMediaTypes()
{
    for (int i = 0; i < 7; ++i)
        highlight(m_mediaTypes[i], MediaTypeCursor == i);
    m_mediaTypePanel->show();
}

void OptionMenus::ShowExit()
{
    for (int i = 0; i < 3; ++i)
        highlight(m_exitEntries[i], ExitCursor == i);
    m_exitPanel->show();
}

void OptionMenus::ShowGenre() { showGrid(false); }
void OptionMenus::ShowCats() { showGrid(true); }

void OptionMenus::showGrid(bool cats)
{
    Grid &grid = cats ? *m_cats : *m_genres;
    Grid &other = cats ? *m_genres : *m_cats;
    const QStringList &entries = cats ? host().titles().MyCats : host().titles().MyGenres;
    if (grid.entries != entries)
        rebuildGrid(cats);
    const GridLook &look = *grid.look;
    const GridLayout &g = grid.layout;
    const int cursor = cats ? CatCursor : GenreCursor;
    const QStringList &selected = cats ? browser().Filter.SelectedCats : browser().Filter.SelectedGenres;

    m_gridPanel->setGeometry({look.panelX, kGridTop, look.panelWidth, qreal(g.panelHeight())});
    for (int c = 0; c < 3; ++c) {
        LabelElement *column = m_gridColumns[c];
        const QStringList names = grid.entries.mid(g.columnStart[c], g.columnSize[c]);
        column->setText(names.join(u'\n'));
        // Each line's middle at the middle of its row's check box.
        const qreal lineSpacing = QFontMetricsF(column->font()).lineSpacing();
        column->setPos(look.columnX[c], 22 + kCheckBoxSize.height() / 2 - lineSpacing / 2);
    }
    for (ImageElement *box : std::as_const(other.checkBoxes))
        box->hide();
    ImageResources &images = host().images();
    for (int i = 0; i < g.count; ++i) {
        const bool isSelected = containsIgnoringCase(selected, grid.entries.at(i));
        const QString picture = u"PngCheckbox"_qs + (i == cursor ? u"White"_qs : u"Blue"_qs)
                                + (isSelected ? u"Yes"_qs : u"No"_qs);
        ImageElement *box = grid.checkBoxes.at(i);
        box->setPicture(images.image(picture), picture);
        box->show();
    }

    const qreal height = g.panelHeight();
    m_anyOf->setText(QString::fromUtf16(look.anyOf));
    m_allOf->setText(QString::fromUtf16(look.allOf));
    m_showAll->setText(QString::fromUtf16(look.showAll));
    m_anyOf->setPos(look.anyOfX, height - 120);
    m_allOf->setPos(look.allOfX, height - 120);
    m_showAll->setPos(look.showAllX, height - 72);
    highlight(m_anyOf, cursor == g.anyOf());
    highlight(m_allOf, cursor == g.allOf());
    highlight(m_showAll, cursor == g.showAll());
    m_gridPanel->show();
}

// ---------------------------------------------------------------- opening

void OptionMenus::OpenSort()
{
    browser().ScreenMode = smSortMenu;
    SortCursor = browser().Filter.CurrentSort;
    ShowSort();
}

void OptionMenus::OpenDefaultSort()
{
    browser().ScreenMode = smDefaultSortMenu;
    SortCursor = host().settings().DefaultSort;
    ShowSort();
}

void OptionMenus::OpenMediaTypes()
{
    browser().ScreenMode = smMediaTypeMenu;
    MediaTypeCursor = 6;
    ShowMediaTypes();
}

bool OptionMenus::OpenGenres()
{
    if (host().titles().MyGenres.isEmpty())
        return false;
    rebuildGrid(false);
    browser().ScreenMode = smGenreMenu;
    GenreCursor = m_genres->layout.showAll();
    ShowGenre();
    return true;
}

bool OptionMenus::OpenCats()
{
    if (host().titles().MyCats.isEmpty())
        return false;
    rebuildGrid(true);
    browser().ScreenMode = smCatMenu;
    CatCursor = m_cats->layout.showAll();
    ShowCats();
    return true;
}

void OptionMenus::OpenExit()
{
    browser().ScreenMode = smExitMenu;
    ExitCursor = 1;
    ShowExit();
}

// ---------------------------------------------------------------- choosing

void OptionMenus::closeToIconBar()
{
    HideAll();
    browser().ScreenMode = smIconBar;
    host().UpdateIcons();
}

void OptionMenus::ChooseSort()
{
    m_sortPanel->hide();
    if (SortCursor < 14 && SortCursor != browser().Filter.CurrentSort) {
        browser().Filter.CurrentSort = tSort(SortCursor);
        host().SortItems();
    } else {
        // The same order again, or Cancel: the view list and its focus stay.
        closeToIconBar();
    }
}

void OptionMenus::ChooseDefaultSort()
{
    m_sortPanel->hide();
    if (SortCursor < 14) {
        tSettings &settings = host().settings();
        settings.DefaultSort = tSort(SortCursor);
        settings.Changed = true;
    }
    browser().ScreenMode = 9; // the settings screen's default-sort row
    if (m_settingsRedraw)
        m_settingsRedraw();
}

void OptionMenus::ChooseMediaType()
{
    if (MediaTypeCursor >= 0 && MediaTypeCursor <= 5)
        browser().Filter.MediaTypeFilter = tMediaType(MediaTypeCursor);
    m_mediaTypePanel->hide();
    // Cancel rebuilds as well, which brings the focus back to the first title.
    host().SortItems();
}

void OptionMenus::ChooseGenre() { chooseGrid(false); }
void OptionMenus::ChooseCat() { chooseGrid(true); }

void OptionMenus::chooseGrid(bool cats)
{
    Grid &grid = cats ? *m_cats : *m_genres;
    const GridLayout &g = grid.layout;
    const int cursor = cats ? CatCursor : GenreCursor;
    ViewFilter &filter = browser().Filter;
    QStringList &selected = cats ? filter.SelectedCats : filter.SelectedGenres;
    QString &mode = cats ? filter.CatMode : filter.GenreMode;

    if (cursor >= 0 && cursor < g.count) {
        const QString &entry = grid.entries.at(cursor);
        if (!containsIgnoringCase(selected, entry)) {
            selected.append(entry);
        } else {
            // Also drops any copies differing only in letter case.
            selected.removeIf([&entry](const QString &s) { return s.compare(entry, Qt::CaseInsensitive) == 0; });
        }
        showGrid(cats);
        return;
    }
    if (cursor == g.anyOf()) {
        mode = u"ShowAnyOf"_qs;
    } else if (cursor == g.allOf()) {
        mode = u"ShowOnly"_qs;
    } else if (cursor == g.showAll()) {
        mode = u"ShowAll"_qs;
        selected.clear();
    } else {
        return;
    }
    m_gridPanel->hide();
    host().SortItems();
}

void OptionMenus::ChooseExit()
{
    switch (ExitCursor) {
    case 0:
        if (const std::optional<QString> error = m_power->Reboot()) {
            messages::ShowError(*error, host().window());
            return;
        }
        m_power->EndProgram();
        return;
    case 1:
        m_power->EndProgram();
        return;
    default:
        CloseExit();
        return;
    }
}

void OptionMenus::CloseExit()
{
    m_exitPanel->hide();
    browser().ScreenMode = smIconBar;
    // The bar shows its selected icon again.
    host().UpdateIcons();
}
