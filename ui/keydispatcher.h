#pragma once
// FormKeyDown: the work common to every key, then the dispatch rules, each
// of which looks up what the current screen mode does with the key. Every
// screen registers one table (ModeKeys) for the modes it owns.

#include "ui/screenmode.h"

#include <QChar>

#include <array>
#include <functional>

struct BrowserState;

// What one screen mode does with each kind of key. An empty entry means the
// key does nothing in that mode.
struct ModeKeys {
    std::function<void()> Backspace;
    std::function<void()> Enter;
    std::function<void()> Escape;     // key 27
    std::function<void()> Star;       // the character '*'
    std::function<void()> Left, Right, Up, Down;
    // Keys 176, 177, 188, 190, 219, 221 (the page and end jumps).
    std::function<void(quint16 key)> MediaJump;
    std::function<void()> Play;       // keys 179 and 250
    // Characters "0" to "z".
    std::function<void(QChar c)> Character;
    // Modes 1 and 2: key 166 keeps the details pop-up closed, and the pop-up
    // timer is restarted after each key.
    bool DetailsAfterKey = false;
};

// The window's own part of every key, around the dispatch.
struct KeyCommonWork {
    // Before the dispatch: the details pop-up closes and the screensaver's
    // idle countdown starts again.
    std::function<void()> beforeKey;
    // Ends a showing screensaver; true when it was showing, and the key then
    // does nothing else.
    std::function<bool()> endScreenSaver;
    // After a key on a carousel row that did not keep the pop-up closed: the
    // pop-up's delay starts.
    std::function<void()> detailsAfterKey;
};

class KeyDispatcher
{
public:
    // The mode is read from `state` at every key.
    explicit KeyDispatcher(BrowserState &state);

    void setCommonWork(KeyCommonWork work) { m_common = std::move(work); }

    void setMode(tScreenMode mode, ModeKeys keys);
    void setModes(tScreenMode first, tScreenMode last, const ModeKeys &keys);
    const ModeKeys &mode(tScreenMode mode) const { return m_modes[mode]; }

    // A focused edit field sees every key first; it sets Key to 0 for a key
    // it handled. Empty: no field has the focus.
    void setFieldFilter(std::function<void(quint16 &Key, QChar &KeyChar)> filter);

    // One key report: a virtual key with KeyChar 0, or Key 0 with a character.
    void FormKeyDown(quint16 &Key, QChar &KeyChar);

    // Keeps the details pop-up closed after the current key.
    void suppressDetails() { m_suppressDetails = true; }

private:
    void dispatch(quint16 key, QChar keyChar);

    BrowserState &m_state;
    KeyCommonWork m_common;
    std::array<ModeKeys, 256> m_modes;
    std::function<void(quint16 &, QChar &)> m_fieldFilter;
    bool m_suppressDetails = false;
};
