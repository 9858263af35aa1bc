// The Play key through the real window: the player is a recorder program
// that writes the arguments it gets, so each test sees the command line the
// player would receive, the labels of each step, and the screen restored.

#include "app/config.h"
#include "app/tform1.h"
#include "play/discselection.h"
#include "play/playscreen.h"
#include "tests/ui/windowfixture.h"
#include "ui/elements.h"
#include "ui/messages.h"
#include "ui/remotekeys.h"

#include <QDir>
#include <QTest>

namespace {

QString recorder()
{
    return qEnvironmentVariable("CINEVUE_BUILD_DIR") + u"/tests/cv_argrecorder"_qs;
}

tTitle titleWith(const QString &id, const QString &name, const QList<tDiscInfo> &discs)
{
    tTitle t;
    t.ID = id;
    t.Title = t.SortTitle = name;
    t.Year = 2001;
    t.Runtime = 90;
    t.MediaType = mtMovie;
    t.ReleaseDate = t.AddedDate = u"20010101"_qs;
    t.DiscInfo = discs;
    if (!discs.isEmpty())
        t.Directory = discs.first().Container == ctFolder ? discs.first().Loc : QFileInfo(discs.first().Loc).path();
    return t;
}

tDiscInfo disc(const QString &name, const QString &loc, tContainers container)
{
    tDiscInfo d;
    d.Name = name;
    d.Loc = loc;
    d.Container = container;
    return d;
}

QStringList recorded(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {u"<not started>"_qs};
    QStringList args;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (!line.isEmpty())
            args << QString::fromUtf8(QByteArray::fromPercentEncoding(line));
    return args;
}

void pressPlay(QWidget *window)
{
    QKeyEvent down(QEvent::KeyPress, Qt::Key_MediaPlay, Qt::NoModifier);
    QApplication::sendEvent(window, &down);
}

} // namespace

class TestPlayScreen : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QTemporaryDir> m_media;
    std::unique_ptr<TForm1> m_form;
    QString m_out;

    void open(const QList<tTitle> &titles)
    {
        tSettings s;
        s.ScreenSaver = false;
        s.PDVD.Filepath = recorder();
        s.PDVD.OtherOptions.clear();
        s.Player4EncMedia = tPlayers::PDVD;
        QVERIFY(SaveConfig(s, m_home->path()));
        writeDatabase(m_home->path(), titles);
        m_form = std::make_unique<TForm1>();
        showAndWait(*m_form);
        m_form->play().setHoldMs(50);
        m_form->play().setPollPauseMs(10);
    }

private slots:
    void initTestCase()
    {
        messages::SetHeadless(true);
        QVERIFY2(QFileInfo(recorder()).isExecutable(), qPrintable(recorder()));
    }
    void init()
    {
        makeWindowHome(m_home);
        m_media = std::make_unique<QTemporaryDir>();
        m_out = m_media->filePath(u"args.txt"_qs);
        qputenv("CINEVUE_RECORDER_OUT", QFile::encodeName(m_out));
        messages::TakeShown();
    }
    void cleanup()
    {
        m_form.reset();
        m_home.reset();
        m_media.reset();
    }

    // A one-disc folder title goes straight to the player; the covers are
    // dimmed while the label shows and restored afterwards.
    void playOneFolder()
    {
        const QString folder = m_media->filePath(u"Alien; rm -rf $(echo x)"_qs);
        QVERIFY(QDir().mkpath(folder + u"/VIDEO_TS"_qs));
        open({titleWith(u"A"_qs, u"Alien"_qs, {disc(u"Disc 1"_qs, folder, ctFolder)})});
        QCOMPARE(m_form->ScreenMode, smRowA);
        pressPlay(m_form.get());
        QCOMPARE(m_form->label(u"LabelProcessing"_qs)->text(), u"Launching PowerDVD"_qs);
        QVERIFY(m_form->label(u"LabelProcessing"_qs)->isShown());
        QVERIFY(!m_form->label(u"LabelProcessingStatus"_qs)->isShown());
        QCOMPARE(m_form->image(u"ImageCovers"_qs)->opacity(), 0.1);
        QTRY_COMPARE(recorded(m_out), (QStringList{folder, u"/LaunchProgram"_qs, u"PowerDVDCinema"_qs}));
        QTRY_VERIFY(!m_form->play().isBusy());
        QCOMPARE(m_form->ScreenMode, smRowA);
        QCOMPARE(m_form->image(u"ImageCovers"_qs)->opacity(), 1.0);
        QVERIFY(!m_form->label(u"LabelProcessing"_qs)->isShown());
        QVERIFY(QFileInfo::exists(folder)); // the hostile name ran nothing
    }

    // A disc that vanished is not handed to the player: the user sees which.
    void missingDiscIsShown()
    {
        const QString gone = m_media->filePath(u"Gone/movie.mkv"_qs);
        open({titleWith(u"G"_qs, u"Gone"_qs, {disc(u"Disc 1"_qs, gone, ctMKV)})});
        pressPlay(m_form.get());
        QCOMPARE(m_form->label(u"LabelProcessingStatus"_qs)->text(), gone);
        QVERIFY(m_form->label(u"LabelProcessingStatus"_qs)->isShown());
        QTRY_VERIFY(!m_form->play().isBusy());
        QCOMPARE(recorded(m_out), QStringList{u"<not started>"_qs});
    }

    // Two discs: the selection asks; the chosen disc is played, Cancel plays
    // nothing, and the carousel comes back either way.
    void multiDiscAsks_data()
    {
        QTest::addColumn<int>("downs");
        QTest::addColumn<QString>("played"); // empty: nothing
        QTest::newRow("second disc") << 1 << u"two.mkv"_qs;
        QTest::newRow("cancel") << 2 << QString();
    }
    void multiDiscAsks()
    {
        QFETCH(int, downs);
        QFETCH(QString, played);
        for (const QString &name : {u"one.mkv"_qs, u"two.mkv"_qs}) {
            QFile f(m_media->filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        open({titleWith(u"M"_qs, u"Two Parts"_qs,
                        {disc(u"Part 1"_qs, m_media->filePath(u"one.mkv"_qs), ctMKV),
                         disc(u"Part 2"_qs, m_media->filePath(u"two.mkv"_qs), ctMKV)})});
        pressPlay(m_form.get());
        QCOMPARE(m_form->ScreenMode, smSelectDisc);
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(m_form.get(), Qt::Key_Down);
        QTest::keyClick(m_form.get(), Qt::Key_Return);
        QTRY_VERIFY(!m_form->play().isBusy());
        QCOMPARE(m_form->ScreenMode, smRowA);
        if (played.isEmpty())
            QCOMPARE(recorded(m_out), QStringList{u"<not started>"_qs});
        else
            QTRY_COMPARE(recorded(m_out).value(0), m_media->filePath(played));
    }

    // A player that cannot play says why, on the screen.
    void playerErrorIsShown()
    {
        open({});
        m_form->play().PlayerReportedError(u"mpv cannot play \"x.iso\": no DVD structure"_qs);
        QVERIFY(m_form->label(u"LabelProcessing"_qs)->isShown());
        QCOMPARE(m_form->label(u"LabelProcessingStatus"_qs)->text(), u"mpv cannot play \"x.iso\": no DVD structure"_qs);
        QTRY_VERIFY(!m_form->label(u"LabelProcessing"_qs)->isShown());
    }

    // The player reports a disc played to its end: its title is marked
    // watched once, by the marker file, and the carousel shows it.
    void playerFeedbackMarksWatched()
    {
        const QString folder = m_media->filePath(u"Film"_qs);
        QVERIFY(QDir().mkpath(folder));
        QFile media(folder + u"/film.mkv"_qs);
        QVERIFY(media.open(QIODevice::WriteOnly));
        open({titleWith(u"F"_qs, u"Film"_qs, {disc(u"Disc 1"_qs, folder + u"/film.mkv"_qs, ctMKV)})});
        QVERIFY(!m_form->Titles.Title.at(0).WatchedCVB);
        m_form->play().PlayerReportedWatched(folder + u"/film.mkv"_qs);
        QVERIFY(m_form->Titles.Title.at(0).WatchedCVB);
        QVERIFY(QFileInfo::exists(folder + u"/CVB_Watched.txt"_qs));
        m_form->play().PlayerReportedWatched(folder + u"/film.mkv"_qs); // already watched: no toggle back
        QVERIFY(m_form->Titles.Title.at(0).WatchedCVB);
        m_form->play().PlayerReportedWatched(u"/elsewhere/other.mkv"_qs);
        QVERIFY(m_form->Titles.Title.at(0).WatchedCVB);
    }
};

QTEST_MAIN(TestPlayScreen)
#include "tst_playscreen.moc"
