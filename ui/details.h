#pragma once
// The focused title: the title summary and counter of the main screen, and
// the details pop-up that fades in over the right side of the screen when the
// focus rests on a cover (name, year, stars, running time, genres, rating
// reason, synopsis, actors, directors, writers).

#include <QString>
#include <QStringList>

class TForm1;
struct tTitle;

namespace details {

inline constexpr int kPanelWidth = 713;
inline constexpr int kPanelHeight = 950;
inline constexpr int kFadeSteps = 25;
inline constexpr int kFadeStepMs = 10;
inline constexpr int kMaxActors = 11;
inline constexpr int kMaxCrew = 5;

// Heights of the wrapped labels from the width of their text on one line.
int TitleHeight(qreal oneLineWidth);   // 47, 94 or 141
int BlockHeight(qreal oneLineWidth);   // 31, 66, 101 or 136

// The first eleven actors' names, the first five directors and writers
// after their lead words; empty names are left out, and a title without
// directors (writers) has an empty text rather than a lone lead.
QString ActorsText(const tTitle &title);
QString CrewText(const QString &lead, const QStringList &names);

// UpdateDetails: makes the title at FocusIndex the focused one, fills the
// summary, the counter and the pop-up, and closes the pop-up. Nothing happens
// while the view list is empty.
void UpdateDetails(TForm1 &form);

// ToggleDetails: opens the closed pop-up with a fade, or closes it at once.
void ToggleDetails(TForm1 &form, bool show);

// TimerShowDetailsTimer: opens the pop-up; a tick that finds it open (or
// fading in), or the focus off the carousel, changes nothing.
void TimerShowDetailsTimer(TForm1 &form);

} // namespace details
