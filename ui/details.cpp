#include "ui/details.h"

#include "app/tform1.h"
#include "art/covercomposer.h"
#include "art/imageresources.h"
#include "model/titles.h"
#include "ui/elements.h"
#include "ui/scene.h"

#include <QFontMetricsF>

#include <cmath>

namespace details {

namespace {

constexpr qreal kBlockGap = 14;
constexpr qreal kYearStarsHeight = 50;
constexpr qreal kRuntimeHeight = 45;
constexpr qreal kGenresHeight = 31;
// The panel darkens the translucent backing further so that the text stays
// readable over bright covers.
const QColor kPanelShade(6, 10, 18, 150);

// Names from the first `limit` entries, empty ones left out, joined by ", ".
QString joinNames(const QStringList &names, qsizetype limit)
{
    QStringList kept;
    for (qsizetype i = 0; i < qMin(limit, names.size()); ++i)
        if (!names.at(i).isEmpty())
            kept.append(names.at(i));
    return kept.join(u", "_qs);
}

void placeAt(Element *e, qreal y, qreal height)
{
    e->setGeometry({e->pos().x(), y, e->size().width(), height});
}

// Stacks the top block down from the title and the bottom block up from the
// panel's bottom edge; the synopsis gets what is left between them and is
// cut by its area when it is longer.
void layoutPanel(TForm1 &form)
{
    LabelElement *title = form.label(u"LabelDetailsTitle"_qs);
    LabelElement *reason = form.label(u"LabelDetailsRatingReason"_qs);
    LabelElement *actors = form.label(u"LabelDetailsActors"_qs);
    LabelElement *directors = form.label(u"LabelDetailsDirectors"_qs);
    LabelElement *writers = form.label(u"LabelDetailsWriters"_qs);

    qreal y = TitleHeight(title->textWidth());
    placeAt(title, 0, y);
    placeAt(form.image(u"ImageDetailsYearStars"_qs), y, kYearStarsHeight);
    y += kYearStarsHeight;
    placeAt(form.label(u"LabelDetailsRuntime"_qs), y, kRuntimeHeight);
    y += kRuntimeHeight + 5;
    placeAt(form.label(u"LabelDetailsGenres"_qs), y, kGenresHeight);
    y += kGenresHeight + 8;
    placeAt(reason, y, BlockHeight(reason->textWidth()));
    const qreal descriptionTop = y + reason->size().height() + 10;

    qreal bottom = kPanelHeight;
    for (LabelElement *label : {writers, directors, actors}) {
        const qreal h = BlockHeight(label->textWidth());
        placeAt(label, bottom - h, h);
        bottom -= h + kBlockGap;
    }
    // A synopsis that does not fit is cut after its last whole line.
    LabelElement *description = form.label(u"LabelDetailsDescription"_qs);
    const qreal room = qMax<qreal>(0, actors->pos().y() - 10 - descriptionTop);
    // Wrapped lines are laid out at the font height rounded up.
    const qreal line = std::ceil(QFontMetricsF(description->font()).height());
    placeAt(description, descriptionTop, line > 0 ? std::floor(room / line) * line : room);
}

} // namespace

int TitleHeight(qreal oneLineWidth)
{
    if (oneLineWidth > 2 * kPanelWidth)
        return 141;
    return oneLineWidth > kPanelWidth ? 94 : 47;
}

int BlockHeight(qreal oneLineWidth)
{
    if (oneLineWidth > 3 * kPanelWidth)
        return 136;
    if (oneLineWidth > 2 * kPanelWidth)
        return 101;
    return oneLineWidth > kPanelWidth ? 66 : 31;
}

QString ActorsText(const tTitle &title)
{
    QStringList names;
    for (qsizetype i = 0; i < qMin<qsizetype>(kMaxActors, title.Actors.size()); ++i)
        names.append(title.Actors.at(i).Actor);
    return joinNames(names, kMaxActors);
}

QString CrewText(const QString &lead, const QStringList &names)
{
    const QString joined = joinNames(names, kMaxCrew);
    return joined.isEmpty() ? QString() : lead + joined;
}

void UpdateDetails(TForm1 &form)
{
    if (form.FocusIndex < 0 || form.FocusIndex >= form.ViewList.size())
        return;
    const qint32 index = form.ViewList.at(form.FocusIndex);
    if (index < 0 || index >= form.Titles.Title.size())
        return;
    form.FocusTitle = index;
    const tTitle &t = form.Titles.Title.at(index);

    // Labels draw their text as it is: "&" needs no escaping.
    LabelElement *title = form.label(u"LabelTitle"_qs);
    LabelElement *year = form.label(u"LabelYear"_qs);
    LabelElement *runtime = form.label(u"LabelRuntime"_qs);
    title->setText(t.Title);
    year->setText(QString::number(t.Year));
    runtime->setText(QString::number(t.Runtime) + u" min"_qs);

    // Black strip and badge on a light backdrop (the year's colour says which).
    const bool black = year->color() == QColor(Qt::black);
    ImageElement *stars = form.image(u"ImageStars"_qs);
    const QString starsName = CoverComposer::StarsImageName(t.Stars, black);
    if (starsName.isEmpty())
        stars->clearPicture(); // no strip rather than the previous title's
    else
        stars->setPicture(form.images().image(starsName), starsName);
    ImageElement *rated = form.image(u"ImageRated"_qs);
    const QString ratedName = CoverComposer::RatingImageName(t.Rated, black);
    const QImage badge = form.images().image(ratedName);
    rated->setPicture(badge, ratedName);
    const QSizeF half = QSizeF(badge.size()) / 2;
    rated->setGeometry({290 - half.width(), rated->pos().y(), half.width(), half.height()});

    form.label(u"LabelTitleNum"_qs)->setText(QString::number(form.FocusIndex + 1));
    form.label(u"LabelTotalTitles"_qs)->setText(u"| "_qs + QString::number(form.ViewList.size()));

    form.label(u"LabelDetailsTitle"_qs)->setText(title->text());
    form.label(u"LabelDetailsYear"_qs)->setText(year->text());
    form.image(u"ImageDetailsStars"_qs)->setPicture(stars->picture(), stars->pictureName());
    form.label(u"LabelDetailsRuntime"_qs)->setText(runtime->text());
    form.label(u"LabelDetailsRatingReason"_qs)->setText(t.RatedDesc);
    form.label(u"LabelDetailsGenres"_qs)->setText(t.Genres.join(u", "_qs));
    form.label(u"LabelDetailsDescription"_qs)->setText(t.Description);
    form.label(u"LabelDetailsActors"_qs)->setText(ActorsText(t));
    form.label(u"LabelDetailsDirectors"_qs)->setText(CrewText(u"Directed by "_qs, t.Crew.Director));
    form.label(u"LabelDetailsWriters"_qs)->setText(CrewText(u"Written by "_qs, t.Crew.Writer));
    layoutPanel(form);

    ToggleDetails(form, false);
}

void ToggleDetails(TForm1 &form, bool show)
{
    ImageElement *backing = form.image(u"ImageDetailsBackground"_qs);
    ImageElement *panel = form.image(u"ImageDetailsBlank"_qs);
    if (!show) {
        backing->fadeTo(0, 0);
        panel->fadeTo(0, 0);
    } else if (panel->opacity() == 0 && !panel->isFading()) {
        layoutPanel(form);
        if (panel->background() != kPanelShade)
            panel->setBackground(kPanelShade);
        // 25 steps of 10 ms, the backing a little less opaque than the panel.
        // An animation rather than a loop that runs events: a key during the
        // fade closes the pop-up for good.
        constexpr int duration = kFadeSteps * kFadeStepMs;
        backing->fadeTo(kFadeSteps / 26.5, duration);
        panel->fadeTo(1, duration);
    }
    backing->show();
    panel->show();
}

void TimerShowDetailsTimer(TForm1 &form)
{
    if (!IsCarouselMode(form.ScreenMode) || form.ViewList.isEmpty())
        return;
    ToggleDetails(form, true);
}

} // namespace details
