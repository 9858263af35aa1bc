#include "ui/iconbar.h"

#include "app/tform1.h"
#include "art/imageresources.h"
#include "ui/glow.h"
#include "ui/mainlayout.h"
#include "ui/scene.h"

#include <QVariant>

namespace iconbar {

namespace {

// What UpdateIcons last put into the backdrop, kept on the element so that
// an icon move does not decode the fan art again. It is trusted only while
// the element still shows the picture it was recorded with.
constexpr char kBackdropKey[] = "cinevueBackdropKey";
constexpr char kBackdropPicture[] = "cinevueBackdropPicture";

bool backdropIs(const ImageElement *background, const QString &key)
{
    return background->property(kBackdropKey).toString() == key
           && background->property(kBackdropPicture).toString() == background->pictureName();
}

void rememberBackdrop(ImageElement *background, const QString &key)
{
    background->setProperty(kBackdropKey, key);
    background->setProperty(kBackdropPicture, background->pictureName());
}

// Returns true when the backdrop's picture changed.
bool updateBackdrop(TForm1 &form)
{
    ImageElement *background = form.image(u"ImageBackground"_qs);
    const QString before = background->pictureName();
    const tSettings &s = form.Settings;
    if (!s.ShowHelp && !s.FanArtBackground.isEmpty()) {
        for (qsizetype i = 0; i < form.Titles.Title.size(); ++i) {
            const tTitle &t = form.Titles.Title.at(i);
            if (t.Title != s.FanArtBackground)
                continue;
            const QString key = u"fanart|"_qs + t.Directory + u'|' + t.ImgFanArt;
            if (!backdropIs(background, key)) {
                form.LoadFanArt(background, qint32(i));
                rememberBackdrop(background, key);
            }
            break;
        }
        // No title of that name: the backdrop stays as it is.
    } else {
        const QString name = ImageResources::BackdropName(s.ShowHelp, !s.Folders.isEmpty(), form.HasTitles);
        if (!backdropIs(background, name)) {
            background->setPicture(form.images().image(name), name);
            rememberBackdrop(background, name);
        }
    }
    return background->pictureName() != before;
}

QString iconPicture(int icon, bool showWatched, bool selected)
{
    QString base = QString::fromUtf16(mainlayout::kIconNames[icon]).mid(5); // without "Image"
    if (icon == 3 && !showWatched)
        base = u"Unwatched"_qs;
    return u"Png"_qs + base + (selected ? u"White"_qs : u"Blue"_qs);
}

} // namespace

bool IsReachable(int icon, bool hasTitles, bool hasFolders)
{
    if (icon < 0 || icon >= kIconCount)
        return false;
    if (hasTitles || icon == kSettingsIcon || icon == kExitIcon)
        return true;
    return icon == kSyncIcon && hasFolders;
}

int MoveLeft(int icon, bool hasTitles, bool hasFolders)
{
    for (int i = qMin(icon, kIconCount) - 1; i >= 0; --i)
        if (IsReachable(i, hasTitles, hasFolders))
            return i;
    return icon;
}

int MoveRight(int icon, bool hasTitles, bool hasFolders)
{
    for (int i = qMax(icon, -1) + 1; i < kIconCount; ++i)
        if (IsReachable(i, hasTitles, hasFolders))
            return i;
    return icon;
}

void UpdateIcons(TForm1 &form)
{
    // A new backdrop takes new text colours (no events run here: this is
    // called from key handlers).
    if (updateBackdrop(form))
        glow::Recolor(form);

    const bool hasFolders = !form.Settings.Folders.isEmpty();
    for (int i = kSyncIcon; i < kExitIcon; ++i) {
        const bool present = i == kSyncIcon ? hasFolders : form.HasTitles;
        form.image(QString::fromUtf16(mainlayout::kIconNames[i]))->setVisible(present);
    }

    ImageElement *bar = form.image(u"ImageIconBar"_qs);
    ImageElement *exit = form.image(u"ImageExit"_qs);
    LabelElement *clock = form.label(u"LabelClock"_qs);
    const tScreenMode mode = form.ScreenMode;

    if (mode == smSettingsFirst + 1) {
        // The settings screen has just opened on its folder row.
        clock->hide();
        exit->show();
        // The folder icon of that row is the settings screen's own.
        return;
    }

    const bool onBar = mode == smIconBar;
    for (int i = 0; i < kIconCount; ++i) {
        const QString name = iconPicture(i, form.Filter.ShowWatched, onBar && form.IconIndex == i);
        ImageElement *icon = form.image(QString::fromUtf16(mainlayout::kIconNames[i]));
        if (icon->pictureName() != name)
            icon->setPicture(form.images().image(name), name);
    }
    // The clock takes the exit icon's place while the focus is elsewhere.
    const bool clockShown = !onBar && form.Settings.ShowClock;
    clock->setVisible(clockShown);
    exit->setVisible(!clockShown);
    bar->setOpacity(onBar ? 1.0 : 0.12);
}

void ActivateIcon(TForm1 &form)
{
    const int icon = form.IconIndex;
    const bool hasFolders = !form.Settings.Folders.isEmpty();
    if (icon == kSettingsIcon) {
        form.OpenSettings();
    } else if (icon == kSyncIcon) {
        if (hasFolders)
            form.SyncFolders();
    } else if (icon == kExitIcon) {
        form.OpenIconMenu(icon);
    } else if (icon > kSyncIcon && icon < kExitIcon && form.HasTitles) {
        form.OpenIconMenu(icon);
    }
}

} // namespace iconbar
