#pragma once
// FormKeyDown: the work common to every key, then the dispatch rules, each
// of which looks up what the current screen mode does with the key. Every
// screen registers one table (ModeKeys) for the modes it owns.

#include "ui/screenmode.h"

#include <QChar>

#include <array>
#include <functional>

class TForm1;

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

class KeyDispatcher
{
public:
    explicit KeyDispatcher(TForm1 &form);

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

    TForm1 &m_form;
    std::array<ModeKeys, 256> m_modes;
    std::function<void(quint16 &, QChar &)> m_fieldFilter;
    bool m_suppressDetails = false;
};
