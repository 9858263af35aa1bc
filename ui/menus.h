#pragma once
// The option menus of the browser screen: sort order (also in its default-sort
// state for the settings screen), media type, genres, categories and exit.
// Each is an overlay of labels drawn from its cursor: the entry under the
// cursor white, all others light sky blue.

#include "ui/screen.h"
#include "ui/screenmode.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>

class ImageElement;
class LabelElement;
class PowerControl;
class Scene;

// Where the entries of a genre or category grid lie. Entries 0 to L - 1 are
// the list's entries; L, L + 1, L + 2 are the any-of, all-of and show-all
// entries.
struct GridLayout {
    int count = 0;           // L
    int rows = 0;            // R = L / 3 rounded up
    int columnStart[3] = {}; // first entry of each column
    int columnSize[3] = {};  // entries in each column

    int anyOf() const { return count; }
    int allOf() const { return count + 1; }
    int showAll() const { return count + 2; }
    int column(int entry) const;
    int row(int entry) const;
    // The entry at (column, row), or -1.
    int at(int column, int row) const;
    int lastOfColumn(int column) const;
    int panelHeight() const { return 42 * rows + 190; }

    // Cursor moves; a move that is not allowed returns the cursor unchanged.
    int up(int cursor) const;
    int down(int cursor) const;
    int left(int cursor) const;
    int right(int cursor) const;
};
GridLayout MakeGridLayout(int count);

// The sort and exit menus' cursor rules (a move not allowed keeps the cursor).
int SortCursorLeft(int cursor);
int SortCursorRight(int cursor);
int SortCursorUp(int cursor);
int SortCursorDown(int cursor);

class OptionMenus : public ScreenComponent
{
public:
    // Puts the menus' elements on the window's surface (hidden).
    explicit OptionMenus(ScreenHost &host);
    ~OptionMenus() override;

    // Modes 28, 38 to 41 and 49.
    void registerKeys(KeyDispatcher &dispatcher) override;
    // The cursors and the genre and category selections.
    void dumpState(QJsonObject &state) const override;

    int SortCursor = 0;
    int MediaTypeCursor = 6;
    int GenreCursor = 0;
    int CatCursor = 0;
    int ExitCursor = 1;

    void ShowSort();
    void ShowMediaTypes();
    void ShowGenre();
    void ShowCats();
    void ShowExit();
    void HideAll();

    // Opening from the icon bar; false when the menu cannot open (an empty
    // genre or category list).
    void OpenSort();
    void OpenMediaTypes();
    bool OpenGenres();
    bool OpenCats();
    void OpenExit();
    // The sort menu for the settings screen's default sort (mode 28).
    void OpenDefaultSort();
    // The settings screen redraws itself after the default sort was chosen.
    void setSettingsRedraw(std::function<void()> redraw) { m_settingsRedraw = std::move(redraw); }

    void ChooseSort();
    void ChooseDefaultSort();
    void ChooseMediaType();
    void ChooseGenre();
    void ChooseCat();
    void ChooseExit();
    void CloseExit();

    // Restart and program end; tests put their own in.
    void setPowerControl(std::unique_ptr<PowerControl> power);
    PowerControl &power() { return *m_power; }

    // The genre and category grids follow MyGenres and MyCats; call after
    // those lists were rebuilt (it is also done whenever a grid opens).
    void RebuildGrids();

private:
    struct Grid;
    struct SortRow {
        LabelElement *name;
        LabelElement *up;
        LabelElement *down;
    };
    void buildSort(Scene &scene);
    void buildMediaTypes(Scene &scene);
    void buildExit(Scene &scene);
    void buildGrid(Scene &scene);
    void showGrid(bool cats);
    void chooseGrid(bool cats);
    void rebuildGrid(bool cats);
    void closeToIconBar();

    ImageElement *m_sortPanel = nullptr;
    std::array<SortRow, 7> m_sortRows{};
    LabelElement *m_sortCancel = nullptr;
    ImageElement *m_mediaTypePanel = nullptr;
    std::array<LabelElement *, 7> m_mediaTypes{}; // the six types, then Cancel
    ImageElement *m_exitPanel = nullptr;
    std::array<LabelElement *, 3> m_exitEntries{};
    // The genre and category menus share one panel and its labels.
    ImageElement *m_gridPanel = nullptr;
    std::array<LabelElement *, 3> m_gridColumns{};
    LabelElement *m_anyOf = nullptr;
    LabelElement *m_allOf = nullptr;
    LabelElement *m_showAll = nullptr;

    std::unique_ptr<PowerControl> m_power;
    std::function<void()> m_settingsRedraw;
    std::unique_ptr<Grid> m_genres;
    std::unique_ptr<Grid> m_cats;
};
