#pragma once
// PlayClick on the screen: asks for the disc of a multi-disc title, dims the
// screen the user is on, mounts a disc image, starts the player with the
// labels of each step, holds the screen for a moment and restores it. The
// player runs beside Cinevue; when it reports that a disc was played to its
// end, the title is marked watched.
//
// Nothing here blocks the event loop for long: the disc selection calls back,
// and the hold after a launch is a timer. While a launch is under way a second
// Play is ignored and keys have only their common effects.

#include "ui/screen.h"

#include <QElapsedTimer>
#include <QTimer>

class ImageElement;

class PlayScreen : public ScreenComponent
{
public:
    explicit PlayScreen(ScreenHost &host);

    void registerKeys(KeyDispatcher &dispatcher) override;
    void dumpState(QJsonObject &state) const override;

    // Hands title `titleIndex` (collection index) to its player.
    void PlayClick(qint32 titleIndex);
    bool isBusy() const { return m_busy; }

    // A player reports that the disc at `loc` was played to its end: the
    // title that holds the disc is marked watched (if it is not already).
    void PlayerReportedWatched(const QString &loc);
    // The player could not play: the reason shows in the processing labels
    // for the hold time, and in the script state.
    void PlayerReportedError(const QString &message);

    // How long the screen holds a launch or a mount error (5 s; tests shorten it).
    void setHoldMs(int ms) { m_holdMs = ms; }
    // The pause between two tests of the virtual drive (1 s).
    void setPollPauseMs(int ms) { m_pollMs = ms; }

    // The main-thread time of the last Play up to the player's start (ms).
    double lastLaunchMs() const { return m_lastLaunchMs; }

private:
    void withDisc(qint32 titleIndex, qint32 disc);
    void dim(bool dimmed, qint32 titleIndex);
    void hold(tScreenMode modeBefore, qint32 titleIndex);
    void finish(qint32 titleIndex);
    ImageElement *fanArtBackground() const;

    ImageElement *m_covers;
    QTimer m_hold;
    int m_holdMs = 5000;
    int m_pollMs = 1000;
    bool m_busy = false;
    QElapsedTimer m_clock;
    double m_lastLaunchMs = -1;
    QString m_lastProgram;
    QStringList m_lastArguments;
    QString m_lastError;
};
