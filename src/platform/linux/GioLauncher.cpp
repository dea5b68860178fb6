// SPDX-License-Identifier: GPL-3.0-or-later
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include <QFile>

#include "Launcher.h"
#include "Log.h"

namespace {

template <typename T>
struct GUnref {
    void operator()(T* p) const { g_object_unref(p); }
};
template <typename T>
using GPtr = std::unique_ptr<T, GUnref<T>>;

struct GErrorFree {
    void operator()(GError* e) const { g_error_free(e); }
};
using ErrorPtr = std::unique_ptr<GError, GErrorFree>;

struct KeyFileFree {
    void operator()(GKeyFile* k) const { g_key_file_free(k); }
};

// The content type the desktop sees in the document, from its name and contents.
QByteArray ContentTypeOf(const QString& document) {
    GPtr<GFile> file(g_file_new_for_path(QFile::encodeName(document).constData()));
    GPtr<GFileInfo> info(g_file_query_info(file.get(), G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE, G_FILE_QUERY_INFO_NONE,
                                           nullptr, nullptr));
    if (!info) return {};
    const char* type = g_file_info_get_content_type(info.get());
    return type ? QByteArray(type) : QByteArray();
}

// The desktop entry's file: it names the program with its wrappers (env, snap, flatpak)
// and field codes, all of which a launch needs.
QString EntryFileOf(GAppInfo* found, const std::string& what) {
    GPtr<GAppInfo> app(found);
    const char* file = app && G_IS_DESKTOP_APP_INFO(app.get())
                           ? g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(app.get()))
                           : nullptr;
    if (!file) {
        vlog::Warning(vlog::Area::Launch, "No default application for " + what);
        return {};
    }
    return QFile::decodeName(file);
}

// The Exec line with a place for an address: where it takes files only (%f, %F), GIO
// would pass nothing for an address that is no local file, and where it takes nothing,
// GIO would add a file place; the address goes there as a URI instead (%u, %U).
std::string WithAddressPlace(const std::string& exec) {
    std::string out;
    bool placed = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        out += exec[i];
        if (exec[i] != '%' || i + 1 == exec.size()) continue;
        char code = exec[++i];
        if (code == 'f' || code == 'F') code = code == 'f' ? 'u' : 'U';
        placed = placed || code == 'u' || code == 'U';
        out += code;
    }
    return placed ? out : out + " %u";
}

// The desktop entry as GIO starts it with an address. One that has a place for it is
// taken from its file as it is, so that GIO keeps what it learns from the file's name (its
// D-Bus activation, for one); null when GIO cannot start it (no Exec, its program missing).
GDesktopAppInfo* StartableWithAddress(const QByteArray& file, GError** error) {
    GPtr<GDesktopAppInfo> app(g_desktop_app_info_new_from_filename(file.constData()));
    if (!app) return nullptr;
    const char* exec = g_app_info_get_commandline(G_APP_INFO(app.get()));
    const std::string placed = WithAddressPlace(exec ? exec : "");
    if (exec && placed == exec) return app.release();
    const std::unique_ptr<GKeyFile, KeyFileFree> keys(g_key_file_new());
    if (!g_key_file_load_from_file(keys.get(), file.constData(), G_KEY_FILE_NONE, error)) return nullptr;
    g_key_file_set_string(keys.get(), G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_EXEC, placed.c_str());
    return g_desktop_app_info_new_from_keyfile(keys.get());
}

class GioLauncher final : public Launcher {
public:
    QString FindExecutable(const QString& document) override {
        const QByteArray type = ContentTypeOf(document);
        if (type.isEmpty()) {
            vlog::Warning(vlog::Area::Launch, "No content type for " + document.toStdString());
            return {};
        }
        return EntryFileOf(g_app_info_get_default_for_type(type.constData(), FALSE), type.toStdString());
    }

    QString FindMailProgram(const QString&) override {
        return EntryFileOf(g_app_info_get_default_for_uri_scheme("mailto"), "mailto:");
    }

    // The window system places the new window itself; GIO has no use for the owner.
    bool Start(const QString& entry, const QString& argument, WId) override {
        GError* error = nullptr;
        GPtr<GDesktopAppInfo> app(StartableWithAddress(QFile::encodeName(entry), &error));
        if (!app) return Failed(entry, ErrorPtr(error));
        const QByteArray address = argument.toUtf8();
        GList uris{const_cast<char*>(address.constData()), nullptr, nullptr};
        if (!g_app_info_launch_uris(G_APP_INFO(app.get()), &uris, nullptr, &error))
            return Failed(entry, ErrorPtr(error));
        return true;
    }

private:
    static bool Failed(const QString& entry, ErrorPtr error) {
        vlog::Warning(vlog::Area::Launch,
                      "Could not start " + entry.toStdString() + (error ? std::string(": ") + error->message : ""));
        return false;
    }
};

}  // namespace

std::unique_ptr<Launcher> MakeLauncher() { return std::make_unique<GioLauncher>(); }
