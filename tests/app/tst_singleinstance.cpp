// The single-instance socket's lines: activation (also from clients that
// write no line break), the player's "watched" and "error" reports with paths
// that hold line breaks and percent signs, lines split over several writes,
// and lines it does not know.

#include "app/singleinstance.h"

#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void lines_data();
    void lines();
    void sendReachesTheInstance();
    void nobodyListening();
};

void TestSingleInstance::lines_data()
{
    QTest::addColumn<QList<QByteArray>>("writes"); // written one after another on one connection
    QTest::addColumn<int>("activations");
    QTest::addColumn<QStringList>("watched");
    QTest::addColumn<QStringList>("errors");

    const QString hostile = u"/m/Line\nbreak 100% & \"Co\".mkv"_qs;
    QTest::newRow("activate") << QList<QByteArray>{"activate\n"} << 1 << QStringList() << QStringList();
    QTest::newRow("activate, no line break") << QList<QByteArray>{"activate"} << 1 << QStringList() << QStringList();
    QTest::newRow("activate, CR LF") << QList<QByteArray>{"activate\r\n"} << 1 << QStringList() << QStringList();
    QTest::newRow("watched") << QList<QByteArray>{SingleInstance::WatchedLine(hostile)} << 0 << QStringList{hostile}
                             << QStringList();
    QTest::newRow("watched, written in pieces")
        << QList<QByteArray>{"wat", "ched /m/A%20", "B.iso\nacti", "vate\n"} << 1 << QStringList{u"/m/A B.iso"_qs}
        << QStringList();
    QTest::newRow("error, then activate")
        << QList<QByteArray>{SingleInstance::ErrorLine(u"Cannot play \"x\": 50% done"_qs) + SingleInstance::ActivateLine()}
        << 1 << QStringList() << QStringList{u"Cannot play \"x\": 50% done"_qs};
    QTest::newRow("unknown lines") << QList<QByteArray>{"hello\nactivated\nwatched\n"} << 0 << QStringList()
                                   << QStringList();
}

void TestSingleInstance::lines()
{
    QFETCH(QList<QByteArray>, writes);
    QFETCH(int, activations);
    QFETCH(QStringList, watched);
    QFETCH(QStringList, errors);

    QTemporaryDir home;
    SingleInstance instance(home.path());
    QVERIFY(instance.listen());
    QSignalSpy activated(&instance, &SingleInstance::activationRequested);
    QSignalSpy watchedSpy(&instance, &SingleInstance::watchedReported);
    QSignalSpy errorSpy(&instance, &SingleInstance::playerErrorReported);

    QLocalSocket client;
    client.connectToServer(SingleInstance::ServerName(home.path()));
    QVERIFY(client.waitForConnected(2000));
    for (const QByteArray &piece : writes) {
        client.write(piece);
        client.flush();
        QTest::qWait(30);
    }
    client.disconnectFromServer();

    QTRY_COMPARE(activated.count() + watchedSpy.count() + errorSpy.count(),
                 activations + int(watched.size()) + int(errors.size()));
    QTest::qWait(200); // nothing more
    QCOMPARE(activated.count(), activations);
    QStringList got;
    for (const QList<QVariant> &args : watchedSpy)
        got << args.at(0).toString();
    QCOMPARE(got, watched);
    got.clear();
    for (const QList<QVariant> &args : errorSpy)
        got << args.at(0).toString();
    QCOMPARE(got, errors);
}

void TestSingleInstance::sendReachesTheInstance()
{
    QTemporaryDir home;
    SingleInstance instance(home.path());
    QVERIFY(instance.listen());
    QSignalSpy watched(&instance, &SingleInstance::watchedReported);
    QSignalSpy activated(&instance, &SingleInstance::activationRequested);

    // The player's side: another object for the same folder, spelled differently.
    SingleInstance player(home.path() + u"/"_qs);
    QVERIFY(player.send({SingleInstance::WatchedLine(u"/m/Alien.iso"_qs), SingleInstance::ActivateLine()}));
    QTRY_COMPARE(activated.count(), 1);
    QCOMPARE(watched.count(), 1);
    QCOMPARE(watched.at(0).at(0).toString(), u"/m/Alien.iso"_qs);
}

void TestSingleInstance::nobodyListening()
{
    QTemporaryDir home;
    SingleInstance player(home.path());
    QVERIFY(!player.send({SingleInstance::WatchedLine(u"/m/Alien.iso"_qs)}, 200));
    QVERIFY(!player.activateRunning(200));
}

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
