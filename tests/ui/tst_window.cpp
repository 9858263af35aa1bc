// The main window driven as a user drives it: start-up, keys and remote
// commands through the real window, display re-fit, single instance and the
// script driver's output.

#include "app/config.h"
#include "app/scriptdriver.h"
#include "app/statedump.h"
#include "app/tform1.h"
#include "tests/ui/windowfixture.h"
#include "model/localdatabase.h"
#include "ui/elements.h"
#include "ui/mainlayout.h"
#include "ui/messages.h"
#include "ui/remotekeys.h"
#include "ui/scene.h"

#include <QFileInfo>
#include <QGraphicsView>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A program folder with a configuration that lists `folders`.
void writeConfig(const QString &appPath, const QStringList &folders, bool autoScan = false)
{
    tSettings s;
    for (const QString &f : folders)
        s.Folders.append({f, false});
    s.AutoScan = autoScan;
    s.ScreenSaver = false;
    QString error;
    QVERIFY2(SaveConfig(s, appPath, &error), qPrintable(error));
}

tTitle makeTitle(const QString &id, const QString &name, int year)
{
    tTitle t;
    t.ID = id;
    t.Title = name;
    t.SortTitle = name;
    t.Year = year;
    t.Runtime = 100;
    t.MediaType = mtMovie;
    t.ReleaseDate = u"20000101"_qs;
    t.AddedDate = u"20000101"_qs;
    return t;
}

void writeDatabase(const QString &appPath, const QStringList &names)
{
    tTitles titles;
    for (qsizetype i = 0; i < names.size(); ++i)
        titles.Title.append(makeTitle(u"T%1"_qs.arg(i), names.at(i), 1990 + int(i)));
    QString error;
    QVERIFY2(WriteDatabaseFile(DatabaseFilePath(appPath), titles, ProgVersion(), &error), qPrintable(error));
}

// Shows the window and waits until its start-up (database, sync) is over.
// A key press and release as the platform delivers them (QTest cannot type
// the media keys of a remote).
void clickKey(QWidget *window, int key, const QString &text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(window, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(window, &release);
}

// Records which entry of a mode's key table acted.
struct KeyRecorder {
    QStringList calls;
    ModeKeys table()
    {
        ModeKeys k;
        k.DetailsAfterKey = true;
        k.Backspace = [this] { calls << u"Backspace"_qs; };
        k.Enter = [this] { calls << u"Enter"_qs; };
        k.Escape = [this] { calls << u"Escape"_qs; };
        k.Star = [this] { calls << u"Star"_qs; };
        k.Left = [this] { calls << u"Left"_qs; };
        k.Right = [this] { calls << u"Right"_qs; };
        k.Up = [this] { calls << u"Up"_qs; };
        k.Down = [this] { calls << u"Down"_qs; };
        k.MediaJump = [this](quint16 key) { calls << u"Jump%1"_qs.arg(key); };
        k.Play = [this] { calls << u"Play"_qs; };
        k.Character = [this](QChar c) { calls << u"Char:"_qs + c; };
        return k;
    }
};

} // namespace

class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void startupFillsProcessingLabels_data();
    void startupFillsProcessingLabels();
    void startupLoadsDatabase();
    void startupWithUnreadableDatabase();

    void appCommandTranslation_data();
    void appCommandTranslation();
    void keyReports_data();
    void keyReports();
    void keysReachTheModeTable_data();
    void keysReachTheModeTable();
    void unsupportedRemoteCommand();
    void screensaverSwallowsOneKey();
    void detailsTimerFollowsCarouselKeys();
    void secondHookIsRefused();

    void displayRefit_data();
    void displayRefit();

    void secondStartHandsOver();

    void scriptArguments_data();
    void scriptArguments();
    void scriptWritesStateAndScreen();

private:
    std::unique_ptr<QTemporaryDir> m_home;
};

void TestWindow::initTestCase()
{
    messages::SetHeadless(true);
}

void TestWindow::init()
{
    makeWindowHome(m_home);
    messages::TakeShown();
}

// ---------------------------------------------------------------- start-up

void TestWindow::startupFillsProcessingLabels_data()
{
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<bool>("guideShown");
    QTest::newRow("no folders: quick start guide") << QStringList() << true;
    QTest::newRow("a monitored folder: labels hidden") << QStringList{u"/media/Movies"_qs} << false;
}

void TestWindow::startupFillsProcessingLabels()
{
    QFETCH(QStringList, folders);
    QFETCH(bool, guideShown);
    writeConfig(m_home->path(), folders);

    TForm1 form;
    showAndWait(form);
    QCOMPARE(form.windowTitle(), u"Cinevue"_qs);
    QCOMPARE(form.label(u"LabelTitle"_qs)->text(), u"Cinevue v"_qs + ProgVersion());
    QCOMPARE(form.ProgVersion, u"%1.%2.%3.%4"_qs.arg(CINEVUE_VERSION_MAJOR).arg(CINEVUE_VERSION_MINOR)
                                   .arg(CINEVUE_VERSION_RELEASE).arg(CINEVUE_VERSION_BUILD, 4, 10, QLatin1Char('0')));
    QVERIFY(QFileInfo(m_home->filePath(u"Logs"_qs)).isDir());
    QCOMPARE(form.AppPath, m_home->path() + u"/"_qs);

    LabelElement *heading = form.label(u"LabelProcessing"_qs);
    LabelElement *status = form.label(u"LabelProcessingStatus"_qs);
    QCOMPARE(heading->isShown(), guideShown);
    QCOMPARE(status->isShown(), guideShown);
    if (guideShown) {
        QCOMPARE(heading->text(), u"Quick Start Guide"_qs);
        const QStringList lines = status->text().split(u'\n');
        QCOMPARE(lines.size(), 10);
        QCOMPARE(lines.at(0), u"1) Do NOT use your mouse to click icons.  Use your keyboard or MCE compatible remote control."_qs);
        QCOMPARE(lines.at(5), u"3) \"Save\" your Settings"_qs);
        QCOMPARE(lines.at(7), u"4) A new Sync icon will appear, run a Sync"_qs);
        QVERIFY(lines.at(2).isEmpty() && lines.at(4).isEmpty() && lines.at(6).isEmpty() && lines.at(8).isEmpty());
    }
    QCOMPARE(form.ScreenMode, smIconBar);
    QCOMPARE(form.IconIndex, 0);
    QVERIFY(form.TimerClock.isActive());
    QVERIFY(form.TimerCheckForUpdates.isActive());
    QVERIFY(!form.TimerShowDetails.isActive());
}

void TestWindow::startupLoadsDatabase()
{
    writeConfig(m_home->path(), {});
    writeDatabase(m_home->path(), {u"Casablanca"_qs, u"Alien"_qs, u"Brazil"_qs});

    TForm1 form;
    showAndWait(form);
    QCOMPARE(form.Titles.Title.size(), 3);
    QCOMPARE(form.ViewList.size(), 3);
    QCOMPARE(form.ScreenMode, smRowA);
    QCOMPARE(form.FocusIndex, 0);
    QCOMPARE(form.Titles.Title.at(form.FocusTitle).Title, u"Alien"_qs);
    QCOMPARE(form.label(u"LabelTitle"_qs)->text(), u"Alien"_qs);
    QCOMPARE(form.label(u"LabelTitleNum"_qs)->text(), u"1"_qs);
    QCOMPARE(form.label(u"LabelTotalTitles"_qs)->text(), u"| 3"_qs);
    // A built view list replaces the quick start guide.
    QVERIFY(!form.label(u"LabelProcessing"_qs)->isShown());
    QVERIFY(form.image(u"ImageCovers"_qs)->isShown());
}

void TestWindow::startupWithUnreadableDatabase()
{
    writeConfig(m_home->path(), {});
    const QByteArray garbage = "<CVBDatabase><Titles><Title>";
    {
        QFile f(m_home->filePath(u"CinevueDB.xml"_qs));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(garbage);
    }
    TForm1 form;
    showAndWait(form);
    QVERIFY(form.Titles.Title.isEmpty());
    QCOMPARE(form.ScreenMode, smIconBar);
    QVERIFY2(!messages::Shown().isEmpty(), "the failure is reported");
    QFile f(m_home->filePath(u"CinevueDB.xml"_qs));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), garbage);
}

// ---------------------------------------------------------------- keys

void TestWindow::appCommandTranslation_data()
{
    QTest::addColumn<int>("qtKey");
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("virtualKey");
    QTest::newRow("back") << int(Qt::Key_Back) << 1 << 8;
    QTest::newRow("close as back") << int(Qt::Key_Close) << 1 << 8;
    QTest::newRow("next track") << int(Qt::Key_MediaNext) << 11 << 176;
    QTest::newRow("previous track") << int(Qt::Key_MediaPrevious) << 12 << 177;
    QTest::newRow("play/pause toggle") << int(Qt::Key_MediaTogglePlayPause) << 14 << 250;
    QTest::newRow("pause") << int(Qt::Key_MediaPause) << 14 << 250;
    QTest::newRow("play") << int(Qt::Key_MediaPlay) << 46 << 250;
    QTest::newRow("fast forward") << int(Qt::Key_AudioForward) << 49 << 190;
    QTest::newRow("rewind") << int(Qt::Key_AudioRewind) << 50 << 188;
    QTest::newRow("channel up") << int(Qt::Key_ChannelUp) << 51 << 221;
    QTest::newRow("channel down") << int(Qt::Key_ChannelDown) << 52 << 219;
}

void TestWindow::appCommandTranslation()
{
    QFETCH(int, qtKey);
    QFETCH(int, command);
    QFETCH(int, virtualKey);
    QCOMPARE(AppCommandForQtKey(qtKey), std::optional<int>(command));
    QCOMPARE(AppCommandToVirtualKey(quint16(command)), std::optional<quint16>(quint16(virtualKey)));
    // The device bits of the high word do not change the command.
    QCOMPARE(AppCommandToVirtualKey(quint16(command | 0x8000)), std::optional<quint16>(quint16(virtualKey)));
    QCOMPARE(AppCommandToVirtualKey(quint16(command | 0x1000)), std::optional<quint16>(quint16(virtualKey)));
}

void TestWindow::keyReports_data()
{
    QTest::addColumn<int>("qtKey");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<KeyReport>>("reports");
    QTest::newRow("left arrow") << int(Qt::Key_Left) << QString() << QList<KeyReport>{{37, {}}};
    QTest::newRow("enter acts by key only") << int(Qt::Key_Return) << u"\r"_qs << QList<KeyReport>{{13, {}}};
    QTest::newRow("escape acts by key only") << int(Qt::Key_Escape) << u"\x1b"_qs << QList<KeyReport>{{27, {}}};
    QTest::newRow("backspace") << int(Qt::Key_Backspace) << u"\b"_qs << QList<KeyReport>{{8, {}}};
    QTest::newRow("lower-case letter: key then character") << int(Qt::Key_B) << u"b"_qs
                                                           << QList<KeyReport>{{66, {}}, {0, u'b'}};
    QTest::newRow("digit") << int(Qt::Key_2) << u"2"_qs << QList<KeyReport>{{50, {}}, {0, u'2'}};
    QTest::newRow("asterisk") << int(Qt::Key_Asterisk) << u"*"_qs << QList<KeyReport>{{106, {}}, {0, u'*'}};
    QTest::newRow("comma") << int(Qt::Key_Comma) << u","_qs << QList<KeyReport>{{188, {}}, {0, u','}};
    QTest::newRow("full stop") << int(Qt::Key_Period) << u"."_qs << QList<KeyReport>{{190, {}}, {0, u'.'}};
    QTest::newRow("left bracket") << int(Qt::Key_BracketLeft) << u"["_qs << QList<KeyReport>{{219, {}}, {0, u'['}};
    QTest::newRow("right bracket") << int(Qt::Key_BracketRight) << u"]"_qs << QList<KeyReport>{{221, {}}, {0, u']'}};
    QTest::newRow("key without virtual key") << int(Qt::Key_Eacute) << u"\u00e9"_qs << QList<KeyReport>{{0, u'\u00e9'}};
}

void TestWindow::keyReports()
{
    QFETCH(int, qtKey);
    QFETCH(QString, text);
    QFETCH(QList<KeyReport>, reports);
    QCOMPARE(KeyReportsFor(qtKey, text), reports);
}

void TestWindow::keysReachTheModeTable_data()
{
    QTest::addColumn<int>("qtKey");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("arrow") << int(Qt::Key_Right) << QString() << QStringList{u"Right"_qs};
    QTest::newRow("enter") << int(Qt::Key_Return) << u"\r"_qs << QStringList{u"Enter"_qs};
    QTest::newRow("escape") << int(Qt::Key_Escape) << u"\x1b"_qs << QStringList{u"Escape"_qs};
    QTest::newRow("letter acts once, by its character") << int(Qt::Key_B) << u"b"_qs << QStringList{u"Char:b"_qs};
    QTest::newRow("asterisk") << int(Qt::Key_Asterisk) << u"*"_qs << QStringList{u"Star"_qs};
    QTest::newRow("full stop jumps by its key") << int(Qt::Key_Period) << u"."_qs << QStringList{u"Jump190"_qs};
    QTest::newRow("left bracket: key jump, character finds no letter")
        << int(Qt::Key_BracketLeft) << u"["_qs << QStringList{u"Jump219"_qs, u"Char:["_qs};
    QTest::newRow("remote play") << int(Qt::Key_MediaPlay) << QString() << QStringList{u"Play"_qs};
    QTest::newRow("remote pause") << int(Qt::Key_MediaPause) << QString() << QStringList{u"Play"_qs};
    QTest::newRow("remote back") << int(Qt::Key_Back) << QString() << QStringList{u"Backspace"_qs};
    QTest::newRow("remote next track") << int(Qt::Key_MediaNext) << QString() << QStringList{u"Jump176"_qs};
    QTest::newRow("remote previous track") << int(Qt::Key_MediaPrevious) << QString() << QStringList{u"Jump177"_qs};
    QTest::newRow("remote fast forward") << int(Qt::Key_AudioForward) << QString() << QStringList{u"Jump190"_qs};
    QTest::newRow("remote rewind") << int(Qt::Key_AudioRewind) << QString() << QStringList{u"Jump188"_qs};
    QTest::newRow("remote channel up") << int(Qt::Key_ChannelUp) << QString() << QStringList{u"Jump221"_qs};
    QTest::newRow("remote channel down") << int(Qt::Key_ChannelDown) << QString() << QStringList{u"Jump219"_qs};
    QTest::newRow("space does nothing") << int(Qt::Key_Space) << u" "_qs << QStringList();
}

void TestWindow::keysReachTheModeTable()
{
    QFETCH(int, qtKey);
    QFETCH(QString, text);
    QFETCH(QStringList, calls);
    writeConfig(m_home->path(), {});
    TForm1 form;
    showAndWait(form);
    KeyRecorder recorder;
    form.dispatcher().setMode(smRowA, recorder.table());
    form.ScreenMode = smRowA;

    clickKey(&form, qtKey, text);
    QCOMPARE(recorder.calls, calls);
    QVERIFY(messages::Shown().isEmpty());
}

void TestWindow::unsupportedRemoteCommand()
{
    writeConfig(m_home->path(), {});
    TForm1 form;
    showAndWait(form);
    KeyRecorder recorder;
    form.dispatcher().setMode(smIconBar, recorder.table());

    clickKey(&form, Qt::Key_MediaStop);
    QCOMPARE(messages::TakeShown(), QStringList{u"Unsupported: 13"_qs});
    QVERIFY(recorder.calls.isEmpty());
    // The whole high word is named, device bits included.
    form.AppWndProc(quint16(0x8000 | 48));
    QCOMPARE(messages::TakeShown(), QStringList{u"Unsupported: %1"_qs.arg(0x8000 | 48)});
    QVERIFY(recorder.calls.isEmpty());
}

void TestWindow::screensaverSwallowsOneKey()
{
    writeConfig(m_home->path(), {});
    TForm1 form;
    showAndWait(form);
    KeyRecorder recorder;
    form.dispatcher().setMode(smRowA, recorder.table());
    form.ScreenMode = smRowA;
    Element *screenSaver = form.scene().element(u"ImageScreenSaver1"_qs);

    screenSaver->show();
    QTest::keyClick(&form, Qt::Key_Right);
    QVERIFY(!screenSaver->isShown());
    QVERIFY(recorder.calls.isEmpty());

    // A digit arrives as a key report and a character report; the press ends
    // the screensaver and neither report acts.
    screenSaver->show();
    QTest::keyClick(&form, Qt::Key_2);
    QVERIFY(!screenSaver->isShown());
    QVERIFY(recorder.calls.isEmpty());
    QTest::keyClick(&form, Qt::Key_2);
    QCOMPARE(recorder.calls, QStringList{u"Char:2"_qs});
}

void TestWindow::detailsTimerFollowsCarouselKeys()
{
    writeConfig(m_home->path(), {});
    writeDatabase(m_home->path(), {u"A"_qs, u"B"_qs, u"C"_qs, u"D"_qs});
    TForm1 form;
    showAndWait(form);
    QCOMPARE(form.ScreenMode, smRowA);
    ImageElement *panel = form.image(u"ImageDetailsBlank"_qs);

    QTest::keyClick(&form, Qt::Key_Down);
    QCOMPARE(form.ScreenMode, smRowB);
    QCOMPARE(form.FocusIndex, 1);
    QVERIFY(form.TimerShowDetails.isActive());

    // An open pop-up is closed by the next key, and Backspace keeps it closed.
    form.ToggleDetails(true);
    QTRY_COMPARE(panel->opacity(), 1.0);
    QTest::keyClick(&form, Qt::Key_Backspace);
    QCOMPARE(panel->opacity(), 0.0);
    QVERIFY(!form.TimerShowDetails.isActive());

    QTest::keyClick(&form, Qt::Key_Up);
    QTest::keyClick(&form, Qt::Key_Up);
    QCOMPARE(form.ScreenMode, smIconBar);
    QVERIFY(!form.TimerShowDetails.isActive());
}

void TestWindow::secondHookIsRefused()
{
    writeConfig(m_home->path(), {});
    TForm1 form;
    showAndWait(form);
    form.HookWndProc();
    QCOMPARE(messages::TakeShown(), QStringList{u"Already subclassed"_qs});
    // The first hook still translates remote commands.
    KeyRecorder recorder;
    form.dispatcher().setMode(smIconBar, recorder.table());
    clickKey(&form, Qt::Key_MediaPlay);
    QCOMPARE(recorder.calls, QStringList{u"Play"_qs});
}

// ---------------------------------------------------------------- display

void TestWindow::displayRefit_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("720p") << QSize(1280, 720);
    QTest::newRow("2160p") << QSize(3840, 2160);
    QTest::newRow("4:3 stretches the design") << QSize(1024, 768);
}

void TestWindow::displayRefit()
{
    QFETCH(QSize, size);
    writeConfig(m_home->path(), {});
    TForm1 form;
    showAndWait(form);
    form.resize(size);
    QTRY_COMPARE(form.size(), size);
    const QTransform t = form.ScaledLayout()->transform();
    QCOMPARE(t.m11(), size.width() / 1920.0);
    QCOMPARE(t.m22(), size.height() / 1080.0);
    // The surface's corners land on the window's corners.
    QCOMPARE(form.ScaledLayout()->mapFromScene(QPointF(0, 0)), QPoint(0, 0));
    const QPoint far = form.ScaledLayout()->mapFromScene(QPointF(1920, 1080));
    QVERIFY(qAbs(far.x() - size.width()) <= 1 && qAbs(far.y() - size.height()) <= 1);
}

// ---------------------------------------------------------------- single instance

void TestWindow::secondStartHandsOver()
{
    writeConfig(m_home->path(), {});
    writeDatabase(m_home->path(), {u"Alien"_qs});
    const QString database = m_home->filePath(u"CinevueDB.xml"_qs);
    {
        QFile f(database);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QDateTime::currentDateTime().addDays(-1), QFileDevice::FileModificationTime));
    }
    const QDateTime before = QFileInfo(database).lastModified();

    TForm1 first;
    QVERIFY(!first.AnotherInstance);
    QSignalSpy activated(&first, &TForm1::activatedByAnotherInstance);
    {
        TForm1 second;
        QVERIFY(second.AnotherInstance);
        // Even shown, the second start loads nothing.
        second.show();
        QTRY_VERIFY(second.isStartupFinished());
        QVERIFY(second.Titles.Title.isEmpty());
    }
    QTRY_COMPARE(activated.count(), 1);
    QCOMPARE(QFileInfo(database).lastModified(), before);

    // Another program folder is another instance.
    QTemporaryDir other;
    qputenv("CINEVUE_HOME", QFile::encodeName(other.path()));
    TForm1 third;
    QVERIFY(!third.AnotherInstance);
}

// ---------------------------------------------------------------- script driver

void TestWindow::scriptArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("keyCount");
    QTest::newRow("folder only") << QStringList{u"/tmp/w"_qs} << true << 0;
    QTest::newRow("keys and waits") << QStringList{u"/tmp/w"_qs, u"--keys"_qs, u"Left Enter wait:200 a *"_qs} << true << 5;
    QTest::newRow("all options") << QStringList{u"/tmp/w"_qs, u"--out"_qs, u"/tmp/o"_qs, u"--shot-each"_qs} << true << 0;
    QTest::newRow("no folder") << QStringList{u"--shot-each"_qs} << false << 0;
    QTest::newRow("unknown key name") << QStringList{u"/tmp/w"_qs, u"--keys"_qs, u"Sideways"_qs} << false << 0;
    QTest::newRow("bad wait") << QStringList{u"/tmp/w"_qs, u"--keys"_qs, u"wait:soon"_qs} << false << 0;
    QTest::newRow("option without value") << QStringList{u"/tmp/w"_qs, u"--out"_qs} << false << 0;
    QTest::newRow("unknown option") << QStringList{u"/tmp/w"_qs, u"--fast"_qs} << false << 0;
}

void TestWindow::scriptArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, valid);
    QFETCH(int, keyCount);
    QString error;
    const std::optional<ScriptOptions> options = ParseScriptArguments(arguments, &error);
    QCOMPARE(options.has_value(), valid);
    QCOMPARE(error.isEmpty(), valid);
    if (options) {
        QCOMPARE(options->keys.size(), keyCount);
        if (!arguments.contains(u"--out"_qs))
            QCOMPARE(options->outDir, u"/tmp/w/script-out"_qs);
    }
}

void TestWindow::scriptWritesStateAndScreen()
{
    writeConfig(m_home->path(), {});
    writeDatabase(m_home->path(), {u"Alien"_qs, u"Brazil"_qs, u"Casablanca"_qs});
    ScriptOptions options;
    options.workDir = m_home->path();
    options.outDir = m_home->filePath(u"out"_qs);
    options.keys = {u"Down"_qs, u"wait:50"_qs};
    options.shotEach = true;
    QCOMPARE(RunScript(options), 0);

    const QDir out(options.outDir);
    for (const QString &name : {u"state.json"_qs, u"screen.png"_qs, u"state-001.json"_qs, u"screen-001.png"_qs,
                                u"state-002.json"_qs, u"screen-002.png"_qs})
        QVERIFY2(out.exists(name), qPrintable(name));
    QVERIFY(!out.exists(u"state-003.json"_qs));
    QCOMPARE(QImage(out.filePath(u"screen.png"_qs)).size(), QSize(1920, 1080));

    QFile file(out.filePath(u"state.json"_qs));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject state = QJsonDocument::fromJson(file.readAll()).object();
    QCOMPARE(state.value(u"ScreenMode"_qs).toInt(), 2);
    QCOMPARE(state.value(u"FocusIndex"_qs).toInt(), 1);
    QCOMPARE(state.value(u"FocusTitle"_qs).toInt(), 1);
    QCOMPARE(state.value(u"IconIndex"_qs).toInt(), 0);
    QCOMPARE(state.value(u"CurrentSort"_qs).toString(), u"SortTitleAsc"_qs);
    QCOMPARE(state.value(u"ShowWatched"_qs).toBool(), true);
    QCOMPARE(state.value(u"ShowWatchListOnly"_qs).toBool(), false);
    QCOMPARE(state.value(u"MediaTypeFilter"_qs).toString(), u"mtNotSet"_qs);
    QCOMPARE(state.value(u"ViewList"_qs).toArray(), (QJsonArray{u"T0"_qs, u"T1"_qs, u"T2"_qs}));

    const QJsonObject elements = state.value(u"Elements"_qs).toObject();
    QStringList expected = {u"ImageBackground"_qs, u"LabelProcessing"_qs, u"LabelProcessingStatus"_qs,
                            u"ImageIconBar"_qs, u"ImageCovers"_qs, u"ImageCoverA5Big"_qs, u"ImageCoverB5BigShadow"_qs,
                            u"ImageTitleSummary"_qs, u"LabelTitle"_qs, u"LabelYear"_qs, u"LabelRuntime"_qs,
                            u"ImageRated"_qs, u"ImageStars"_qs, u"LabelTitleNum"_qs, u"LabelTotalTitles"_qs,
                            u"ImageDetailsBackground"_qs, u"ImageDetailsBlank"_qs, u"LabelDetailsTitle"_qs,
                            u"ImageDetailsYearStars"_qs, u"LabelDetailsYear"_qs, u"ImageDetailsStars"_qs,
                            u"LabelDetailsRuntime"_qs, u"LabelDetailsGenres"_qs, u"LabelDetailsRatingReason"_qs,
                            u"LabelDetailsDescription"_qs, u"LabelDetailsActors"_qs, u"LabelDetailsDirectors"_qs,
                            u"LabelDetailsWriters"_qs, u"LabelClock"_qs, u"ImageScreenSaver1"_qs};
    for (int c = 0; c < 11; ++c)
        expected << u"ImageCoverA%1"_qs.arg(c) << u"ImageCoverB%1"_qs.arg(c)
                 << QString::fromUtf16(mainlayout::kIconNames[c]);
    for (const QString &name : expected) {
        const QJsonObject e = elements.value(name).toObject();
        QVERIFY2(!e.isEmpty(), qPrintable(name));
        QVERIFY2(e.contains(u"visible"_qs) && e.contains(u"opacity"_qs), qPrintable(name));
        if (name.startsWith(u"Label"_qs))
            QVERIFY2(e.contains(u"text"_qs), qPrintable(name));
    }
    QCOMPARE(elements.value(u"LabelTitle"_qs).toObject().value(u"text"_qs).toString(), u"Brazil"_qs);
    QCOMPARE(elements.value(u"LabelTotalTitles"_qs).toObject().value(u"text"_qs).toString(), u"| 3"_qs);
    QCOMPARE(elements.value(u"ImageDetailsBlank"_qs).toObject().value(u"opacity"_qs).toDouble(), 0.0);
    // Geometry on the design surface, children included.
    QCOMPARE(elements.value(u"ImageCoverA10"_qs).toObject().value(u"rect"_qs).toArray(),
             (QJsonArray{1796, 258, 185, 260}));
    QCOMPARE(elements.value(u"LabelTitle"_qs).toObject().value(u"rect"_qs).toArray().at(1).toDouble(), 902.0);

    QFile first(out.filePath(u"state-001.json"_qs));
    QVERIFY(first.open(QIODevice::ReadOnly));
    QCOMPARE(QJsonDocument::fromJson(first.readAll()).object().value(u"ScreenMode"_qs).toInt(), 2);
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
