#include "ui/details.h"

#include "art/covercomposer.h"
#include "art/imageresources.h"
#include "model/titles.h"
#include "ui/elements.h"
#include "ui/glow.h"
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

} // namespace details

// ---------------------------------------------------------------- DetailsPopup

DetailsPopup::DetailsPopup(ScreenHost &host) : ScreenComponent(host)
{
    const Scene &scene = host.scene();
    m_backdrop = scene.image(u"ImageBackground"_qs);
    m_summary = scene.image(u"ImageTitleSummary"_qs);
    m_title = scene.label(u"LabelTitle"_qs);
    m_year = scene.label(u"LabelYear"_qs);
    m_runtime = scene.label(u"LabelRuntime"_qs);
    m_stars = scene.image(u"ImageStars"_qs);
    m_rated = scene.image(u"ImageRated"_qs);
    m_titleNum = scene.label(u"LabelTitleNum"_qs);
    m_totalTitles = scene.label(u"LabelTotalTitles"_qs);

    m_backing = scene.image(u"ImageDetailsBackground"_qs);
    m_panel = scene.image(u"ImageDetailsBlank"_qs);
    m_detailsTitle = scene.label(u"LabelDetailsTitle"_qs);
    m_detailsYearStars = scene.image(u"ImageDetailsYearStars"_qs);
    m_detailsYear = scene.label(u"LabelDetailsYear"_qs);
    m_detailsStars = scene.image(u"ImageDetailsStars"_qs);
    m_detailsRuntime = scene.label(u"LabelDetailsRuntime"_qs);
    m_detailsGenres = scene.label(u"LabelDetailsGenres"_qs);
    m_detailsReason = scene.label(u"LabelDetailsRatingReason"_qs);
    m_detailsDescription = scene.label(u"LabelDetailsDescription"_qs);
    m_detailsActors = scene.label(u"LabelDetailsActors"_qs);
    m_detailsDirectors = scene.label(u"LabelDetailsDirectors"_qs);
    m_detailsWriters = scene.label(u"LabelDetailsWriters"_qs);
}

// Stacks the top block down from the title and the bottom block up from the
// panel's bottom edge; the synopsis gets what is left between them and is
// cut by its area when it is longer.
void DetailsPopup::layoutPanel()
{
    using namespace details;
    qreal y = TitleHeight(m_detailsTitle->textWidth());
    placeAt(m_detailsTitle, 0, y);
    placeAt(m_detailsYearStars, y, kYearStarsHeight);
    y += kYearStarsHeight;
    placeAt(m_detailsRuntime, y, kRuntimeHeight);
    y += kRuntimeHeight + 5;
    placeAt(m_detailsGenres, y, kGenresHeight);
    y += kGenresHeight + 8;
    placeAt(m_detailsReason, y, BlockHeight(m_detailsReason->textWidth()));
    const qreal descriptionTop = y + m_detailsReason->size().height() + 10;

    qreal bottom = kPanelHeight;
    for (LabelElement *label : {m_detailsWriters, m_detailsDirectors, m_detailsActors}) {
        const qreal h = BlockHeight(label->textWidth());
        placeAt(label, bottom - h, h);
        bottom -= h + kBlockGap;
    }
    // A synopsis that does not fit is cut after its last whole line.
    const qreal room = qMax<qreal>(0, m_detailsActors->pos().y() - 10 - descriptionTop);
    // Wrapped lines are laid out at the font height rounded up.
    const qreal line = std::ceil(QFontMetricsF(m_detailsDescription->font()).height());
    placeAt(m_detailsDescription, descriptionTop, line > 0 ? std::floor(room / line) * line : room);
}

void DetailsPopup::UpdateDetails()
{
    using namespace details;
    const BrowserState &b = browser();
    if (b.FocusIndex < 0 || b.FocusIndex >= b.ViewList.size())
        return;
    const qint32 index = b.ViewList.at(b.FocusIndex);
    const tTitles &titles = host().titles();
    if (index < 0 || index >= titles.Title.size())
        return;
    browser().FocusTitle = index;
    const tTitle &t = titles.Title.at(index);

    // Labels draw their text as it is: "&" needs no escaping.
    m_title->setText(t.Title);
    m_year->setText(QString::number(t.Year));
    m_runtime->setText(QString::number(t.Runtime) + u" min"_qs);

    // Black strip and badge on a light backdrop (the year's colour says which).
    const bool black = m_year->color() == QColor(Qt::black);
    ImageResources &images = host().images();
    const QString starsName = CoverComposer::StarsImageName(t.Stars, black);
    if (starsName.isEmpty())
        m_stars->clearPicture(); // no strip rather than the previous title's
    else
        m_stars->setPicture(images.image(starsName), starsName);
    const QString ratedName = CoverComposer::RatingImageName(t.Rated, black);
    const QImage badge = images.image(ratedName);
    m_rated->setPicture(badge, ratedName);
    const QSizeF half = QSizeF(badge.size()) / 2;
    m_rated->setGeometry({290 - half.width(), m_rated->pos().y(), half.width(), half.height()});

    m_titleNum->setText(QString::number(b.FocusIndex + 1));
    m_totalTitles->setText(u"| "_qs + QString::number(b.ViewList.size()));

    m_detailsTitle->setText(m_title->text());
    m_detailsYear->setText(m_year->text());
    m_detailsStars->setPicture(m_stars->picture(), m_stars->pictureName());
    m_detailsRuntime->setText(m_runtime->text());
    m_detailsReason->setText(t.RatedDesc);
    m_detailsGenres->setText(t.Genres.join(u", "_qs));
    m_detailsDescription->setText(t.Description);
    m_detailsActors->setText(ActorsText(t));
    m_detailsDirectors->setText(CrewText(u"Directed by "_qs, t.Crew.Director));
    m_detailsWriters->setText(CrewText(u"Written by "_qs, t.Crew.Writer));
    layoutPanel();

    ToggleDetails(false);
}

void DetailsPopup::ToggleDetails(bool show)
{
    using namespace details;
    if (!show) {
        m_backing->fadeTo(0, 0);
        m_panel->fadeTo(0, 0);
    } else if (m_panel->opacity() == 0 && !m_panel->isFading()) {
        layoutPanel();
        if (m_panel->background() != kPanelShade)
            m_panel->setBackground(kPanelShade);
        // 25 steps of 10 ms, the backing a little less opaque than the panel.
        // An animation rather than a loop that runs events: a key during the
        // fade closes the pop-up for good.
        constexpr int duration = kFadeSteps * kFadeStepMs;
        m_backing->fadeTo(kFadeSteps / 26.5, duration);
        m_panel->fadeTo(1, duration);
    }
    m_backing->show();
    m_panel->show();
}

void DetailsPopup::TimerShowDetailsTimer()
{
    if (!IsCarouselMode(browser().ScreenMode) || browser().ViewList.isEmpty())
        return;
    ToggleDetails(true);
}

void DetailsPopup::recolor()
{
    if (!glow::IsBrowserMode(browser().ScreenMode))
        return;
    const QColor black(0, 0, 0);
    const QColor white(255, 255, 255);
    QRectF summary = glow::Shrunk(m_summary->surfaceGeometry(), 10);
    summary.setWidth(summary.width() - 400);
    const bool light = glow::IsLight(glow::AverageUnder(m_backdrop, summary));
    m_title->setColor(light ? black : white);
    m_year->setColor(light ? black : white);
    m_runtime->setColor(light ? colors::DarkBlue : colors::LightSkyBlue);

    QRectF titleArea = glow::Shrunk(m_title->surfaceGeometry(), 10);
    titleArea.setWidth(titleArea.width() + 400);
    m_title->setGlowColor(glow::AverageUnder(m_backdrop, titleArea));
    for (LabelElement *label : {m_year, m_runtime})
        label->setGlowColor(glow::AverageUnder(m_backdrop, glow::Shrunk(label->surfaceGeometry(), 7)));
    for (ImageElement *image : {m_stars, m_rated})
        image->setGlowColor(glow::AverageUnder(m_backdrop, image->surfaceGeometry()));

    QRectF counter = glow::Shrunk(m_titleNum->surfaceGeometry(), 7);
    counter.setWidth(m_titleNum->size().width() + m_totalTitles->size().width());
    const QColor counterColor = glow::AverageUnder(m_backdrop, counter);
    const bool counterLight = glow::IsLight(counterColor);
    m_titleNum->setColor(counterLight ? black : white);
    m_totalTitles->setColor(counterLight ? colors::DarkBlue : colors::LightSkyBlue);
    m_titleNum->setGlowColor(counterColor);
    m_totalTitles->setGlowColor(counterColor);
}
