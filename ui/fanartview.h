#pragma once
// The fan-art view of one title (screen modes 42, 43, 47 and 48): the title's
// fan art over the whole screen and, at the bottom, a translucent panel with a
// menu bar of seven pages (details, synopsis, cast + crew, audio + subs,
// extras, similar movies, action) over the content of the selected page.
//
// The cursor is (FanArtMenu, FanArtLevel, FanArtColumn) in BrowserState:
// level -1 lowers the panel out of sight, level 0 is the menu bar, levels 1
// and more are inside the page (an entry, a row or a scroll step). Every key
// that changes the cursor redraws the view with ShowFanArt. The view is
// opened from the carousel (OpenFromCarousel) or from a title grid
// (OpenFromGrid); Backspace returns to where it was opened from.

#include "ui/screen.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QString>

class CoverComposer;
class LabelElement;

class FanArtView : public ScreenComponent
{
public:
    static constexpr int kPageCount = 7;
    enum Page { PageDetails, PageSynopsis, PageCastCrew, PageAudioSubs, PageExtras, PageSimilarMovies, PageAction };
    // Details page columns.
    enum Column { ColumnPlay, ColumnTrailer, ColumnBackCover, ColumnFrontCover };

    static constexpr int kMaxActorRows = 500;
    static constexpr int kMaxSynopsisLevel = 30;
    static constexpr int kMaxEntryLevel = 3; // extras and action
    static constexpr int kSynopsisStep = 253;
    static constexpr int kRowHeight = 100;
    // The panel slides between y 660 (raised) and y 1080 (lowered) in steps
    // of 42 px, one step per frame.
    static constexpr int kPanelTop = 660;
    static constexpr int kSlideStep = 42;
    static constexpr int kSlideStepMs = 16;

    explicit FanArtView(ScreenHost &host);
    ~FanArtView() override;

    void registerKeys(KeyDispatcher &dispatcher) override;
    void collectionChanged() override;
    void dumpState(QJsonObject &state) const override;

    // Enter on a carousel cover; the caller sends a box-set parent to the
    // title grid instead.
    void OpenFromCarousel();
    // Enter on a title of a title grid. `fromBoxSet`: the grid is the box-set
    // grid, and Backspace leads back to it (mode 47); otherwise the view of a
    // person's grid opens in mode 42. GridIndex keeps the grid's selection.
    void OpenFromGrid(qint32 titleIndex, bool fromBoxSet);
    // Draws the whole view of FanArtTitle from the cursor.
    void ShowFanArt();
    // Backspace in mode 42: back to FanArtReturnState.
    void Close();
    // Hides the panel and the enlarged cover, for a screen that covers the
    // view (the title grids); the next ShowFanArt shows them again.
    void HidePanel();
    // Frees the rows of the cast + crew page.
    void FreeHeadshots();

    // The person of the selected cast + crew row, empty when no row is
    // selected: the name the person grid lists the titles of.
    QString SelectedPerson() const;
    // Full-screen image the fan art is drawn into; the title grids are drawn
    // over it.
    ImageElement *background() const { return m_background; }
    // Whether the panel is still moving (tests and benchmarks wait for it).
    bool isSliding() const;

    // ---- rules of the view, without a window

    struct Cursor {
        qint32 menu = 0;
        qint32 level = 0;
        qint32 column = 0;
        bool operator==(const Cursor &) const = default;
    };
    enum class Arrow { Left, Right, Up, Down };
    // The cursor after an arrow key; `actorRows` and `crewRows` are the rows
    // of the cast + crew page. A key that does nothing returns it unchanged.
    static Cursor Move(Cursor cursor, Arrow arrow, int actorRows, int crewRows);

    // The two location lines of the details page.
    struct Location {
        QString line;
        QString path;
    };
    static Location LocationLines(const tTitle &title);
    // "mm/dd/yyyy, <runtime> min, <genres>" from the eight-digit ReleaseDate.
    static QString DateRuntimeGenre(const tTitle &title);
    // The page names and the fixed string of the other names for each page.
    static QString PageName(int page);
    static QString MenuRestString(int page);
    // The cover file the enlargement shows: the art cache first when
    // `localArt`, then the title folder; empty when neither file exists.
    static QString ZoomFile(const tTitle &title, bool back, bool localArt, const QString &cachePath);

    struct Row {
        QString name;
        QString role;
    };
    // At most kMaxActorRows actors with their roles.
    static QList<Row> ActorRows(const tTitle &title);
    // Director, Writer, Producer, Cinematography, Editor, Music, Sound, Art,
    // each person with the list's name as the role.
    static QList<Row> CrewRows(const tTitle &title);

private:
    struct Headshot {
        LabelElement *Name = nullptr;
        LabelElement *Role = nullptr;
    };

    Cursor cursor() const;
    void setCursor(const Cursor &cursor);
    const tTitle *shownTitle() const;
    CoverComposer *composer() const;

    void arrow(Arrow arrow);
    void enter();
    void enterZoom();
    void leaveZoom();
    void backspace();
    void toggleMarker(bool watchList);
    void setBackground();
    void openPersonGrid();
    void play();
    // The title grids' part: the grid of the selected person, the box-set
    // grid shown again, and freeing the grid's covers.
    void showPersonGrid();
    void showBoxSetGrid();
    void freeGridCovers();

    void loadFanArt(const tTitle &title);
    QImage menuBar(int page, bool focused);
    void showDetails(const tTitle &title);
    void showSynopsis(const tTitle &title);
    void showCastCrew(const tTitle &title);
    void showExtras(const tTitle &title);
    void showActions(const tTitle &title);
    // Shows the enlarged back or front cover; false when there is no file.
    bool showZoom(const tTitle &title, bool back);
    void buildRows(const tTitle &title);
    void slidePanel();

    ImageElement *m_background = nullptr;
    ImageElement *m_mainBackground = nullptr;
    ImageElement *m_frame = nullptr;
    ImageElement *m_backdrop = nullptr;
    ImageElement *m_menuBar = nullptr;
    ImageElement *m_menuGradient = nullptr;
    ImageElement *m_menuGradientFull = nullptr;

    ImageElement *m_details = nullptr;
    LabelElement *m_play = nullptr;
    LabelElement *m_trailer = nullptr;
    LabelElement *m_title = nullptr;
    ImageElement *m_stars = nullptr;
    LabelElement *m_year = nullptr;
    LabelElement *m_dateRuntimeGenre = nullptr;
    LabelElement *m_discLocation = nullptr;
    LabelElement *m_discPath = nullptr;
    ImageElement *m_rated = nullptr;
    ImageElement *m_backCover = nullptr;
    ImageElement *m_frontCover = nullptr;
    ImageElement *m_coverZoom = nullptr;

    ImageElement *m_synopsisParent = nullptr;
    ImageElement *m_synopsis = nullptr;
    LabelElement *m_description = nullptr;

    ImageElement *m_castCrewParent = nullptr;
    ImageElement *m_castCrew = nullptr;
    LabelElement *m_castCrewHeader = nullptr;
    LabelElement *m_castCrewHeaderCrew = nullptr;

    ImageElement *m_extras = nullptr;
    LabelElement *m_extrasText = nullptr;
    ImageElement *m_similarMovies = nullptr;
    LabelElement *m_feedback = nullptr;
    ImageElement *m_actions = nullptr;
    LabelElement *m_setWatched = nullptr;
    LabelElement *m_setWatchList = nullptr;
    LabelElement *m_setBackground = nullptr;

    // The cast + crew rows, and what they were built from: rebuilt for
    // another title or other people, recoloured when only the selection
    // moves.
    struct RowsOf {
        qint32 title = -1;
        QList<tActor> actors;
        tCrew crew;
        bool operator==(const RowsOf &) const = default;
    };
    QList<Headshot> m_actorRows;
    QList<Headshot> m_crewRows;
    RowsOf m_rowsOf;
    Headshot m_selectedRow;

    // Which fan art the background holds, and the picture name it was
    // loaded as (another screen may load something else into it).
    QString m_fanArtKey;
    QString m_fanArtPicture;
    // Rendered menu bars by page and focus.
    QHash<int, QImage> m_menuBars;
};
