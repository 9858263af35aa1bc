#include "ui/menukeys.h"

#include "app/tform1.h"
#include "ui/keydispatcher.h"
#include "ui/menus.h"
#include "ui/search.h"

namespace {

// Moves a cursor and redraws the menu; a refused move changes nothing.
template <typename Move, typename Show>
std::function<void()> moveCursor(int &cursor, Move move, Show show)
{
    return [&cursor, move, show] {
        const int next = move(cursor);
        if (next == cursor)
            return;
        cursor = next;
        show();
    };
}

ModeKeys sortKeys(TForm1 &f, bool defaultSort)
{
    OptionMenus &m = f.menus();
    auto show = [&m] { m.ShowSort(); };
    ModeKeys k;
    k.Left = moveCursor(m.SortCursor, SortCursorLeft, show);
    k.Right = moveCursor(m.SortCursor, SortCursorRight, show);
    k.Up = moveCursor(m.SortCursor, SortCursorUp, show);
    k.Down = moveCursor(m.SortCursor, SortCursorDown, show);
    if (defaultSort)
        k.Enter = [&m] { m.ChooseDefaultSort(); };
    else
        k.Enter = [&m] { m.ChooseSort(); };
    return k;
}

ModeKeys mediaTypeKeys(TForm1 &f)
{
    OptionMenus &m = f.menus();
    auto show = [&m] { m.ShowMediaTypes(); };
    ModeKeys k;
    k.Up = moveCursor(m.MediaTypeCursor, [](int c) { return c > 0 ? c - 1 : c; }, show);
    k.Down = moveCursor(m.MediaTypeCursor, [](int c) { return c < 6 ? c + 1 : c; }, show);
    k.Enter = [&m] { m.ChooseMediaType(); };
    return k;
}

ModeKeys gridKeys(TForm1 &f, bool cats)
{
    OptionMenus &m = f.menus();
    int &cursor = cats ? m.CatCursor : m.GenreCursor;
    const QStringList &list = cats ? f.Titles.MyCats : f.Titles.MyGenres;
    auto show = [&m, cats] { cats ? m.ShowCats() : m.ShowGenre(); };
    // The layout follows the list as it is when the key arrives.
    auto layout = [&list] { return MakeGridLayout(int(list.size())); };
    ModeKeys k;
    k.Up = moveCursor(cursor, [layout](int c) { return layout().up(c); }, show);
    k.Down = moveCursor(cursor, [layout](int c) { return layout().down(c); }, show);
    k.Left = moveCursor(cursor, [layout](int c) { return layout().left(c); }, show);
    k.Right = moveCursor(cursor, [layout](int c) { return layout().right(c); }, show);
    k.Enter = [&m, cats] { cats ? m.ChooseCat() : m.ChooseGenre(); };
    return k;
}

ModeKeys exitKeys(TForm1 &f)
{
    OptionMenus &m = f.menus();
    auto show = [&m] { m.ShowExit(); };
    ModeKeys k;
    k.Up = moveCursor(m.ExitCursor, [](int c) { return c > 0 ? c - 1 : c; }, show);
    k.Down = moveCursor(m.ExitCursor, [](int c) { return c < 2 ? c + 1 : c; }, show);
    k.Enter = [&m] { m.ChooseExit(); };
    k.Backspace = [&m] { m.CloseExit(); };
    return k;
}

ModeKeys searchKeys(TForm1 &f)
{
    SearchOverlay &s = f.search();
    auto show = [&s] { s.ShowSearch(); };
    ModeKeys k;
    k.Up = moveCursor(s.SearchCursor, SearchCursorUp, show);
    k.Down = moveCursor(s.SearchCursor, SearchCursorDown, show);
    k.Left = moveCursor(s.SearchCursor, SearchCursorLeft, show);
    k.Right = moveCursor(s.SearchCursor, SearchCursorRight, show);
    k.Enter = [&s] { s.Choose(); };
    return k;
}

} // namespace

void RegisterMenuKeys(KeyDispatcher &dispatcher, TForm1 &form)
{
    dispatcher.setMode(smSortMenu, sortKeys(form, false));
    dispatcher.setMode(smDefaultSortMenu, sortKeys(form, true));
    dispatcher.setMode(smMediaTypeMenu, mediaTypeKeys(form));
    dispatcher.setMode(smGenreMenu, gridKeys(form, false));
    dispatcher.setMode(smCatMenu, gridKeys(form, true));
    dispatcher.setMode(smExitMenu, exitKeys(form));
    dispatcher.setMode(smSearch, searchKeys(form));
    // Typing: the box takes the keys (see SearchOverlay), the dispatcher only
    // does its common work.
    dispatcher.setMode(smSearchEdit, ModeKeys{});
}
