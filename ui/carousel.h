#pragma once
// The cover carousel of the main screen: 11 columns by 2 rows of cover slots
// sliding over the view list, with the focused cover enlarged in column 5.
//
// View-list position p lies in column p / 2, on row A when p is even. With a
// the even position of the focused column, slot column c shows a - 10 + 2c on
// row A and a - 9 + 2c on row B; positions outside the list show the blank
// image. A step left or right moves the pictures the slots already hold and
// composes only the new edge column. Covers ahead of the focus are composed on
// worker threads, so a step usually only places pictures that are ready; one
// that is not ready yet is composed at once rather than shown blank.
//
// Each slot's picture name is the ID of the title it shows, or
// "PngTransparent" for a blank slot.

#include "art/coverprofiles.h"
#include "ui/multitap.h"
#include "ui/screen.h"

#include <QImage>
#include <QString>
#include <QThreadPool>
#include <QTimer>

#include <array>
#include <memory>

class Collection;
class CoverComposer;
class CoverPredecoder;
class ImageElement;
struct MarkerResult;

class Carousel : public ScreenComponent
{
public:
    static constexpr int kColumns = 11;
    static constexpr int kFocusColumn = 5;
    // Columns composed ahead of the focus in the direction it moves.
    static constexpr int kAheadColumns = 8;

    // The window's surface must already hold the carousel elements.
    explicit Carousel(ScreenHost &host);
    ~Carousel() override;

    // Modes 1 and 2: moving the focus, page and end jumps, digit and letter
    // jumps, the watched and watch-list toggles, play, and keeping the
    // details pop-up closed.
    void registerKeys(KeyDispatcher &dispatcher) override;

    // Fills all 22 slots and the enlarged cover around view-list position
    // coverIndex, for the window's view list and screen mode.
    void LoadCoverArt(qint32 coverIndex);
    // One step of the focus ("Up", "Down", "Right", "Left"), after the window
    // has already moved FocusIndex and set the screen mode.
    void ShiftCoverArt(const QString &direction);
    // Recomposes the focused cover of the current row and its enlarged copy
    // (after the title's watched or watch-list state changed).
    void RecomposeFocusCover();

    // Composed covers are kept between calls; after the art files may have
    // changed (a sync run) they must be composed again.
    void ArtChanged();
    // Loads the configured cover profile again (the settings changed it).
    void ReloadProfile();

    CoverComposer &composer();
    const CoverProfiles &profiles();
    // Waits until the covers queued ahead are composed (tests, benchmarks).
    void waitForPrefetch();

    static QString blankName() { return QStringLiteral("PngTransparent"); }

private:
    void ensureProfile();
    ImageElement *slot(int column, bool rowB) const { return rowB ? m_rowB[column] : m_rowA[column]; }
    QImage &full(int column, bool rowB) { return rowB ? m_fullB[column] : m_fullA[column]; }
    // Puts a composed cover (or the blank image) into a slot.
    void place(int column, bool rowB, const QImage &cover, const QString &name);
    // The composed front cover of a view-list position, or the blank image.
    void setSlotTo(int column, bool rowB, qint32 position);
    // Moves the pictures of column `from` into column `to`.
    void moveColumn(int from, int to);
    // The enlarged cover and its shadow follow the row of the focus.
    void showEnlarged();
    // Composes the covers of these positions that are not ready yet, in parallel.
    void composeMissing(const QList<qint32> &positions);
    // Names the covers of these view-list positions to the predecoder.
    void prefetch(const QList<qint32> &positions);
    void sendPendingRequest();
    qint32 focusColumnStart() const;
    // A jump refills the whole carousel around the new focus.
    void jumpTo(qint32 position);
    // Toggles one marker of the focused title and redraws its cover.
    void toggleMarker(MarkerResult (Collection::*toggle)(qint32));

    CoverProfiles m_profiles;
    bool m_profileLoaded = false;
    std::unique_ptr<CoverComposer> m_composer;
    // Declared after the composer: its jobs must end before the composer goes.
    std::unique_ptr<CoverPredecoder> m_predecoder;
    std::array<ImageElement *, kColumns> m_rowA{};
    std::array<ImageElement *, kColumns> m_rowB{};
    // The composed covers at full size: the slots show copies scaled to the
    // slot once, so that drawing a frame does not scale 22 pictures again;
    // the enlarged cover is made from the full one.
    std::array<QImage, kColumns> m_fullA;
    std::array<QImage, kColumns> m_fullB;
    // Prefetch requests go through one worker in the order they are made, so
    // that the main thread never waits for the predecoder's locks.
    QThreadPool m_requests;
    // The latest request waits for the event loop: waking a worker inside a
    // step would let it take the core before the frame is drawn.
    QTimer m_requestTimer;
    QList<tTitle> m_pendingRequest;
    ImageElement *m_bigA = nullptr;
    ImageElement *m_bigB = nullptr;
    ImageElement *m_shadowA = nullptr;
    ImageElement *m_shadowB = nullptr;
    QImage m_blank;
    // Both rows share one multi-tap state: a digit's letters go on across rows.
    MultiTap m_multiTap;
};
