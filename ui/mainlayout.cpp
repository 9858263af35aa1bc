#include "ui/mainlayout.h"

#include "ui/scene.h"

namespace mainlayout {

namespace {

const QString kArial = QString::fromUtf16(fonts::Arial);
const QString kVerdana = QString::fromUtf16(fonts::Verdana);

LabelElement *label(Scene &scene, const QString &name, const QRectF &geometry, const QFont &font,
                    const QColor &color = colors::GhostWhite, Element *parent = nullptr)
{
    LabelElement *l = scene.addLabel(name, geometry, parent);
    l->setFont(font);
    l->setColor(color);
    return l;
}

} // namespace

void BuildBackground(Scene &scene)
{
    ImageElement *background = scene.addImage(u"ImageBackground"_qs, {0, 0, 1920, 1080});
    background->setBackground(QColor(0x10, 0x14, 0x1C));
}

void BuildIconBar(Scene &scene)
{
    ImageElement *bar = scene.addImage(u"ImageIconBar"_qs, {0, 0, 1920, 155});
    for (int i = 0; i < 11; ++i)
        scene.addImage(QString::fromUtf16(kIconNames[i]), QRectF(kIconX[i], 24, 128, 128), bar);
}

void BuildCarousel(Scene &scene)
{
    ImageElement *covers = scene.addImage(u"ImageCovers"_qs, {0, 150, 1920, 740});
    for (int c = 0; c < kSlotColumns; ++c) {
        const qreal x = -74 + 187 * c;
        scene.addImage(u"ImageCoverA%1"_qs.arg(c), QRectF(x, 108, 185, 260), covers);
        scene.addImage(u"ImageCoverB%1"_qs.arg(c), QRectF(x, 370, 185, 260), covers);
    }
    // Shadows lie under the enlarged covers, both above the slots.
    for (const QString &row : {u"A"_qs, u"B"_qs}) {
        const qreal dy = row == u"A"_qs ? 0 : 317;
        ImageElement *shadow = scene.addImage(u"ImageCover"_qs + row + u"5BigShadow"_qs, QRectF(801, 3 + dy, 308, 420), covers);
        shadow->setOpacity(0.75);
        shadow->setBackground(QColor(0, 0, 0, 160));
        shadow->hide();
    }
    scene.addImage(u"ImageCoverA5Big"_qs, {816, 18, 278, 390}, covers);
    scene.addImage(u"ImageCoverB5Big"_qs, {816, 335, 278, 390}, covers);
}

void BuildTitleSummary(Scene &scene)
{
    ImageElement *summary = scene.addImage(u"ImageTitleSummary"_qs, {0, 880, 1625, 200});
    LabelElement *title = label(scene, u"LabelTitle"_qs, {314, 22, 0, 47}, fonts::Make(kArial, 37),
                                colors::GhostWhite, summary);
    LabelElement *year = label(scene, u"LabelYear"_qs, {314, 65, 0, 41}, fonts::Make(kVerdana, 32),
                               colors::GhostWhite, summary);
    LabelElement *runtime = label(scene, u"LabelRuntime"_qs, {314, 108, 0, 41}, fonts::Make(kVerdana, 32),
                                  colors::LightSkyBlue, summary);
    for (LabelElement *l : {title, year, runtime}) {
        l->setAutoSize(true);
        l->setGlow(Qt::black);
    }
    // The badge's size follows its picture; its right edge stays at x 290.
    scene.addImage(u"ImageRated"_qs, {250, 69, 40, 35}, summary)->setGlow(Qt::black);
    scene.addImage(u"ImageStars"_qs, {408, 70, 175, 33}, summary)->setGlow(Qt::black);

    LabelElement *num = label(scene, u"LabelTitleNum"_qs, {1620, 988, 90, 43}, fonts::Make(kVerdana, 32));
    num->setAlignment(Qt::AlignRight | Qt::AlignTop);
    LabelElement *total = label(scene, u"LabelTotalTitles"_qs, {1722, 988, 151, 43}, fonts::Make(kVerdana, 32),
                                colors::LightSkyBlue);
    num->setGlow(Qt::black);
    total->setGlow(Qt::black);
}

void BuildProcessingLabels(Scene &scene)
{
    LabelElement *heading = label(scene, u"LabelProcessing"_qs, {0, 468, 1920, 87}, fonts::Make(kArial, 72));
    heading->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    heading->setGlow(Qt::black);
    LabelElement *status = label(scene, u"LabelProcessingStatus"_qs, {0, 567, 1920, 338}, fonts::Make(kArial, 24));
    status->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    status->setWordWrap(true);
    status->setGlow(Qt::black);
}

void BuildDetails(Scene &scene)
{
    // Closed by opacity: both images stay present with opacity 0.
    ImageElement *backing = scene.addImage(u"ImageDetailsBackground"_qs, {1120, 0, 800, 1080});
    backing->setBackground(QColor(0, 0, 0, 200));
    backing->setOpacity(0);
    ImageElement *panel = scene.addImage(u"ImageDetailsBlank"_qs, {1160, 40, 713, 950});
    panel->setOpacity(0);

    const QFont body = fonts::Make(kVerdana, 22);
    LabelElement *title = label(scene, u"LabelDetailsTitle"_qs, {0, 0, 713, 47}, fonts::Make(kArial, 37),
                                colors::GhostWhite, panel);
    title->setWordWrap(true);
    ImageElement *yearStars = scene.addImage(u"ImageDetailsYearStars"_qs, {0, 47, 713, 50}, panel);
    label(scene, u"LabelDetailsYear"_qs, {0, 0, 95, 50}, fonts::Make(kVerdana, 32), colors::GhostWhite, yearStars);
    scene.addImage(u"ImageDetailsStars"_qs, {95, 0, 175, 50}, yearStars)->setFill(ImageElement::Fill::Center);
    label(scene, u"LabelDetailsRuntime"_qs, {0, 97, 713, 45}, fonts::Make(kVerdana, 32), colors::LightSkyBlue, panel);
    label(scene, u"LabelDetailsGenres"_qs, {0, 147, 713, 31}, body, colors::GhostWhite, panel);
    label(scene, u"LabelDetailsRatingReason"_qs, {0, 186, 713, 31}, fonts::Make(kVerdana, 22, true),
          colors::GhostWhite, panel)->setWordWrap(true);

    // Bottom block, stacked upwards from the panel's bottom edge.
    const qreal writersY = 950 - 31;
    const qreal directorsY = writersY - 14 - 31;
    const qreal actorsY = directorsY - 14 - 31;
    const qreal descriptionY = 186 + 31 + 10;
    LabelElement *description = label(scene, u"LabelDetailsDescription"_qs,
                                      {0, descriptionY, 713, actorsY - 10 - descriptionY},
                                      fonts::Make(kVerdana, 26), colors::LightSkyBlue, panel);
    description->setWordWrap(true);
    for (auto [name, y] : {std::pair{u"LabelDetailsActors"_qs, actorsY}, std::pair{u"LabelDetailsDirectors"_qs, directorsY},
                           std::pair{u"LabelDetailsWriters"_qs, writersY}})
        label(scene, name, {0, y, 713, 31}, body, colors::GhostWhite, panel)->setWordWrap(true);
}

void BuildClock(Scene &scene)
{
    LabelElement *clock = label(scene, u"LabelClock"_qs, {1767, 38, 115, 49}, fonts::Make(kVerdana, 37));
    clock->setAlignment(Qt::AlignRight | Qt::AlignTop);
    clock->setGlow(QColor(0xFF, 0xD7, 0x00, 242));
    clock->hide();
}

void BuildScreenSaver(Scene &scene)
{
    ImageElement *first = scene.addImage(u"ImageScreenSaver1"_qs, {0, 0, 1920, 1080});
    first->hide();
    // The first caption lies under the second picture, which covers the first.
    label(scene, u"ScreenSaver_Label_Title1"_qs, {24, 1016, 0, 47}, fonts::Make(kArial, 37), colors::GhostWhite, first)
        ->setAutoSize(true);
    ImageElement *second = scene.addImage(u"ImageScreenSaver2"_qs, {0, 0, 1920, 1080}, first);
    label(scene, u"ScreenSaver_Label_Title2"_qs, {24, 1016, 0, 47}, fonts::Make(kArial, 37), colors::GhostWhite, second)
        ->setAutoSize(true);
}

void BuildMainLayout(Scene &scene)
{
    BuildBackground(scene);
    BuildCarousel(scene);
    BuildTitleSummary(scene);
    BuildIconBar(scene);
    BuildClock(scene);
    BuildProcessingLabels(scene);
    BuildDetails(scene);
    BuildScreenSaver(scene);
}

} // namespace mainlayout
