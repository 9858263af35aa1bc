#pragma once
// The real-time search overlay: a band across the top of the screen with six
// search boxes and two entries that end the search. Every key released while
// typing stores the box's text as its search terms and rebuilds the view list.

#include "ui/screen.h"

#include <QObject>
#include <QString>

#include <array>

class Element;
class ImageElement;
class LabelElement;
class QLineEdit;
struct ViewFilter;

// Cursor rules of the overlay's eight entries (0 to 2, 3 to 5 and 6 to 7 are
// its three columns); a move that is not allowed keeps the cursor.
int SearchCursorUp(int cursor);
int SearchCursorDown(int cursor);
int SearchCursorLeft(int cursor);
int SearchCursorRight(int cursor);

// The search text of box 0 to 5 (name, synopsis, actors, directors, writers,
// producers) inside the filter state.
QString &SearchText(ViewFilter &filter, int box);

class SearchOverlay : public QObject, public ScreenComponent
{
    Q_OBJECT
public:
    // Puts the overlay's elements on the window's surface (hidden) and
    // watches the window's keys for the open box.
    explicit SearchOverlay(ScreenHost &host);
    ~SearchOverlay() override;

    // Modes 36 (the entries) and 37 (typing: the box takes the keys).
    void registerKeys(KeyDispatcher &dispatcher) override;
    // The cursor and the six search texts.
    void dumpState(QJsonObject &state) const override;

    int SearchCursor = 0;

    // Enter on the search icon.
    void Open();
    // Redraws the overlay from the cursor and the six search texts.
    void ShowSearch();
    // Enter on the entry under the cursor (mode 36).
    void Choose();
    // Enter in the open box (mode 37): closes the box, not the overlay.
    void EndEdit();

    // The open box, or nullptr while no box is open.
    QLineEdit *openBox() const;
    QLineEdit *box(int index) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void hideOverlay();
    bool screenSaverShowing() const;

    QWidget *m_window;
    ImageElement *m_band;
    std::array<LabelElement *, 8> m_entries{};
    // The boxes' holders on the surface and the edit fields in them.
    std::array<ImageElement *, 6> m_holders{};
    std::array<QLineEdit *, 6> m_boxes{};
    const Element *m_screenSaver;
    int m_openBox = -1;
};
