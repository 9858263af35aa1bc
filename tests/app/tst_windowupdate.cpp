// The update check in the window: the timer starts it, its boxes and the
// caption appear on the main thread and in the script driver's state, the
// script driver waits for it, and a window closed while the check waits for
// an answer neither hangs nor shows the box.

#include "app/config.h"
#include "app/scriptdriver.h"
#include "app/statedump.h"
#include "app/tform1.h"
#include "app/updatecheck.h"
#include "tests/ui/windowfixture.h"
#include "tests/update/updatefixture.h"
#include "ui/messages.h"
#include "update/checkforupdates.h"
#include "update/crc64.h"

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace updatetest;

namespace {

QByteArray answerXml(const QString &type, const QString &url, const QString &crc, qint64 size)
{
    return (u"<?xml version=\"1.0\" encoding=\"UTF-8\"?><CinevueInfo><Version>%1</Version>"
            "<UpgradeType>%2</UpgradeType><NewVersion>9.0.2030.0001</NewVersion><Changes>New look.</Changes>"
            "<URL>%3</URL><CRC64>%4</CRC64><Size>%5</Size></CinevueInfo>"_qs)
        .arg(ProgVersion(), type, url, crc)
        .arg(size)
        .toUtf8();
}

QStringList shownMessages(const TForm1 &form)
{
    QStringList shown;
    for (const QJsonValue &v : WindowState(form).value(u"Messages"_qs).toArray())
        shown.append(v.toString());
    return shown;
}

} // namespace

class TestWindowUpdate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void timerRunsCheckOnMainThreadDialogs_data();
    void timerRunsCheckOnMainThreadDialogs();
    void windowClosedWhileCheckWaits();

private:
    void serve(const QString &type, const QString &crc);

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<LoopbackServer> m_server;
    QTemporaryDir m_packages;
    QByteArray m_answerPath;
};

void TestWindowUpdate::initTestCase()
{
    messages::SetHeadless(true, false); // questions are answered No
}

void TestWindowUpdate::init()
{
    makeWindowHome(m_home);
    QVERIFY(writeAll(m_home->filePath(u"cinevue"_qs), "old program"));
    messages::TakeShown();
    m_server = std::make_unique<LoopbackServer>();
    QVERIFY(m_server->listen());
    qputenv("CINEVUE_UPDATE_URL", m_server->url().toUtf8());
    m_answerPath = "/cinevue/downloads/CinevueInfo_" + ProgVersion().toUtf8() + ".xml";
}

void TestWindowUpdate::cleanup()
{
    qunsetenv("CINEVUE_UPDATE_URL");
    m_server.reset();
}

void TestWindowUpdate::serve(const QString &type, const QString &crc)
{
    const QString zip = m_packages.filePath(u"package.zip"_qs);
    QVERIFY(writeZip(zip, {file("cinevue", "new program", 0100755)}));
    m_server->set("/Cinevue_9.zip", readAll(zip));
    m_server->set(m_answerPath, answerXml(type, m_server->url() + u"/Cinevue_9.zip"_qs,
                                          crc.isEmpty() ? FileCrc64Text(zip) : crc, QFileInfo(zip).size()));
}

void TestWindowUpdate::timerRunsCheckOnMainThreadDialogs_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("crc");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("outcome");
    const QString changes = u"\n\nNew look.\n\n"_qs;
    QTest::newRow("optional update answered No")
        << u"Optional"_qs << QString()
        << QStringList{u"An new Cinevue update to v.9.0.2030.0001 is available."_qs + changes + u"Update now?"_qs}
        << u"Cinevue"_qs << u"Declined"_qs;
    QTest::newRow("mandatory update with a bad CRC")
        << u"Mandatory"_qs << u"0000000000000000"_qs
        << QStringList{u"A mandatory Cinevue Update to v.9.0.2030.0001 is required."_qs + changes
                           + u"Program will now update."_qs,
                       CheckForUpdates::CrcErrorText()}
        << u"Cinevue - Closing"_qs << u"CrcMismatch"_qs;
}

void TestWindowUpdate::timerRunsCheckOnMainThreadDialogs()
{
    QFETCH(QString, type);
    QFETCH(QString, crc);
    QFETCH(QStringList, shown);
    QFETCH(QString, caption);
    QFETCH(QString, outcome);
    serve(type, crc);

    TForm1 form;
    showAndWait(form);
    QCOMPARE(form.TimerCheckForUpdates.interval(), 10000);
    form.TimerCheckForUpdatesTimer();
    QVERIFY(form.updateCheck().isRunning());
    QCOMPARE(form.TimerCheckForUpdates.interval(), 86400000);
    QVERIFY(form.TimerCheckForUpdates.isActive());
    QVERIFY2(!form.updateCheck().start(), "a second check while one runs");

    WaitUntilIdle(form, 30000);
    QVERIFY(!form.updateCheck().isRunning());
    QCOMPARE(shownMessages(form), shown);
    QCOMPARE(form.windowTitle(), caption);
    const QJsonObject update = WindowState(form).value(u"Update"_qs).toObject();
    QCOMPARE(update.value(u"LastOutcome"_qs).toString(), outcome);
    QCOMPARE(update.value(u"NewVersion"_qs).toString(), u"9.0.2030.0001"_qs);
    QCOMPARE(form.updateCheck().Update().UpgradeType, type);
    QVERIFY(form.updateCheck().pendingRestart().isEmpty());
    QCOMPARE(readAll(m_home->filePath(u"cinevue"_qs)), QByteArray("old program"));
}

void TestWindowUpdate::windowClosedWhileCheckWaits()
{
    serve(u"Optional"_qs, QString());
    auto form = std::make_unique<TForm1>();
    showAndWait(*form);
    messages::TakeShown();
    form->TimerCheckForUpdatesTimer();
    // Serve the answer, then run no more events: the check reaches its
    // question while this thread cannot show it.
    QDeadlineTimer deadline(10000);
    while (m_server->requests().isEmpty() && !deadline.hasExpired())
        QCoreApplication::processEvents();
    QCOMPARE(m_server->requests().size(), 1);
    QThread::msleep(300);
    form.reset();
    QCOMPARE(messages::Shown(), QStringList());
}

QTEST_MAIN(TestWindowUpdate)
#include "tst_windowupdate.moc"
