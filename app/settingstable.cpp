#include "app/settingstable.h"

#include "app/config.h"
#include "model/valueconv.h"

#include <QHash>

namespace {

// Text conversions by member type.
QString toText(bool v) { return BoolToText(v); }
QString toText(qint32 v) { return QString::number(v); }
QString toText(const QString &v) { return v; }
QString toText(tSort v) { return SortName(v); }
QString toText(tPlayers v) { return PlayerName(v); }
QString toText(tPDVDLP v) { return PDVDLPName(v); }

bool fromText(bool &field, const QString &text)
{
    field = TextToBool(text);
    return true;
}
bool fromText(qint32 &field, const QString &text)
{
    const auto v = ConfigTextToInt(text);
    if (v)
        field = *v;
    return v.has_value();
}
bool fromText(QString &field, const QString &text)
{
    field = text;
    return true;
}
template <typename Enum>
bool setEnum(Enum &field, const std::optional<Enum> &value)
{
    if (value)
        field = *value;
    return value.has_value();
}
bool fromText(tSort &field, const QString &text) { return setEnum(field, SortFromName(text)); }
bool fromText(tPlayers &field, const QString &text) { return setEnum(field, PlayerFromName(text)); }
bool fromText(tPDVDLP &field, const QString &text) { return setEnum(field, PDVDLPFromName(text)); }

// A scalar setting; `member` gives the field of a record (a captureless
// lambda, so nested members such as PDVD.AutoPlay need no special case).
template <typename T>
SettingDescriptor scalar(const QString &key, T &(*member)(tSettings &),
                         std::optional<SettingScreenEntry> screen = std::nullopt)
{
    SettingDescriptor d;
    d.key = key;
    d.values = [member](const tSettings &s) {
        // Read only: the lambda gives a reference for both directions.
        return QStringList{toText(member(const_cast<tSettings &>(s)))};
    };
    d.take = [member](tSettings &s, const QString &text) { return fromText(member(s), text); };
    d.screen = std::move(screen);
    return d;
}

SettingScreenEntry entry(int row, int column, const QString &element, std::function<QString(const tSettings &)> text,
                         SettingAction action)
{
    SettingScreenEntry e;
    e.row = row;
    e.column = column;
    e.element = element;
    e.text = std::move(text);
    e.action = action;
    return e;
}

SettingScreenEntry toggle(int row, int column, const QString &element, const QString &lead, bool (*get)(const tSettings &),
                          const QString &on, const QString &off)
{
    return entry(row, column, element, [lead, get, on, off](const tSettings &s) { return lead + (get(s) ? on : off); },
                 SettingAction::Toggle);
}

SettingScreenEntry numberEdit(int row, int column, const QString &element, const QString &lead, qint32 (*get)(const tSettings &),
                              const QString &unit, int minimum, const QString &editElement)
{
    SettingScreenEntry e = entry(row, column, element,
                                 [lead, get, unit](const tSettings &s) { return lead + QString::number(get(s)) + unit; },
                                 SettingAction::NumberEdit);
    e.minimum = minimum;
    e.editElement = editElement;
    return e;
}

SettingScreenEntry menu(SettingScreenEntry e, const QStringList &choices)
{
    e.action = SettingAction::Menu;
    e.choices = choices;
    return e;
}

const QString kEnabled = u"Enabled"_qs;
const QString kDisabled = u"Disabled"_qs;

const QStringList kPlayerItems{u"PowerDVD"_qs};
const QStringList kEncPlayerItems{u"PowerDVD"_qs, u"Win10 Movies && TV"_qs};

QString menuItemAt(const QStringList &items, int position)
{
    return position >= 0 && position < items.size() ? items.at(position) : QString();
}

QList<SettingDescriptor> buildTable()
{
    QList<SettingDescriptor> t;

    SettingDescriptor folders;
    folders.key = u"ScanFolder"_qs;
    folders.list = true;
    folders.values = [](const tSettings &s) {
        QStringList v;
        for (const tScannedFolders &f : s.Folders)
            v << f.Folder;
        return v;
    };
    folders.take = [](tSettings &s, const QString &text) {
        s.Folders.append(tScannedFolders{text, false});
        return true;
    };
    t << folders;

    t << scalar(u"AutoScan"_qs, +[](tSettings &s) -> bool & { return s.AutoScan; },
                toggle(6, 0, u"Settings_Label_AutoScan"_qs, u"Auto-run SmartSync on every program start:  "_qs,
                       [](const tSettings &s) { return s.AutoScan; }, kEnabled, kDisabled));
    t << scalar(u"ClosePlayer"_qs, +[](tSettings &s) -> bool & { return s.PDVD.ClosePlayer; },
                toggle(15, 0, u"Settings_Label_ClosePDVD"_qs, u"Force Close PDVD: "_qs,
                       [](const tSettings &s) { return s.PDVD.ClosePlayer; }, u"YES"_qs, u"NO"_qs));
    {
        SettingScreenEntry e = entry(9, 0, u"Settings_Label_DefSort"_qs,
                                     [](const tSettings &s) { return DefaultSortText(s.DefaultSort); }, SettingAction::Menu);
        t << scalar(u"DefaultSort"_qs, +[](tSettings &s) -> tSort & { return s.DefaultSort; }, e);
    }
    t << scalar(u"DefaultShowWatched"_qs, +[](tSettings &s) -> bool & { return s.DefaultShowWatched; },
                toggle(9, 1, u"Settings_Label_DefShowWatched"_qs, u"Default Show Watched Titles: "_qs,
                       [](const tSettings &s) { return s.DefaultShowWatched; }, u"Show All Titles"_qs,
                       u"Show Unwatched Only"_qs));
    t << scalar(u"ISOMountTimeout"_qs, +[](tSettings &s) -> qint32 & { return s.ISOMountTimeout; },
                numberEdit(10, 0, u"Settings_Label_ISOMountTimeout"_qs, u"ISO Mount Timeout: "_qs,
                           [](const tSettings &s) { return s.ISOMountTimeout; }, u" seconds"_qs, 0,
                           u"Settings_Edit_ISOMountTimeout"_qs));
    {
        SettingScreenEntry e = entry(11, 0, u"Settings_Label_VCDPath"_qs,
                                     [](const tSettings &s) { return s.VCDFilePath; }, SettingAction::FileDialog);
        t << scalar(u"VCDFilePath"_qs, +[](tSettings &s) -> QString & { return s.VCDFilePath; }, e);
    }
    {
        // The drive menu's items are the optical drives found at start-up.
        SettingScreenEntry e = entry(12, 0, u"Settings_Label_VCDDriveLetter"_qs,
                                     [](const tSettings &s) {
                                         return u"Virtual CloneDrive Drive Letter:  "_qs + s.VCDDriveLetter + u":\\"_qs;
                                     },
                                     SettingAction::Menu);
        t << scalar(u"VCDDriveLetter"_qs, +[](tSettings &s) -> QString & { return s.VCDDriveLetter; }, e);
    }
    t << scalar(u"Player4BluRays"_qs, +[](tSettings &s) -> tPlayers & { return s.Player4BluRays; },
                menu(entry(13, 0, u"Settings_Label_PlayerBR"_qs,
                           [](const tSettings &s) {
                               return u"Play Blu-Ray Discs with: "_qs + menuItemAt(kPlayerItems, s.Player4BluRays);
                           },
                           SettingAction::Menu),
                     kPlayerItems));
    t << scalar(u"Player4DVDs"_qs, +[](tSettings &s) -> tPlayers & { return s.Player4DVDs; },
                menu(entry(13, 1, u"Settings_Label_PlayDVD"_qs,
                           [](const tSettings &s) {
                               return u"Play DVD Discs with: "_qs + menuItemAt(kPlayerItems, s.Player4DVDs);
                           },
                           SettingAction::Menu),
                     kPlayerItems));
    t << scalar(u"Player4EncMedia"_qs, +[](tSettings &s) -> tPlayers & { return s.Player4EncMedia; },
                menu(entry(13, 2, u"Settings_Label_PlayEncMedia"_qs,
                           [](const tSettings &s) {
                               return u"Play other Media with: "_qs + menuItemAt(kEncPlayerItems, s.Player4EncMedia);
                           },
                           SettingAction::Menu),
                     kEncPlayerItems));
    {
        SettingScreenEntry e = entry(14, 0, u"Settings_Label_PDVDLPLocation"_qs,
                                     [](const tSettings &s) { return s.PDVD.Filepath; }, SettingAction::FileDialog);
        t << scalar(u"PDVDFilePath"_qs, +[](tSettings &s) -> QString & { return s.PDVD.Filepath; }, e);
    }
    t << scalar(u"PDVDAutoPlay"_qs, +[](tSettings &s) -> bool & { return s.PDVD.AutoPlay; },
                toggle(15, 1, u"Settings_Label_PDVDAutoplay"_qs, u"PDVD AutoPlay: "_qs,
                       [](const tSettings &s) { return s.PDVD.AutoPlay; }, u"ON"_qs, u"OFF"_qs));
    t << scalar(u"PDVDLP"_qs, +[](tSettings &s) -> tPDVDLP & { return s.PDVD.LaunchProgram; },
                menu(entry(15, 2, u"Settings_Label_PDVDLP"_qs,
                           [](const tSettings &s) { return u"PDVD Launch Program: "_qs + PDVDLPName(s.PDVD.LaunchProgram); },
                           SettingAction::Menu),
                     {u"PowerDVD"_qs, u"PowerDVDCinema"_qs, u"PowerCinema"_qs}));
    {
        SettingScreenEntry e = entry(15, 3, u"Settings_Label_PDVDOptions"_qs,
                                     [](const tSettings &s) {
                                         return u"PDVD Options: "_qs
                                                + (s.PDVD.OtherOptions.isEmpty() ? u"<none>"_qs : s.PDVD.OtherOptions);
                                     },
                                     SettingAction::TextEdit);
        e.editElement = u"Settings_Edit_PDVDOptions"_qs;
        t << scalar(u"PDVDOtherOptions"_qs, +[](tSettings &s) -> QString & { return s.PDVD.OtherOptions; }, e);
    }
    t << scalar(u"LocalArt"_qs, +[](tSettings &s) -> bool & { return s.LocalArt; },
                toggle(8, 0, u"Settings_Label_CacheArt"_qs, u"Local Artwork Cached: "_qs,
                       [](const tSettings &s) { return s.LocalArt; }, kEnabled, kDisabled));
    {
        // The menu's items are "Default" and the installed cover profiles.
        SettingScreenEntry e = entry(16, 0, u"Settings_Label_CoverProfile"_qs,
                                     [](const tSettings &s) { return u"Cover Profile: "_qs + s.CoverProfile; },
                                     SettingAction::Menu);
        t << scalar(u"CoverProfile"_qs, +[](tSettings &s) -> QString & { return s.CoverProfile; }, e);
    }
    t << scalar(u"ShowClock"_qs, +[](tSettings &s) -> bool & { return s.ShowClock; },
                toggle(16, 1, u"Settings_Label_ShowClock"_qs, u"Show Clock: "_qs,
                       [](const tSettings &s) { return s.ShowClock; }, kEnabled, kDisabled));
    t << scalar(u"FanArtBackground"_qs, +[](tSettings &s) -> QString & { return s.FanArtBackground; },
                entry(16, 2, u"Settings_Label_ClearBackground"_qs,
                      [](const tSettings &s) {
                          if (s.FanArtBackground.isEmpty())
                              return u"Clear Background (currently clear)"_qs;
                          return u"Clear Background (currently "_qs + QString(s.FanArtBackground).replace(u"&"_qs, u"&&"_qs)
                                 + u')';
                      },
                      SettingAction::Clear));
    t << scalar(u"PerformanceLogging"_qs, +[](tSettings &s) -> bool & { return s.PerfMon; },
                toggle(17, 0, u"Settings_Label_PerfLog"_qs, u"Performance Logging:  "_qs,
                       [](const tSettings &s) { return s.PerfMon; }, kEnabled, kDisabled));
    t << scalar(u"DebugLogging"_qs, +[](tSettings &s) -> bool & { return s.Debug; },
                toggle(17, 1, u"Settings_Label_Debug"_qs, u"Debug Logging:  "_qs,
                       [](const tSettings &s) { return s.Debug; }, kEnabled, kDisabled));
    t << scalar(u"ShowHelp"_qs, +[](tSettings &s) -> bool & { return s.ShowHelp; },
                toggle(17, 2, u"Settings_Label_ShowHelp"_qs, u"Background Helper:  "_qs,
                       [](const tSettings &s) { return s.ShowHelp; }, kEnabled, kDisabled));
    t << scalar(u"DetailsDelay"_qs, +[](tSettings &s) -> qint32 & { return s.DetailsDelay; },
                numberEdit(17, 3, u"Settings_Label_DetailsDelay"_qs, u"Details Pop-Up Delay: "_qs,
                           [](const tSettings &s) { return s.DetailsDelay; }, u" secs"_qs, 1,
                           u"Settings_Edit_DetailsDelay"_qs));
    t << scalar(u"ScreensaverEnabled"_qs, +[](tSettings &s) -> bool & { return s.ScreenSaver; },
                toggle(18, 0, u"Settings_Label_ScreenSaverEnabled"_qs, u"Screensaver:  "_qs,
                       [](const tSettings &s) { return s.ScreenSaver; }, kEnabled, kDisabled));
    t << scalar(u"ScreensaverInterval"_qs, +[](tSettings &s) -> qint32 & { return s.ScreenSaverInterval; },
                numberEdit(18, 1, u"Settings_Label_ScreenSaverInterval"_qs, u"Screensaver Interval: "_qs,
                           [](const tSettings &s) { return s.ScreenSaverInterval; }, u" secs"_qs, 1,
                           u"Settings_Edit_ScreenSaverInterval"_qs));
    t << scalar(u"ScreensaverDelay"_qs, +[](tSettings &s) -> qint32 & { return s.ScreenSaverDelay; },
                numberEdit(18, 2, u"Settings_Label_ScreenSaverDelay"_qs, u"Screensaver Start Delay: "_qs,
                           [](const tSettings &s) { return s.ScreenSaverDelay; }, u" mins"_qs, 1,
                           u"Settings_Edit_ScreenSaverDelay"_qs));
    t << scalar(u"ScreensaverTitles"_qs, +[](tSettings &s) -> bool & { return s.ScreenSaverTitle; },
                toggle(18, 3, u"Settings_Label_ScreenSaverTitles"_qs, u"Screensaver Titles:  "_qs,
                       [](const tSettings &s) { return s.ScreenSaverTitle; }, kEnabled, kDisabled));
    t << scalar(u"ButtonLaunch"_qs, +[](tSettings &s) -> QString & { return s.ButtonLaunch; },
                menu(entry(19, 0, u"Settings_Label_MCELaunch"_qs,
                           [](const tSettings &s) {
                               const bool none = s.ButtonLaunch.isEmpty() || s.ButtonLaunch == u"None";
                               return u"MCE Remote Button to Launch Cinevue: "_qs
                                      + (none ? u"<none>"_qs : u'[' + s.ButtonLaunch + u']');
                           },
                           SettingAction::Menu),
                     {u"None"_qs, u"Green"_qs, u"Windows"_qs, u"Guide"_qs, u"Yellow"_qs, u"Blue"_qs}));
    t << scalar(u"ButtonClose"_qs, +[](tSettings &s) -> QString & { return s.ButtonClose; },
                menu(entry(19, 1, u"Settings_Label_MCEClose"_qs,
                           [](const tSettings &s) {
                               const bool none = s.ButtonClose.isEmpty() || s.ButtonClose == u"None";
                               return u"...to Close Programs (i.e. PowerDVD): "_qs
                                      + (none ? u"<none>"_qs : u'[' + s.ButtonClose + u']');
                           },
                           SettingAction::Menu),
                     {u"None"_qs, u"Red"_qs, u"Recorded TV"_qs, u"Record"_qs}));
    return t;
}

} // namespace

QString SettingDescriptor::defaultText() const
{
    const QStringList v = values(tSettings());
    return v.isEmpty() ? QString() : v.first();
}

const QList<SettingDescriptor> &SettingsTable()
{
    static const QList<SettingDescriptor> table = buildTable();
    return table;
}

const SettingDescriptor *FindSetting(const QString &key)
{
    static const QHash<QString, qsizetype> byKey = [] {
        QHash<QString, qsizetype> h;
        const QList<SettingDescriptor> &t = SettingsTable();
        for (qsizetype i = 0; i < t.size(); ++i)
            h.insert(t.at(i).key, i);
        return h;
    }();
    const auto it = byKey.constFind(key);
    return it == byKey.cend() ? nullptr : &SettingsTable().at(*it);
}

const SettingDescriptor *SettingAt(int row, int column)
{
    for (const SettingDescriptor &d : SettingsTable())
        if (d.screen && d.screen->row == row && d.screen->column == column)
            return &d;
    return nullptr;
}

QString DefaultSortText(tSort sort)
{
    static const QStringList orders{
        u"Title (Ascending)"_qs,           u"Title (Descending)"_qs,
        u"Stars Rating (Ascending)"_qs,    u"Stars Rating (Descending)"_qs,
        u"Runtime (Ascending)"_qs,         u"Runtime (Descending)"_qs,
        u"Production Year (Ascending)"_qs, u"Production Year (Descending)"_qs,
        u"Disc Release Date (Ascending)"_qs, u"Disc Release Date (Descending)"_qs,
        u"Date Added (Ascending)"_qs,      u"Date Added (Descending)"_qs,
        u"Collection Number (Ascending)"_qs, u"Collection Number (Descending)"_qs,
    };
    return u"Default Sort: by "_qs + orders.value(int(sort));
}

QString PlayerMenuText(tPlayers player)
{
    return menuItemAt(kEncPlayerItems, int(player));
}
