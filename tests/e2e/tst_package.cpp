// The Debian package as a user gets it: built by scripts/package, its control
// data and contents, then installed with dpkg (root only), the installed
// programs run against a generated collection, and removed again.

#include "tools/mmtreegen.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

struct Run {
    bool finished = false;
    int exitCode = -1;
    QString out; // standard output and error together
};

Run run(const QString &program, const QStringList &arguments, int timeoutMs = 120000,
        const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    Run r;
    r.finished = p.waitForFinished(timeoutMs);
    if (!r.finished)
        p.kill();
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAll());
    return r;
}

QString tail(const QString &text, int lines = 30)
{
    return text.split(u'\n').mid(std::max<qsizetype>(0, text.count(u'\n') - lines)).join(u'\n');
}

// A fresh HOME that is not the tester's: the installed programs pick their
// per-user folder from it.
QProcessEnvironment userEnvironment(const QString &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_qs, home);
    env.insert(u"XDG_RUNTIME_DIR"_qs, home);
    env.remove(u"XDG_DATA_HOME"_qs);
    env.remove(u"CINEVUE_HOME"_qs);
    env.insert(u"QT_QPA_PLATFORM"_qs, u"offscreen"_qs);
    env.insert(u"DBUS_SESSION_BUS_ADDRESS"_qs, u"unix:path="_qs + home + u"/no-bus"_qs);
    return env;
}

bool writeConfig(const QString &programFolder, const QString &collection)
{
    QDir().mkpath(programFolder);
    QFile config(programFolder + u"/Cinevue.cfg"_qs);
    if (!config.open(QIODevice::WriteOnly))
        return false;
    config.write((u"[Cinevue Configuration Settings v.1]\r\nScanFolder="_qs + collection
                  + u"/\r\nAutoScan=False\r\n"_qs).toUtf8());
    return true;
}

} // namespace

class TestPackage : public QObject
{
    Q_OBJECT

    QString m_deb;
    bool m_installed = false;

    bool isInstalled() const
    {
        const Run q = run(u"dpkg-query"_qs, {u"-W"_qs, u"-f=${Status}"_qs, u"cinevue"_qs});
        return q.exitCode == 0 && q.out.contains(u"install ok installed"_qs);
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(u"dpkg-deb"_qs).isEmpty())
            QSKIP("not a Debian system (no dpkg-deb)");
        const QString source = qEnvironmentVariable("CINEVUE_SOURCE_DIR");
        QVERIFY2(!source.isEmpty(), "CINEVUE_SOURCE_DIR is not set (run the test through ctest)");

        QElapsedTimer clock;
        clock.start();
        const Run built = run(source + u"/scripts/package"_qs, {}, 25 * 60 * 1000);
        qInfo("scripts/package took %.0f s", double(clock.elapsed()) / 1000.0);
        QVERIFY2(built.finished, "scripts/package did not finish within 25 minutes");
        QVERIFY2(built.exitCode == 0, qPrintable(tail(built.out)));
        m_deb = built.out.trimmed().split(u'\n').last().trimmed();
        QVERIFY2(m_deb.endsWith(u".deb"_qs) && QFileInfo(m_deb).isFile(), qPrintable(tail(built.out)));
    }

    void controlFields_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("pattern");
        QTest::newRow("name") << u"Package"_qs << u"^cinevue$"_qs;
        QTest::newRow("version of the program") << u"Version"_qs << u"^1\\.7\\.2017\\.6$"_qs;
        QTest::newRow("architecture of this machine") << u"Architecture"_qs << u"^\\S+$"_qs;
        QTest::newRow("summary") << u"Description"_qs << u"movie collection"_qs;
        // Computed from the binaries by dpkg-shlibdeps.
        QTest::newRow("Qt from the binaries") << u"Depends"_qs << u"\\blibqt6widgets6\\b"_qs;
        QTest::newRow("pugixml from the binaries") << u"Depends"_qs << u"\\blibpugixml1v5\\b"_qs;
        QTest::newRow("libzip from the binaries") << u"Depends"_qs << u"\\blibzip4\\b"_qs;
        QTest::newRow("C library from the binaries") << u"Depends"_qs << u"\\blibc6 \\(>= "_qs;
        // Loaded or started by name, listed by hand.
        for (const char *package : {"fonts-liberation2", "fonts-dejavu-core", "fonts-crosextra-carlito",
                                    "fonts-material-design-icons-iconfont", "mpv"})
            QTest::newRow(package) << u"Depends"_qs << u"(^|, )"_qs + QLatin1String(package) + u"(,|$)"_qs;
    }
    void controlFields()
    {
        QFETCH(QString, field);
        QFETCH(QString, pattern);
        const Run f = run(u"dpkg-deb"_qs, {u"--field"_qs, m_deb, field});
        QCOMPARE(f.exitCode, 0);
        const QString value = f.out.trimmed();
        QVERIFY2(QRegularExpression(pattern).match(value).hasMatch(), qPrintable(field + u": "_qs + value));
    }

    void contents()
    {
        const Run c = run(u"dpkg-deb"_qs, {u"--contents"_qs, m_deb});
        QCOMPARE(c.exitCode, 0);
        QStringList files;
        for (const QString &line : c.out.split(u'\n', Qt::SkipEmptyParts)) {
            const QString path = line.section(u' ', -1);
            if (!path.endsWith(u'/'))
                files << path.mid(1); // "./usr/bin/cinevue" -> "/usr/bin/cinevue"
        }
        for (const QString &expected :
             {u"/usr/bin/cinevue"_qs, u"/usr/bin/cinevue-sync"_qs, u"/usr/bin/cinevue-script"_qs,
              u"/usr/share/applications/cinevue.desktop"_qs, u"/usr/share/xsessions/cinevue.desktop"_qs,
              u"/usr/share/icons/hicolor/256x256/apps/cinevue.png"_qs,
              u"/usr/lib/systemd/user/cinevue-sync.service"_qs, u"/usr/lib/systemd/user/cinevue-sync.timer"_qs,
              u"/usr/share/doc/cinevue/README.md"_qs})
            QVERIFY2(files.contains(expected), qPrintable(expected + u" is not in the package"_qs));
        for (const QString &file : files) {
            QVERIFY2(!file.contains(u"/tst_"_qs) && !file.contains(u"/bench_"_qs) && !file.endsWith(u"/cinevue-gen"_qs)
                         && !file.contains(u"/cv_"_qs),
                     qPrintable(file + u" is a build or test tool"_qs));
        }
    }

    void installRunRemove()
    {
        if (geteuid() != 0)
            QSKIP("installing the package needs root (dpkg -i); the CI run is root");
        if (isInstalled())
            QSKIP("a cinevue package is installed on this machine already; it is left alone");

        // dpkg waits for nobody: retry while another package run holds its lock.
        Run installed;
        QElapsedTimer clock;
        clock.start();
        do {
            installed = run(u"dpkg"_qs, {u"-i"_qs, m_deb});
            if (installed.exitCode == 0 || !installed.out.contains(u"lock"_qs))
                break;
            QTest::qWait(2000);
        } while (clock.elapsed() < 120000);
        const auto remove = qScopeGuard([] { run(u"dpkg"_qs, {u"-r"_qs, u"cinevue"_qs}); });
        QVERIFY2(installed.exitCode == 0, qPrintable(installed.out));
        QVERIFY(isInstalled());

        // The entries a desktop and a display manager read.
        if (!QStandardPaths::findExecutable(u"desktop-file-validate"_qs).isEmpty()) {
            for (const QString &entry : {u"/usr/share/applications/cinevue.desktop"_qs,
                                         u"/usr/share/xsessions/cinevue.desktop"_qs}) {
                const Run v = run(u"desktop-file-validate"_qs, {entry});
                QVERIFY2(v.exitCode == 0 && v.out.trimmed().isEmpty(), qPrintable(entry + u": "_qs + v.out));
            }
        }
        QFile session(u"/usr/share/xsessions/cinevue.desktop"_qs);
        QVERIFY(session.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(session.readAll()).contains(u"\nExec=cinevue\n"_qs));
        const QImage icon(u"/usr/share/icons/hicolor/256x256/apps/cinevue.png"_qs);
        QCOMPARE(icon.size(), QSize(256, 256));

        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QString collection = tmp.filePath(u"movies"_qs);
        MMTreeOptions gen;
        gen.root = collection;
        gen.titles = 6;
        gen.seed = 5;
        const MMTreeResult tree = GenerateMyMoviesTree(gen);
        QVERIFY2(tree.ok, qPrintable(tree.error));

        // The nightly service's own command line, with %h its user's home.
        const QString home = tmp.filePath(u"home"_qs);
        QFile service(u"/usr/lib/systemd/user/cinevue-sync.service"_qs);
        QVERIFY(service.open(QIODevice::ReadOnly));
        const QRegularExpressionMatch exec =
            QRegularExpression(u"^ExecStart=(.+)$"_qs, QRegularExpression::MultilineOption)
                .match(QString::fromUtf8(service.readAll()));
        QVERIFY(exec.hasMatch());
        QStringList command = exec.captured(1).replace(u"%h"_qs, home).split(u' ', Qt::SkipEmptyParts);
        QCOMPARE(command.first(), u"/usr/bin/cinevue-sync"_qs);
        const QString programFolder = home + u"/.local/share/Cinevue"_qs;
        QCOMPARE(command.mid(1), QStringList{programFolder});
        QVERIFY(writeConfig(programFolder, collection));
        const Run synced = run(command.first(), command.mid(1), 120000, userEnvironment(home));
        QVERIFY2(synced.exitCode == 0, qPrintable(synced.out));
        QVERIFY(QFileInfo(programFolder + u"/CinevueDB.xml"_qs).isFile());

        // The installed window, headless, on the collection that sync stored.
        const QString shots = tmp.filePath(u"shots"_qs);
        const Run script = run(u"/usr/bin/cinevue-script"_qs, {programFolder, u"--out"_qs, shots}, 120000,
                               userEnvironment(home));
        QVERIFY2(script.exitCode == 0, qPrintable(script.out));
        QFile state(shots + u"/state.json"_qs);
        QVERIFY(state.open(QIODevice::ReadOnly));
        const QJsonObject json = QJsonDocument::fromJson(state.readAll()).object();
        QVERIFY2(json.value(u"TitleCount"_qs).toInt() > 0, state.fileName().toLocal8Bit());
        QVERIFY(json.value(u"HasTitles"_qs).toBool());
        QVERIFY(QImage(shots + u"/screen.png"_qs).size().isValid());

        // Installed in /usr/bin, Cinevue keeps its files in the user's data
        // folder, even when root, who could write to /usr/bin, starts it.
        const QString freshHome = tmp.filePath(u"fresh"_qs);
        QVERIFY(QDir().mkpath(freshHome));
        QProcess cinevue;
        cinevue.setProcessEnvironment(userEnvironment(freshHome));
        cinevue.setProcessChannelMode(QProcess::MergedChannels);
        cinevue.start(u"/usr/bin/cinevue"_qs, {});
        QVERIFY(cinevue.waitForStarted());
        const QString firstConfig = freshHome + u"/.local/share/Cinevue/Cinevue.cfg"_qs;
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(firstConfig) || cinevue.state() == QProcess::NotRunning, 30000);
        cinevue.terminate();
        cinevue.waitForFinished(10000);
        QVERIFY2(QFileInfo::exists(firstConfig), cinevue.readAll().constData());
        QVERIFY(!QFileInfo::exists(u"/usr/bin/Cinevue.cfg"_qs));
        QVERIFY(!QFileInfo::exists(u"/usr/bin/Logs"_qs));

        const Run removed = run(u"dpkg"_qs, {u"-r"_qs, u"cinevue"_qs});
        QVERIFY2(removed.exitCode == 0, qPrintable(removed.out));
        QVERIFY(!isInstalled());
        QVERIFY(!QFileInfo::exists(u"/usr/bin/cinevue"_qs));
    }
};

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
