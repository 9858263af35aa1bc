#include "ui/iconbar.h"

#include "art/imageresources.h"
#include "ui/glow.h"
#include "ui/keydispatcher.h"
#include "ui/mainlayout.h"
#include "ui/menus.h"
#include "ui/scene.h"
#include "ui/search.h"

namespace iconbar {

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

} // namespace iconbar

using namespace iconbar;

namespace {

QString iconPicture(int icon, bool showWatched, bool selected)
{
    QString base = QString::fromUtf16(mainlayout::kIconNames[icon]).mid(5); // without "Image"
    if (icon == 3 && !showWatched)
        base = u"Unwatched"_qs;
    return u"Png"_qs + base + (selected ? u"White"_qs : u"Blue"_qs);
}

} // namespace

IconBar::IconBar(ScreenHost &host)
    : ScreenComponent(host), m_background(host.scene().image(u"ImageBackground"_qs)),
      m_bar(host.scene().image(u"ImageIconBar"_qs)), m_clock(host.scene().label(u"LabelClock"_qs))
{
    for (int i = 0; i < kIconCount; ++i)
        m_icons[i] = host.scene().image(QString::fromUtf16(mainlayout::kIconNames[i]));
}

void IconBar::registerKeys(KeyDispatcher &dispatcher)
{
    // Left and Right move the selection without wrapping, over the icons
    // that can be reached.
    ModeKeys k;
    k.Left = [this] {
        BrowserState &b = browser();
        b.IconIndex = MoveLeft(b.IconIndex, b.HasTitles, !host().settings().Folders.isEmpty());
        UpdateIcons();
    };
    k.Right = [this] {
        BrowserState &b = browser();
        b.IconIndex = MoveRight(b.IconIndex, b.HasTitles, !host().settings().Folders.isEmpty());
        UpdateIcons();
    };
    k.Down = [this] {
        BrowserState &b = browser();
        // A collection filtered down to nothing has no row to go to.
        if (!b.HasTitles || b.ViewList.isEmpty())
            return;
        b.ScreenMode = smRowA;
        UpdateIcons();
        host().ShiftCoverArt(u"Down"_qs);
    };
    k.Enter = [this] { ActivateIcon(); };
    dispatcher.setMode(smIconBar, k);
    // While a sync runs every key has only the common effects.
    dispatcher.setMode(smSyncing, ModeKeys{});
}

bool IconBar::backdropIs(const QString &key) const
{
    return m_backdropKey == key && m_backdropPicture == m_background->pictureName();
}

void IconBar::rememberBackdrop(const QString &key)
{
    m_backdropKey = key;
    m_backdropPicture = m_background->pictureName();
}

bool IconBar::updateBackdrop()
{
    const QString before = m_background->pictureName();
    const tSettings &s = host().settings();
    if (!s.ShowHelp && !s.FanArtBackground.isEmpty()) {
        const tTitles &titles = host().titles();
        bool found = false;
        for (qsizetype i = 0; i < titles.Title.size() && !found; ++i) {
            const tTitle &t = titles.Title.at(i);
            if (t.Title != s.FanArtBackground)
                continue;
            found = true;
            const QString key = u"fanart|"_qs + t.Directory + u'|' + t.ImgFanArt;
            if (!backdropIs(key)) {
                host().LoadFanArt(m_background, qint32(i));
                rememberBackdrop(key);
            }
        }
        // No title of that name: the backdrop stays as it is, and one that
        // never had a picture gets the plain backdrop rather than none.
        if (!found && m_background->picture().isNull())
            host().LoadFanArt(m_background, -1);
    } else {
        const QString name = ImageResources::BackdropName(s.ShowHelp, !s.Folders.isEmpty(), browser().HasTitles);
        if (!backdropIs(name)) {
            m_background->setPicture(host().images().image(name), name);
            rememberBackdrop(name);
        }
    }
    return m_background->pictureName() != before;
}

void IconBar::UpdateIcons()
{
    // A new backdrop takes new text colours (no events run here: this is
    // called from key handlers).
    if (updateBackdrop())
        glow::RecolorScreens(host());

    const tSettings &settings = host().settings();
    const BrowserState &b = browser();
    const bool hasFolders = !settings.Folders.isEmpty();
    for (int i = kSyncIcon; i < kExitIcon; ++i) {
        const bool present = i == kSyncIcon ? hasFolders : b.HasTitles;
        m_icons[i]->setVisible(present);
    }

    ImageElement *exit = m_icons[kExitIcon];
    const tScreenMode mode = b.ScreenMode;
    if (mode == smSettingsFirst + 1) {
        // The settings screen has just opened on its folder row.
        m_clock->hide();
        exit->show();
        // The folder icon of that row is the settings screen's own.
        return;
    }

    const bool onBar = mode == smIconBar;
    ImageResources &images = host().images();
    for (int i = 0; i < kIconCount; ++i) {
        const QString name = iconPicture(i, b.Filter.ShowWatched, onBar && b.IconIndex == i);
        if (m_icons[i]->pictureName() != name)
            m_icons[i]->setPicture(images.image(name), name);
    }
    // The clock takes the exit icon's place while the focus is elsewhere.
    const bool clockShown = !onBar && settings.ShowClock;
    m_clock->setVisible(clockShown);
    exit->setVisible(!clockShown);
    m_bar->setOpacity(onBar ? 1.0 : 0.12);
}

void IconBar::ActivateIcon()
{
    const int icon = browser().IconIndex;
    const bool hasFolders = !host().settings().Folders.isEmpty();
    if (icon == kSettingsIcon) {
        host().OpenSettings();
    } else if (icon == kSyncIcon) {
        if (hasFolders)
            host().SyncFolders();
    } else if (icon == kExitIcon) {
        OpenIconMenu(icon);
    } else if (icon > kSyncIcon && icon < kExitIcon && browser().HasTitles) {
        OpenIconMenu(icon);
    }
}

void IconBar::OpenIconMenu(int icon)
{
    OptionMenus *menus = host().screen<OptionMenus>();
    BrowserState &b = browser();
    switch (icon) {
    case 2: menus->OpenMediaTypes(); break;
    case 3:
        b.Filter.ShowWatched = !b.Filter.ShowWatched;
        UpdateIcons();
        host().SortItems();
        break;
    case 4: menus->OpenGenres(); break;
    case 5: menus->OpenCats(); break;
    case 6: menus->OpenSort(); break;
    case 8: host().screen<SearchOverlay>()->Open(); break;
    case 9:
        b.Filter.ShowWatchListOnly = !b.Filter.ShowWatchListOnly;
        UpdateIcons();
        host().SortItems();
        break;
    case 10: menus->OpenExit(); break;
    default: break; // 7, the filter icon, opens nothing
    }
}
