// SPDX-License-Identifier: GPL-3.0-or-later
#include <dlfcn.h>
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include <QFile>

#include "Launcher.h"
#include "Log.h"

namespace {

// The GIO functions the launcher uses. GIO and the libraries it brings are loaded when a
// link is first followed, so a program whose links are never followed never maps them.
// The headers give only the functions' types: the program does not link GIO.
struct Gio {
    decltype(&g_object_unref) object_unref;
    decltype(&g_type_check_instance_is_a) type_check_instance_is_a;
    decltype(&g_error_free) error_free;
    decltype(&g_key_file_new) key_file_new;
    decltype(&g_key_file_free) key_file_free;
    decltype(&g_key_file_load_from_file) key_file_load_from_file;
    decltype(&g_key_file_set_string) key_file_set_string;
    decltype(&g_file_new_for_path) file_new_for_path;
    decltype(&g_file_query_info) file_query_info;
    decltype(&g_file_info_get_content_type) file_info_get_content_type;
    decltype(&g_app_info_get_default_for_type) app_info_get_default_for_type;
    decltype(&g_app_info_get_default_for_uri_scheme) app_info_get_default_for_uri_scheme;
    decltype(&g_app_info_get_commandline) app_info_get_commandline;
    decltype(&g_app_info_launch_uris) app_info_launch_uris;
    decltype(&g_desktop_app_info_get_type) desktop_app_info_get_type;
    decltype(&g_desktop_app_info_get_filename) desktop_app_info_get_filename;
    decltype(&g_desktop_app_info_new_from_filename) desktop_app_info_new_from_filename;
    decltype(&g_desktop_app_info_new_from_keyfile) desktop_app_info_new_from_keyfile;
};

void* Symbol(void* library, const char* name, std::string& missing) {
    void* symbol = ::dlsym(library, name);
    if (!symbol) missing += std::string(missing.empty() ? "" : ", ") + name;
    return symbol;
}

// dlsym hands out every symbol as void*; POSIX guarantees that a function's converts back.
template <typename Function>
void Resolve(Function& function, void* library, const char* name, std::string& missing) {
    function = reinterpret_cast<Function>(Symbol(library, name, missing));
}

// Null, with the reason logged, when the library or one of its functions is missing. The
// library stays loaded for good: GLib's types cannot be unloaded.
std::unique_ptr<Gio> LoadGio() {
    constexpr const char* kLibrary = "libgio-2.0.so.0";
    void* library = ::dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        vlog::Warning(vlog::Area::Launch, std::string("Cannot load GIO: ") + ::dlerror());
        return nullptr;
    }
    auto gio = std::make_unique<Gio>();
    std::string missing;
    Resolve(gio->object_unref, library, "g_object_unref", missing);
    Resolve(gio->type_check_instance_is_a, library, "g_type_check_instance_is_a", missing);
    Resolve(gio->error_free, library, "g_error_free", missing);
    Resolve(gio->key_file_new, library, "g_key_file_new", missing);
    Resolve(gio->key_file_free, library, "g_key_file_free", missing);
    Resolve(gio->key_file_load_from_file, library, "g_key_file_load_from_file", missing);
    Resolve(gio->key_file_set_string, library, "g_key_file_set_string", missing);
    Resolve(gio->file_new_for_path, library, "g_file_new_for_path", missing);
    Resolve(gio->file_query_info, library, "g_file_query_info", missing);
    Resolve(gio->file_info_get_content_type, library, "g_file_info_get_content_type", missing);
    Resolve(gio->app_info_get_default_for_type, library, "g_app_info_get_default_for_type", missing);
    Resolve(gio->app_info_get_default_for_uri_scheme, library, "g_app_info_get_default_for_uri_scheme", missing);
    Resolve(gio->app_info_get_commandline, library, "g_app_info_get_commandline", missing);
    Resolve(gio->app_info_launch_uris, library, "g_app_info_launch_uris", missing);
    Resolve(gio->desktop_app_info_get_type, library, "g_desktop_app_info_get_type", missing);
    Resolve(gio->desktop_app_info_get_filename, library, "g_desktop_app_info_get_filename", missing);
    Resolve(gio->desktop_app_info_new_from_filename, library, "g_desktop_app_info_new_from_filename", missing);
    Resolve(gio->desktop_app_info_new_from_keyfile, library, "g_desktop_app_info_new_from_keyfile", missing);
    if (!missing.empty()) {
        vlog::Warning(vlog::Area::Launch, std::string(kLibrary) + " lacks " + missing);
        return nullptr;
    }
    return gio;
}

template <typename T>
using GPtr = std::unique_ptr<T, void (*)(gpointer)>;
using ErrorPtr = std::unique_ptr<GError, decltype(&g_error_free)>;

GAppInfo* AsAppInfo(GDesktopAppInfo* app) { return reinterpret_cast<GAppInfo*>(app); }

// The content type the desktop sees in the document, from its name and contents.
QByteArray ContentTypeOf(const Gio& gio, const QString& document) {
    GPtr<GFile> file(gio.file_new_for_path(QFile::encodeName(document).constData()), gio.object_unref);
    GPtr<GFileInfo> info(gio.file_query_info(file.get(), G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE, G_FILE_QUERY_INFO_NONE,
                                             nullptr, nullptr),
                         gio.object_unref);
    if (!info) return {};
    const char* type = gio.file_info_get_content_type(info.get());
    return type ? QByteArray(type) : QByteArray();
}

// The desktop entry's file: it names the program with its wrappers (env, snap, flatpak)
// and field codes, all of which a launch needs.
QString EntryFileOf(const Gio& gio, GAppInfo* found, const std::string& what) {
    GPtr<GAppInfo> app(found, gio.object_unref);
    const bool isEntry = app && gio.type_check_instance_is_a(reinterpret_cast<GTypeInstance*>(app.get()),
                                                             gio.desktop_app_info_get_type());
    const char* file =
        isEntry ? gio.desktop_app_info_get_filename(reinterpret_cast<GDesktopAppInfo*>(app.get())) : nullptr;
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
GPtr<GDesktopAppInfo> StartableWithAddress(const Gio& gio, const QByteArray& file, GError** error) {
    GPtr<GDesktopAppInfo> app(gio.desktop_app_info_new_from_filename(file.constData()), gio.object_unref);
    if (!app) return app;
    const char* exec = gio.app_info_get_commandline(AsAppInfo(app.get()));
    const std::string placed = WithAddressPlace(exec ? exec : "");
    if (exec && placed == exec) return app;
    const std::unique_ptr<GKeyFile, decltype(&g_key_file_free)> keys(gio.key_file_new(), gio.key_file_free);
    if (!gio.key_file_load_from_file(keys.get(), file.constData(), G_KEY_FILE_NONE, error))
        return GPtr<GDesktopAppInfo>(nullptr, gio.object_unref);
    gio.key_file_set_string(keys.get(), G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_EXEC, placed.c_str());
    return GPtr<GDesktopAppInfo>(gio.desktop_app_info_new_from_keyfile(keys.get()), gio.object_unref);
}

class GioLauncher final : public Launcher {
public:
    QString FindExecutable(const QString& document) override {
        const Gio* gio = Functions();
        if (!gio) return {};
        const QByteArray type = ContentTypeOf(*gio, document);
        if (type.isEmpty()) {
            vlog::Warning(vlog::Area::Launch, "No content type for " + document.toStdString());
            return {};
        }
        return EntryFileOf(*gio, gio->app_info_get_default_for_type(type.constData(), FALSE), type.toStdString());
    }

    QString FindMailProgram(const QString&) override {
        const Gio* gio = Functions();
        if (!gio) return {};
        return EntryFileOf(*gio, gio->app_info_get_default_for_uri_scheme("mailto"), "mailto:");
    }

    // The window system places the new window itself; GIO has no use for the owner.
    bool Start(const QString& entry, const QString& argument, WId) override {
        const Gio* gio = Functions();
        if (!gio) return false;
        GError* error = nullptr;
        GPtr<GDesktopAppInfo> app(StartableWithAddress(*gio, QFile::encodeName(entry), &error));
        if (!app) return Failed(entry, ErrorPtr(error, gio->error_free));
        const QByteArray address = argument.toUtf8();
        GList uris{const_cast<char*>(address.constData()), nullptr, nullptr};
        if (!gio->app_info_launch_uris(AsAppInfo(app.get()), &uris, nullptr, &error))
            return Failed(entry, ErrorPtr(error, gio->error_free));
        return true;
    }

private:
    // GIO, loaded at the first use; tried again at the next when it could not be.
    const Gio* Functions() {
        if (!gio_) gio_ = LoadGio();
        return gio_.get();
    }

    static bool Failed(const QString& entry, ErrorPtr error) {
        vlog::Warning(vlog::Area::Launch,
                      "Could not start " + entry.toStdString() + (error ? std::string(": ") + error->message : ""));
        return false;
    }

    std::unique_ptr<Gio> gio_;
};

}  // namespace

std::unique_ptr<Launcher> MakeLauncher() { return std::make_unique<GioLauncher>(); }
