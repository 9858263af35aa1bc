#include "ui/keydispatcher.h"

#include "ui/remotekeys.h"
#include "ui/screen.h"

KeyDispatcher::KeyDispatcher(BrowserState &state) : m_state(state) {}

void KeyDispatcher::setMode(tScreenMode mode, ModeKeys keys)
{
    m_modes[mode] = std::move(keys);
}

void KeyDispatcher::setModes(tScreenMode first, tScreenMode last, const ModeKeys &keys)
{
    for (int m = first; m <= last; ++m)
        m_modes[m] = keys;
}

void KeyDispatcher::setFieldFilter(std::function<void(quint16 &, QChar &)> filter)
{
    m_fieldFilter = std::move(filter);
}

void KeyDispatcher::FormKeyDown(quint16 &Key, QChar &KeyChar)
{
    if (m_fieldFilter)
        m_fieldFilter(Key, KeyChar);

    if (m_common.beforeKey)
        m_common.beforeKey();
    m_suppressDetails = false;

    // A key that ends the screensaver does nothing else.
    if (!m_common.endScreenSaver || !m_common.endScreenSaver())
        dispatch(Key, KeyChar);

    if (IsCarouselMode(m_state.ScreenMode) && !m_suppressDetails && m_common.detailsAfterKey)
        m_common.detailsAfterKey();
}

void KeyDispatcher::dispatch(quint16 key, QChar keyChar)
{
    // Actions may change the mode; the table of the mode at the key's arrival acts.
    const ModeKeys &keys = m_modes[m_state.ScreenMode];
    auto run = [](const std::function<void()> &action) {
        if (action)
            action();
    };

    if (key == vk::BrowserBack) {
        if (keys.DetailsAfterKey)
            suppressDetails();
        return;
    }
    if (key == vk::Back)
        return run(keys.Backspace);
    if (key == vk::Return)
        return run(keys.Enter);
    if (key == vk::Escape)
        return run(keys.Escape);
    if (keyChar == u'*')
        return run(keys.Star);
    switch (key) {
    case vk::Left: return run(keys.Left);
    case vk::Right: return run(keys.Right);
    case vk::Up: return run(keys.Up);
    case vk::Down: return run(keys.Down);
    default: break;
    }

    const char16_t c = keyChar.unicode();
    if (c < u'0' || c > u'z') {
        switch (key) {
        case vk::MediaNextTrack:
        case vk::MediaPrevTrack:
        case vk::Comma:
        case vk::Period:
        case vk::LBracket:
        case vk::RBracket:
            if (keys.MediaJump)
                keys.MediaJump(key);
            return;
        case vk::MediaPlayPause:
        case vk::Play:
            return run(keys.Play);
        default:
            return;
        }
    }
    if (keys.Character)
        keys.Character(keyChar);
}
