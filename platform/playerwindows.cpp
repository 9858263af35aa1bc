#include "platform/playerwindows.h"

#include <QList>
#include <QScopeGuard>

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr quint32 kIconicState = 3;     // ICCCM WM_CHANGE_STATE
constexpr int kMaxTitleLength = 255;    // as much of a title as is compared

template<class T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t internAtom(xcb_connection_t *c, const char *name)
{
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

xcb_screen_t *screenOf(xcb_connection_t *c, int number)
{
    for (xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem; --number, xcb_screen_next(&it)) {
        if (number == 0)
            return it.data;
    }
    return nullptr;
}

QString titleOf(xcb_connection_t *c, xcb_ewmh_connection_t *ewmh, xcb_window_t window)
{
    xcb_ewmh_get_utf8_strings_reply_t name;
    if (ewmh && xcb_ewmh_get_wm_name_reply(ewmh, xcb_ewmh_get_wm_name(ewmh, window), &name, nullptr)) {
        const QString title = QString::fromUtf8(name.strings, int(name.strings_len));
        xcb_ewmh_get_utf8_strings_reply_wipe(&name);
        if (!title.isEmpty())
            return title;
    }
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
                               nullptr),
        &std::free);
    if (!reply || reply->format != 8)
        return QString();
    const auto *data = static_cast<const char *>(xcb_get_property_value(reply.get()));
    const int length = xcb_get_property_value_length(reply.get());
    return reply->type == XCB_ATOM_STRING ? QString::fromLatin1(data, length) : QString::fromUtf8(data, length);
}

bool takesDeleteWindow(xcb_connection_t *c, xcb_window_t window, xcb_atom_t protocols, xcb_atom_t deleteWindow)
{
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, protocols, XCB_ATOM_ATOM, 0, 64), nullptr), &std::free);
    if (!reply || reply->format != 32)
        return false;
    const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / int(sizeof(xcb_atom_t));
    for (int i = 0; i < count; ++i) {
        if (atoms[i] == deleteWindow)
            return true;
    }
    return false;
}

void sendClientMessage(xcb_connection_t *c, xcb_window_t destination, uint32_t mask, xcb_window_t window,
                       xcb_atom_t type, std::initializer_list<uint32_t> data)
{
    xcb_client_message_event_t event = {};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    int i = 0;
    for (const uint32_t value : data)
        event.data.data32[i++] = value;
    xcb_send_event(c, 0, destination, mask, reinterpret_cast<const char *>(&event));
}

// The top-level windows, topmost first.
QList<xcb_window_t> topLevelWindows(xcb_connection_t *c, xcb_ewmh_connection_t *ewmh, int screenNumber,
                                    xcb_window_t root, bool fromWindowManager)
{
    QList<xcb_window_t> windows;
    xcb_ewmh_get_windows_reply_t list;
    if (fromWindowManager
        && (xcb_ewmh_get_client_list_stacking_reply(ewmh, xcb_ewmh_get_client_list_stacking(ewmh, screenNumber), &list,
                                                    nullptr)
            || xcb_ewmh_get_client_list_reply(ewmh, xcb_ewmh_get_client_list(ewmh, screenNumber), &list, nullptr))) {
        for (uint32_t i = 0; i < list.windows_len; ++i)
            windows.prepend(list.windows[i]); // the lists run bottom to top
        xcb_ewmh_get_windows_reply_wipe(&list);
        return windows;
    }
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr), &std::free);
    if (!tree)
        return windows;
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    for (int i = 0; i < count; ++i)
        windows.prepend(children[i]);
    return windows;
}

} // namespace

int ClosePlayerWindows(const QString &progName, const QByteArray &displayName)
{
    // An empty name is contained in every title; closing everything is never meant.
    if (progName.isEmpty())
        return 0;
    int screenNumber = 0;
    xcb_connection_t *c = xcb_connect(displayName.isEmpty() ? nullptr : displayName.constData(), &screenNumber);
    const auto disconnect = qScopeGuard([c] { xcb_disconnect(c); });
    if (xcb_connection_has_error(c))
        return 0;
    xcb_screen_t *screen = screenOf(c, screenNumber);
    if (!screen)
        return 0;

    xcb_ewmh_connection_t ewmhConnection = {};
    xcb_ewmh_connection_t *ewmh = nullptr;
    if (xcb_ewmh_init_atoms_replies(&ewmhConnection, xcb_ewmh_init_atoms(c, &ewmhConnection), nullptr))
        ewmh = &ewmhConnection;
    const auto wipe = qScopeGuard([ewmh] {
        if (ewmh)
            xcb_ewmh_connection_wipe(ewmh);
    });

    // A window manager that closes windows on request has a client list too.
    bool managerCloses = false;
    xcb_ewmh_get_atoms_reply_t supported;
    if (ewmh && xcb_ewmh_get_supported_reply(ewmh, xcb_ewmh_get_supported(ewmh, screenNumber), &supported, nullptr)) {
        for (uint32_t i = 0; i < supported.atoms_len; ++i)
            managerCloses = managerCloses || supported.atoms[i] == ewmh->_NET_CLOSE_WINDOW;
        xcb_ewmh_get_atoms_reply_wipe(&supported);
    }

    const xcb_atom_t changeState = internAtom(c, "WM_CHANGE_STATE");
    const xcb_atom_t protocols = internAtom(c, "WM_PROTOCOLS");
    const xcb_atom_t deleteWindow = internAtom(c, "WM_DELETE_WINDOW");
    const uint32_t toManager = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;

    int closed = 0;
    for (const xcb_window_t window : topLevelWindows(c, ewmh, screenNumber, screen->root, managerCloses)) {
        const QString title = titleOf(c, ewmh, window).left(kMaxTitleLength);
        if (!title.contains(progName, Qt::CaseInsensitive))
            continue;
        sendClientMessage(c, screen->root, toManager, window, changeState, {kIconicState});
        if (managerCloses) {
            xcb_ewmh_request_close_window(ewmh, screenNumber, window, XCB_CURRENT_TIME,
                                          XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
        } else if (takesDeleteWindow(c, window, protocols, deleteWindow)) {
            sendClientMessage(c, window, XCB_EVENT_MASK_NO_EVENT, window, protocols, {deleteWindow, XCB_CURRENT_TIME});
        } else {
            continue;
        }
        ++closed;
    }
    // A round trip: the server has handled every request before we hang up,
    // which could otherwise cut off the last ones.
    Reply<xcb_get_input_focus_reply_t> sync(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr), &std::free);
    return closed;
}

int ClosePDVD(const QString &progName)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return 0;
    return ClosePlayerWindows(progName, QByteArray());
}
