#pragma once
// The title grids (screen modes 44 and 46): a full-screen page of covers, six
// to a row, with the selected cover enlarged and its title, year, running
// time, stars and rating on an information line at the bottom. The person
// grid (44) lists every title of the collection that names a person among its
// actors or crew; it is opened from the fan-art view's cast + crew page. The
// box-set grid (46) lists the titles of a box set; it is opened with Enter on
// a box-set parent in the carousel.
//
// The list and its covers are built once for a grid's subject (the person or
// the box set), the collection and the sort order; covers are composed on a
// worker thread and arrive while the grid is already shown. Moving the
// selection only lays the covers out again: five frames in which the previous
// cover shrinks back, the selected one grows to 1.5 times its size, and the
// rows fold into a thin stack at the top (or unfold) as the selection leaves
// the second row. Once the selection is below the first row, the row above it
// stays visible and the rows before that are folded.
//
// Covers are grouped by row; all rows from one row onwards move together
// while the rows fold, a folded row is drawn only as far as the row on top of
// it leaves it visible, and rows below the screen are not drawn at all, so a
// grid of hundreds of titles costs a frame about what a short one does. Rows
// and covers stand on whole pixels and every picture is made at the size it
// is drawn, so a frame only copies pictures.

#include "ui/screen.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QThreadPool>

#include <memory>
#include <vector>

class CoverComposer;
class GridRowItem;
class LabelElement;
class QVariantAnimation;

class TitleGrid : public ScreenComponent
{
public:
    static constexpr int kColumns = 6;
    // Layout on the design surface (cover size W x H from the cover profile).
    static constexpr int kTop = 100;
    static constexpr int kGap = 20;
    static constexpr int kFoldedRowHeight = 10;
    static constexpr int kLayoutWidth = 1820;
    // The selection animation: steps 2, 4, 6, 8, 10 of ten, one per frame.
    static constexpr int kFrames = 5;
    static constexpr int kFrameMs = 16;

    explicit TitleGrid(ScreenHost &host);
    ~TitleGrid() override;

    void registerKeys(KeyDispatcher &dispatcher) override;
    void collectionChanged() override;
    void dumpState(QJsonObject &state) const override;

    // Enter on a row of the fan-art view's cast + crew page: the grid of the
    // titles that name `person`, from the first title.
    void OpenPersonTitles(const QString &person);
    // Enter on a carousel cover that is a box-set parent (FocusTitle): the
    // grid of the box set's titles, from the first title.
    void OpenBoxSet();
    // Shows the grid of the current screen mode (44 or 46) with the selection
    // at GridIndex and runs the selection animation. The list and the covers
    // are built again only when the subject, the collection or the sort order
    // changed since they were built.
    void ShowActorCrewDetail();
    // Hides the grid (the covers stay for a later ShowActorCrewDetail).
    void HideGrid();
    // Frees every cover and discards the list.
    void FreeActorCrewCovers();
    // Frees the head-shot rows of the fan-art view's cast + crew page.
    void FreeHeadshots();

    // ---- state (the script driver's fields and the tests)
    qint32 GridPrevious() const { return m_gridPrevious; }
    qint32 GridTopRow() const { return m_gridTopRow; }
    // The grid's titles as collection indices, in grid order.
    const QList<qint32> &entries() const { return m_entries; }
    bool isShown() const;
    // The cover element of a grid entry, or nullptr.
    const ImageElement *cover(int entry) const;
    bool isAnimating() const;
    // Every cover's opacity (dimmed while a title is launched from the grid).
    void setCoverOpacity(qreal opacity);
    // Blocks until every cover of the grid is composed and its arrival has
    // been handled (tests and benchmarks).
    void waitForCovers();

    // ---- rules of the grid, without a window

    enum class Arrow { Left, Right, Up, Down };
    // The selection after an arrow key in a grid of `count` entries; a move
    // that is not allowed returns `index` unchanged.
    static qint32 Move(qint32 index, qint32 count, Arrow arrow);
    // GridTopRow once the selection rests on `index`: the row above the
    // selection stays visible, the rows before it are folded.
    static qint32 TopRowFor(qint32 index);
    // x of the first column: the six columns are centred in 1820 px.
    static qreal FirstColumnX(qreal coverWidth);
    // The top of row `row` with `topRow` rows folded away.
    static qreal RowY(int row, int topRow, qreal coverHeight);
    // How far a row is moved during a move from `previous` to `index` at
    // animation step `step` (2 to 10): rows fold up when the selection goes
    // down a row from the second row on, and unfold when it goes up a row
    // while the first rows are folded.
    static qreal RowShift(int row, int step, qint32 index, qint32 previous, qreal coverHeight);
    // The size factor of `entry` at animation step `step`: the previous
    // cover shrinks from 1.4 to 1.0, the selected one grows from 1.1 to 1.5.
    static qreal CoverScale(int entry, int step, qint32 index, qint32 previous);
    // The rectangle of `entry` at animation step `step` of a move from
    // `previous` (-1: none) to `index`, with `topRow` the GridTopRow before
    // the move.
    static QRectF FrameRect(int entry, int step, qint32 index, qint32 previous, int topRow, QSizeF cover);
    // A cell scaled about its centre, in whole pixels.
    static QRectF ScaledCell(const QRectF &cell, qreal scale);
    // The box set's titles (PID equals the box set's ID), in collection order.
    static QList<qint32> BoxSetTitles(const tTitles &titles, qint32 boxSet);

private:
    struct Animation;
    struct BuiltFor {
        tScreenMode mode = 0;
        QString subject; // the person, or the box set's ID
        tSort sort = SortTitleAsc;
        bool operator==(const BuiltFor &) const = default;
    };

    bool isGridMode() const;
    BuiltFor subject() const;
    CoverComposer *composer() const;
    QSizeF coverSize() const;

    void build(const BuiltFor &subject);
    void createCovers();
    void composeCovers();
    void setCoverPicture(int entry, const QImage &picture, const QString &id);
    void showInformation();

    void arrow(Arrow arrow);
    void enter();
    void play();
    void backspacePerson();
    void backspaceBoxSet();

    // The selection animation from `previous` (-1: none) to GridIndex.
    void startAnimation(qint32 previous);
    void applyFrame(int step);
    void finishAnimation();
    // Lays the covers out for animation step `step` (10: at rest).
    void layout(int step, qint32 index, qint32 previous, int topRow);
    // The cell of an entry inside its row.
    QRectF cellInRow(int entry) const;
    // Shows a cover at `scale` times its size; `resting`: the picture is
    // scaled smoothly (it stays), else quickly (one frame).
    void scaleCover(int entry, qreal scale, bool resting);

    ImageElement *fanArtBackground() const;
    void hideFanArtPanel();

    ImageElement *m_panel = nullptr; // FanArt_Image_ActorCrewDetail
    LabelElement *m_name = nullptr;
    ImageElement *m_fade = nullptr;
    LabelElement *m_title = nullptr;
    LabelElement *m_year = nullptr;
    LabelElement *m_runtime = nullptr;
    ImageElement *m_rating = nullptr;
    ImageElement *m_stars = nullptr;
    LabelElement *m_titleNum = nullptr;
    LabelElement *m_totalTitles = nullptr;

    qint32 m_gridPrevious = 0;
    qint32 m_gridTopRow = 0;
    QString m_person;
    QList<qint32> m_entries;
    std::unique_ptr<BuiltFor> m_builtFor; // null: no list
    QSizeF m_coverSize;

    std::vector<GridRowItem *> m_rows;
    std::vector<ImageElement *> m_covers;
    // The composed covers at W x H (null until composed).
    std::vector<QImage> m_pictures;
    // Covers drawn at another size than W x H (enlarged or shrinking), and
    // that size.
    QHash<int, qreal> m_scaledCovers;
    // The smoothly enlarged picture of the resting selection.
    struct Enlarged {
        int entry = -1;
        QImage source;
        QImage picture;
    } m_enlarged;
    int m_frontRow = -1;

    std::unique_ptr<Animation> m_animation;
    QPointer<QVariantAnimation> m_frames;

    // Covers are composed on one worker (the main thread keeps a core for
    // drawing); their results come back through the event loop, and a result
    // of an earlier list (another generation) is dropped.
    QThreadPool m_pool;
    QObject m_receiver;
    quint64 m_generation = 0;
    int m_pending = 0;
};
