#pragma once
// The focused title: the title summary and counter of the main screen, and
// the details pop-up that fades in over the right side of the screen when the
// focus rests on a cover (name, year, stars, running time, genres, rating
// reason, synopsis, actors, directors, writers).

#include "ui/screen.h"

#include <QString>
#include <QStringList>

class ImageElement;
class LabelElement;
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

} // namespace details

class DetailsPopup : public ScreenComponent
{
public:
    explicit DetailsPopup(ScreenHost &host);

    // The pop-up has no keys of its own: every key closes it (the
    // dispatcher's common work).
    void registerKeys(KeyDispatcher &) override {}
    // The title summary and the counter over the browser backdrop.
    void recolor() override;

    // UpdateDetails: makes the title at FocusIndex the focused one, fills the
    // summary, the counter and the pop-up, and closes the pop-up. Nothing
    // happens while the view list is empty.
    void UpdateDetails();

    // ToggleDetails: opens the closed pop-up with a fade, or closes it at once.
    void ToggleDetails(bool show);

    // TimerShowDetailsTimer: opens the pop-up; a tick that finds it open (or
    // fading in), or the focus off the carousel, changes nothing.
    void TimerShowDetailsTimer();

private:
    void layoutPanel();

    const ImageElement *m_backdrop;

    // Title summary and counter.
    ImageElement *m_summary;
    LabelElement *m_title;
    LabelElement *m_year;
    LabelElement *m_runtime;
    ImageElement *m_stars;
    ImageElement *m_rated;
    LabelElement *m_titleNum;
    LabelElement *m_totalTitles;

    // The pop-up.
    ImageElement *m_backing;
    ImageElement *m_panel;
    LabelElement *m_detailsTitle;
    ImageElement *m_detailsYearStars;
    LabelElement *m_detailsYear;
    ImageElement *m_detailsStars;
    LabelElement *m_detailsRuntime;
    LabelElement *m_detailsGenres;
    LabelElement *m_detailsReason;
    LabelElement *m_detailsDescription;
    LabelElement *m_detailsActors;
    LabelElement *m_detailsDirectors;
    LabelElement *m_detailsWriters;
};
