// SPDX-License-Identifier: GPL-3.0-or-later
#include <xcb/xcb.h>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "Desktop.h"

namespace desktop {

bool RunThroughXWayland(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("WAYLAND_DISPLAY") || !qEnvironmentVariableIsSet("DISPLAY") ||
        qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return false;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) return false;
    return true;
}

bool TrayReportsDoubleClick() {
    // Qt speaks StatusNotifierItem when a host has registered with the watcher, XEmbed otherwise.
    const QString name = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.interface() || !bus.interface()->isServiceRegistered(name)) return true;
    QDBusInterface watcher(name, QStringLiteral("/StatusNotifierWatcher"), name, bus);
    return !watcher.property("IsStatusNotifierHostRegistered").toBool();
}

bool WindowPlacesKnown() { return !QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

std::vector<QByteArray> StartupRemovePieces(const QByteArray& token) {
    QByteArray id;
    for (const char c : token) id += (c == ' ' || c == '"' || c == '\\') ? QByteArray("\\") + c : QByteArray(1, c);
    const QByteArray message = "remove: ID=" + id + '\0';
    std::vector<QByteArray> pieces;
    for (qsizetype at = 0; at < message.size(); at += 20) pieces.push_back(message.mid(at, 20).leftJustified(20, '\0'));
    return pieces;
}

void AnswerActivationToken() {
    // Qt's StatusNotifierItem keeps the token in XDG_ACTIVATION_TOKEN. On X11 the startup
    // sequence it names ends with a "remove" message to the root window, the first piece of
    // its own type.
    const QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (token.isEmpty() || !x11) return;
    qunsetenv("XDG_ACTIVATION_TOKEN");  // used once; nor handed on to what the program starts
    xcb_connection_t* connection = x11->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const auto atom = [connection](const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t found = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return found;
    };
    const xcb_atom_t first = atom("_NET_STARTUP_INFO_BEGIN"), next = atom("_NET_STARTUP_INFO");
    const xcb_window_t sender = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, sender, root, -100, -100, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    const std::vector<QByteArray> pieces = StartupRemovePieces(token);
    for (const QByteArray& piece : pieces) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 8;
        event.window = sender;
        event.type = &piece == &pieces.front() ? first : next;
        std::memcpy(event.data.data8, piece.constData(), sizeof event.data.data8);
        xcb_send_event(connection, 0, root, XCB_EVENT_MASK_PROPERTY_CHANGE, reinterpret_cast<const char*>(&event));
    }
    xcb_destroy_window(connection, sender);
    xcb_flush(connection);
}

}  // namespace desktop
