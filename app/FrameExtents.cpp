#include "FrameExtents.h"

#include <QGuiApplication>
#include <QWidget>

#ifdef BRISKO_X11_FRAME
#include <QThread>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

struct FreeReply
{
    void operator()(void *reply) const { std::free(reply); }
};
template <class T> using Reply = std::unique_ptr<T, FreeReply>;

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    const Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

std::vector<quint32> property32(xcb_connection_t *c, xcb_window_t window, xcb_atom_t property,
                                xcb_atom_t type, quint32 count)
{
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, property, type, 0, count), nullptr));
    if (!reply || reply->format != 32 || reply->type != type)
        return {};
    const auto *data = static_cast<const quint32 *>(xcb_get_property_value(reply.get()));
    return {data, data + xcb_get_property_value_length(reply.get()) / 4};
}

// The X11 way (_NET_REQUEST_FRAME_EXTENTS): the window manager writes the frame it would give
// a window into that unmapped window's _NET_FRAME_EXTENTS (left, right, top, bottom). It is
// asked about a stand-in window, so that nothing it does while answering reaches ours.
QMargins x11FrameExtents(xcb_connection_t *c)
{
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_atom_t request = atom(c, "_NET_REQUEST_FRAME_EXTENTS");
    const std::vector<quint32> supported =
        property32(c, screen->root, atom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 4096);
    if (request == XCB_ATOM_NONE ||
        std::find(supported.begin(), supported.end(), request) == supported.end())
        return {}; // no window manager, or one that cannot tell

    const xcb_window_t probe = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, probe, screen->root, 0, 0, 100, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = probe;
    event.type = request;
    xcb_send_event(c, 0, screen->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char *>(&event));
    xcb_flush(c);
    // A window manager that is not busy answers at once; the start waits at most a fifth of
    // a second for it.
    const xcb_atom_t extents = atom(c, "_NET_FRAME_EXTENTS");
    QMargins frame;
    for (int attempt = 0; attempt < 200; ++attempt) {
        const std::vector<quint32> e = property32(c, probe, extents, XCB_ATOM_CARDINAL, 4);
        if (e.size() == 4) {
            frame = QMargins(int(e[0]), int(e[2]), int(e[1]), int(e[3]));
            break;
        }
        QThread::msleep(1);
    }
    xcb_destroy_window(c, probe);
    xcb_flush(c);
    return frame;
}

} // namespace
#endif

QMargins expectedWindowFrame(const QWidget &window)
{
#ifdef BRISKO_X11_FRAME
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!window.isWindow() || !x11 || !x11->connection())
        return {};
    const QMargins device = x11FrameExtents(x11->connection());
    const double ratio = window.devicePixelRatioF();
    return QMargins(qRound(device.left() / ratio), qRound(device.top() / ratio),
                    qRound(device.right() / ratio), qRound(device.bottom() / ratio));
#else
    Q_UNUSED(window);
    return {};
#endif
}
