#pragma once
// Key input arrives as Qt key events; the dispatcher works on the virtual key
// codes and characters a Windows keyboard reports. This file does the
// translation, including the media-remote commands (on Linux the remote's
// buttons come through the kernel's keymap as Qt media keys).

#include <QChar>
#include <QList>
#include <QString>

#include <optional>

class QKeyEvent;

namespace vk {
inline constexpr quint16 Back = 8;
inline constexpr quint16 Return = 13;
inline constexpr quint16 Escape = 27;
inline constexpr quint16 Space = 32;
inline constexpr quint16 Left = 37;
inline constexpr quint16 Up = 38;
inline constexpr quint16 Right = 39;
inline constexpr quint16 Down = 40;
inline constexpr quint16 Multiply = 106; // '*' on the number pad
inline constexpr quint16 BrowserBack = 166;
inline constexpr quint16 MediaNextTrack = 176;
inline constexpr quint16 MediaPrevTrack = 177;
inline constexpr quint16 MediaPlayPause = 179;
inline constexpr quint16 Comma = 188;  // OEM_COMMA
inline constexpr quint16 Period = 190; // OEM_PERIOD
inline constexpr quint16 LBracket = 219; // OEM_4
inline constexpr quint16 RBracket = 221; // OEM_6
inline constexpr quint16 Play = 250;
} // namespace vk

// Application command codes (without device bits) of the keys a media remote sends.
namespace appcommand {
inline constexpr int BrowserBackward = 1;
inline constexpr int MediaNextTrack = 11;
inline constexpr int MediaPreviousTrack = 12;
inline constexpr int MediaStop = 13;
inline constexpr int MediaPlayPause = 14;
inline constexpr int MediaPlay = 46;
inline constexpr int MediaPause = 47;
inline constexpr int MediaRecord = 48;
inline constexpr int MediaFastForward = 49;
inline constexpr int MediaRewind = 50;
inline constexpr int MediaChannelUp = 51;
inline constexpr int MediaChannelDown = 52;
} // namespace appcommand

// One key report as the dispatcher receives it: a virtual key with character
// 0, or key 0 with the character the key produced.
struct KeyReport {
    quint16 Key = 0;
    QChar KeyChar;
    bool operator==(const KeyReport &) const = default;
};

// The virtual key an application command stands for; std::nullopt for a
// command without a translation. `highWord` may carry device bits.
std::optional<quint16> AppCommandToVirtualKey(quint16 highWord);
// The message shown for a command without a translation.
QString UnsupportedAppCommandText(quint16 highWord);

// The application command a Qt key is on a media remote, or std::nullopt for
// an ordinary key. Play/pause variants, Back/Close, next/previous track,
// forward/rewind and the channel keys are remote commands.
std::optional<int> AppCommandForQtKey(int qtKey);

// The virtual key of an ordinary Qt key (arrows, Enter, digits, letters, the
// OEM punctuation keys, ...); 0 when the key has none.
quint16 QtKeyToVirtualKey(int qtKey);

// All reports a key press produces, in order: the virtual key report (when the
// key has a virtual key), then the character report (when the key typed a
// printable character). Remote commands are not handled here.
QList<KeyReport> KeyReportsFor(int qtKey, const QString &text);
QList<KeyReport> KeyReportsFor(const QKeyEvent &event);
