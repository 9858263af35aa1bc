// Play key to the player started: the main-thread time PlayClick takes from
// the key to the player process running (the five-second hold excluded), for
// a folder title and an MKV title. The player is /bin/true, so only
// Cinevue's own work is measured.

#include "app/config.h"
#include "app/tform1.h"
#include "model/localdatabase.h"
#include "play/playscreen.h"
#include "ui/messages.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    messages::SetHeadless(true);
    QTemporaryDir home;
    QTemporaryDir media;
    qputenv("CINEVUE_HOME", QFile::encodeName(home.path()));

    tTitles titles;
    for (int i = 0; i < 2; ++i) {
        tTitle t;
        t.ID = u"T%1"_qs.arg(i);
        t.Title = t.SortTitle = u"Title %1"_qs.arg(i);
        t.Year = 2000;
        t.Runtime = 90;
        t.MediaType = mtMovie;
        t.ReleaseDate = t.AddedDate = u"20000101"_qs;
        tDiscInfo d;
        d.Name = u"Disc 1"_qs;
        if (i == 0) {
            d.Loc = media.filePath(u"Folder"_qs);
            d.Container = ctFolder;
            QDir().mkpath(d.Loc + u"/VIDEO_TS"_qs);
        } else {
            d.Loc = media.filePath(u"movie.mkv"_qs);
            d.Container = ctMKV;
            QFile f(d.Loc);
            f.open(QIODevice::WriteOnly);
        }
        t.Directory = media.path();
        t.DiscInfo << d;
        titles.Title << t;
    }
    WriteDatabaseFile(DatabaseFilePath(home.path()), titles, ProgVersion());
    tSettings s;
    s.ScreenSaver = false;
    s.PDVD.Filepath = u"/bin/true"_qs;
    s.Player4EncMedia = tPlayers::PDVD;
    SaveConfig(s, home.path());

    TForm1 form;
    form.resize(960, 540);
    form.show();
    while (!form.isStartupFinished())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    form.play().setHoldMs(1);

    for (int title = 0; title < 2; ++title) {
        std::vector<double> times;
        for (int round = 0; round < 30; ++round) {
            form.FocusIndex = title;
            form.ScreenMode = smRowA;
            form.UpdateDetails();
            QKeyEvent play(QEvent::KeyPress, Qt::Key_MediaPlay, Qt::NoModifier);
            QApplication::sendEvent(&form, &play);
            times.push_back(form.play().lastLaunchMs());
            while (form.play().isBusy())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        std::sort(times.begin(), times.end());
        std::printf("BENCH play_key_to_player_started_%s: median %.2f ms, max %.2f ms (target < 100 ms)\n",
                    title == 0 ? "folder" : "mkv", times[times.size() / 2], times.back());
    }
    return 0;
}
