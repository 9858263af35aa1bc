#include "ui/remotekeys.h"

#include <QKeyEvent>

std::optional<quint16> AppCommandToVirtualKey(quint16 highWord)
{
    // The top four bits name the device (key, mouse, OEM).
    switch (highWord & 0x0FFF) {
    case appcommand::BrowserBackward: return vk::Back;
    case appcommand::MediaNextTrack: return vk::MediaNextTrack;
    case appcommand::MediaPreviousTrack: return vk::MediaPrevTrack;
    case appcommand::MediaPlayPause: return vk::Play;
    case appcommand::MediaPlay: return vk::Play;
    case appcommand::MediaFastForward: return vk::Period;
    case appcommand::MediaRewind: return vk::Comma;
    case appcommand::MediaChannelUp: return vk::RBracket;
    case appcommand::MediaChannelDown: return vk::LBracket;
    default: return std::nullopt;
    }
}

QString UnsupportedAppCommandText(quint16 highWord)
{
    return u"Unsupported: "_qs + QString::number(highWord);
}

std::optional<int> AppCommandForQtKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Back:
    case Qt::Key_Close: return appcommand::BrowserBackward;
    case Qt::Key_MediaNext: return appcommand::MediaNextTrack;
    case Qt::Key_MediaPrevious: return appcommand::MediaPreviousTrack;
    case Qt::Key_MediaStop: return appcommand::MediaStop;
    // A remote's pause button is the same play/pause toggle as its play button.
    case Qt::Key_MediaTogglePlayPause:
    case Qt::Key_MediaPause: return appcommand::MediaPlayPause;
    case Qt::Key_MediaPlay: return appcommand::MediaPlay;
    case Qt::Key_MediaRecord: return appcommand::MediaRecord;
    case Qt::Key_AudioForward: return appcommand::MediaFastForward;
    case Qt::Key_AudioRewind: return appcommand::MediaRewind;
    case Qt::Key_ChannelUp: return appcommand::MediaChannelUp;
    case Qt::Key_ChannelDown: return appcommand::MediaChannelDown;
    default: return std::nullopt;
    }
}

quint16 QtKeyToVirtualKey(int qtKey)
{
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return quint16(u'0' + (qtKey - Qt::Key_0));
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return quint16(u'A' + (qtKey - Qt::Key_A));
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return quint16(112 + (qtKey - Qt::Key_F1));
    switch (qtKey) {
    case Qt::Key_Backspace: return vk::Back;
    case Qt::Key_Tab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return vk::Return;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Escape: return vk::Escape;
    case Qt::Key_Space: return vk::Space;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return vk::Left;
    case Qt::Key_Up: return vk::Up;
    case Qt::Key_Right: return vk::Right;
    case Qt::Key_Down: return vk::Down;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    case Qt::Key_Asterisk: return vk::Multiply;
    case Qt::Key_Plus: return 187;
    case Qt::Key_Equal: return 187;
    case Qt::Key_Comma:
    case Qt::Key_Less: return vk::Comma;
    case Qt::Key_Minus:
    case Qt::Key_Underscore: return 189;
    case Qt::Key_Period:
    case Qt::Key_Greater: return vk::Period;
    case Qt::Key_Slash:
    case Qt::Key_Question: return 191;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return 186;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return 192;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return vk::LBracket;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return 220;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return vk::RBracket;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return 222;
    case Qt::Key_Back: return vk::BrowserBack;
    case Qt::Key_MediaNext: return vk::MediaNextTrack;
    case Qt::Key_MediaPrevious: return vk::MediaPrevTrack;
    case Qt::Key_MediaTogglePlayPause: return vk::MediaPlayPause;
    default: return 0;
    }
}

QList<KeyReport> KeyReportsFor(int qtKey, const QString &text)
{
    QList<KeyReport> reports;
    if (const quint16 key = QtKeyToVirtualKey(qtKey))
        reports.append({key, QChar()});
    // Control characters (Enter, Escape, Backspace, Tab) are acted on by key only.
    if (text.size() == 1 && text.at(0).unicode() >= 32 && text.at(0).unicode() != 127)
        reports.append({0, text.at(0)});
    return reports;
}

QList<KeyReport> KeyReportsFor(const QKeyEvent &event)
{
    return KeyReportsFor(event.key(), event.text());
}
