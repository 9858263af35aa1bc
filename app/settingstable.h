#pragma once
// Every setting declared once: its key in Cinevue.cfg, the member of
// tSettings it lives in (and so its default, the member's initial value), its
// text conversion, and, where it has one, its entry on the settings screen
// (row, column, element, the text shown, what Enter does, the choices of its
// pop-up menu). Loading, saving and the settings screen all read this table,
// so a new setting is one more row here.

#include "app/settings.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// What Enter does on a setting's entry of the settings screen.
enum class SettingAction {
    None,       // shown only
    Toggle,     // a Boolean flips
    Menu,       // a pop-up menu of `choices`
    NumberEdit, // a numeric edit field
    TextEdit,   // a free-text edit field
    FileDialog, // a file chooser
    Clear,      // the value is emptied
};

struct SettingScreenEntry {
    int row = -1;        // settings row (the screen mode value), -1: not on the screen
    int column = 0;
    QString element;     // the label that shows it
    // The label's text for the current settings.
    std::function<QString(const tSettings &)> text;
    SettingAction action = SettingAction::None;
    // Menu: the items, in the order of the values they choose (enumerations)
    // or as the texts they store.
    QStringList choices;
    int minimum = 0;     // NumberEdit: the smallest value stored (0 becomes it)
    QString editElement; // NumberEdit, TextEdit: the edit field
};

struct SettingDescriptor {
    QString key;         // in Cinevue.cfg, before the "="
    bool list = false;   // one line per value (ScanFolder)
    // The values as written, one per line (one for a scalar).
    std::function<QStringList(const tSettings &)> values;
    // Takes one line's value. False when it is not a valid value; the
    // member keeps what it had (its default when loading).
    std::function<bool(tSettings &, const QString &)> take;
    std::optional<SettingScreenEntry> screen;
    // The value's text in a record fresh from its defaults.
    QString defaultText() const;
};

// The settings in the order of the file.
const QList<SettingDescriptor> &SettingsTable();
// The setting with this file key, or nullptr.
const SettingDescriptor *FindSetting(const QString &key);
// The setting shown at this row and column of the settings screen, or nullptr.
const SettingDescriptor *SettingAt(int row, int column);

// Display texts the screen and the table share.
QString DefaultSortText(tSort sort);   // "Default Sort: by Title (Ascending)", ...
QString PlayerMenuText(tPlayers player); // "PowerDVD", "Win10 Movies && TV", ...
