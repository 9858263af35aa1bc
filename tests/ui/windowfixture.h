#pragma once
// What the window tests share: a scratch program folder, a database file
// written from a list of titles, and a window shown until its start-up
// (database load, automatic sync) is over.

#include "app/collection.h"
#include "app/config.h"
#include "app/tform1.h"
#include "model/localdatabase.h"
#include "ui/scene.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A new empty program folder for the window (CINEVUE_HOME points at it).
inline void makeWindowHome(std::unique_ptr<QTemporaryDir> &home)
{
    home = std::make_unique<QTemporaryDir>();
    QVERIFY(home->isValid());
    qputenv("CINEVUE_HOME", QFile::encodeName(home->path()));
}

inline void writeDatabase(const QString &appPath, const QList<tTitle> &list)
{
    tTitles titles;
    titles.Title = list;
    QString error;
    QVERIFY2(WriteDatabaseFile(DatabaseFilePath(appPath), titles, ProgVersion(), &error), qPrintable(error));
}

// Puts `list` in place of the window's collection, as a load would.
inline void replaceTitles(TForm1 &form, const QList<tTitle> &list)
{
    tTitles titles;
    titles.Title = list;
    form.collection().setTitles(titles, false);
}

// One key press as the display server delivers it: down, then up.
inline void press(QWidget *window, int key, const QString &text = {})
{
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(window, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(window, &up);
}

inline void showAndWait(TForm1 &form)
{
    form.resize(Scene::kWidth / 2, Scene::kHeight / 2);
    form.show();
    QTRY_VERIFY_WITH_TIMEOUT(form.isStartupFinished(), 20000);
}
