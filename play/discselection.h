#pragma once
// The disc selection: a small centred box that lists the discs of a title to
// be played, with "Cancel" below them. Up and Down move the selection, Enter
// takes it, Backspace cancels. At most 14 discs show at a time; the column
// scrolls so that the selected disc is the last visible row.
//
// The box does not block: Open() shows it and returns, and the callback
// receives the chosen disc (or -1) when the box closes, so the window never
// runs a nested event loop while the user chooses.

#include "ui/screen.h"

#include <QList>

#include <functional>

class ImageElement;
class LabelElement;

// Pure layout rules of the box.
namespace discselection {
inline constexpr int kMaxRows = 14;
inline constexpr int kRowHeight = 50;
inline constexpr int kMinTextWidth = 400;
// The box's size for `discs` discs whose widest name is `widest` wide.
QSizeF BoxSize(int discs, qreal widest);
// The disc column's y inside the clipping window for the selection
// (`selected` == `discs` is "Cancel").
qreal ColumnY(int selected, int discs);
} // namespace discselection

class DiscSelection : public ScreenComponent
{
public:
    explicit DiscSelection(ScreenHost &host);
    ~DiscSelection() override;

    void registerKeys(KeyDispatcher &dispatcher) override;
    void dumpState(QJsonObject &state) const override;

    // Saves the screen mode, enters smSelectDisc with SelectedDisc 0 and
    // shows the box for the title. `done` gets the chosen disc index, or -1
    // when the user cancelled, after the saved mode is back.
    void Open(qint32 titleIndex, std::function<void(qint32 disc)> done);
    // Opens the box on the first call; later calls move the highlight and
    // the scroll position only.
    void ShowSelectDisc(qint32 titleIndex);
    bool isOpen() const;

    // The selected entry: 0 ... number of discs ("Cancel"); -1 after a cancel.
    qint32 SelectedDisc = -1;

    ImageElement *box() const { return m_box; }
    const QList<LabelElement *> &discLabels() const { return m_discLabels; }
    LabelElement *cancelLabel() const { return m_cancel; }
    ImageElement *discColumn() const { return m_column; }

private:
    void open(qint32 titleIndex);
    void highlight();
    void up();
    void down();
    void close(bool cancelled);

    ImageElement *m_box = nullptr;
    LabelElement *m_header = nullptr;
    ImageElement *m_clip = nullptr;
    ImageElement *m_column = nullptr;
    LabelElement *m_cancel = nullptr;
    QList<LabelElement *> m_discLabels;
    qint32 m_title = -1;
    tScreenMode m_savedMode = smIconBar;
    bool m_shown = false;
    std::function<void(qint32)> m_done;
};
