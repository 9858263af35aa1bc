#include "app/statedump.h"

#include "app/tform1.h"
#include "ui/messages.h"
#include "ui/scene.h"

#include <QJsonArray>

QJsonObject WindowState(const TForm1 &form)
{
    QJsonObject state;
    state[u"ScreenMode"_qs] = int(form.ScreenMode);
    state[u"FocusIndex"_qs] = form.FocusIndex;
    state[u"FocusTitle"_qs] = form.FocusTitle;
    state[u"IconIndex"_qs] = form.IconIndex;
    state[u"HasTitles"_qs] = form.HasTitles;
    state[u"CurrentSort"_qs] = SortName(form.Filter.CurrentSort);
    state[u"ShowWatched"_qs] = form.Filter.ShowWatched;
    state[u"ShowWatchListOnly"_qs] = form.Filter.ShowWatchListOnly;
    state[u"MediaTypeFilter"_qs] = MediaTypeName(form.Filter.MediaTypeFilter);
    state[u"TitleCount"_qs] = int(form.Titles.Title.size());
    state[u"StartupFinished"_qs] = form.isStartupFinished();
    state[u"WindowTitle"_qs] = form.windowTitle();

    QJsonArray ids;
    for (qint32 index : form.ViewList)
        ids.append(form.Titles.Title.value(index).ID);
    state[u"ViewList"_qs] = ids;

    state[u"Messages"_qs] = QJsonArray::fromStringList(messages::Shown());

    QJsonObject elements;
    const Scene &scene = form.scene();
    for (const QString &name : scene.elementNames())
        elements[name] = scene.element(name)->state();
    state[u"Elements"_qs] = elements;

    for (const ScreenComponent *screen : form.screens())
        screen->dumpState(state);
    return state;
}
