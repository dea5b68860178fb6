// SPDX-License-Identifier: GPL-3.0-or-later
#include "Launcher.h"
#include "Log.h"

#include <QFile>
#include <QProcess>

#include <gio/gio.h>

namespace {

template <typename T>
struct GUnref {
    void operator()(T* p) const { g_object_unref(p); }
};
template <typename T>
using GPtr = std::unique_ptr<T, GUnref<T>>;

// The content type the desktop sees in the document, from its name and contents.
QByteArray ContentTypeOf(const QString& document) {
    GPtr<GFile> file(g_file_new_for_path(QFile::encodeName(document).constData()));
    GPtr<GFileInfo> info(g_file_query_info(file.get(), G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE, G_FILE_QUERY_INFO_NONE,
                                           nullptr, nullptr));
    if (!info) return {};
    const char* type = g_file_info_get_content_type(info.get());
    return type ? QByteArray(type) : QByteArray();
}

class GioLauncher final : public Launcher {
public:
    QString FindExecutable(const QString& document) override {
        const QByteArray type = ContentTypeOf(document);
        if (type.isEmpty()) {
            vlog::Warning(vlog::Area::Launch, "No content type for " + document.toStdString());
            return {};
        }
        GPtr<GAppInfo> app(g_app_info_get_default_for_type(type.constData(), FALSE));
        if (!app) {
            vlog::Warning(vlog::Area::Launch, "No default application for " + type.toStdString());
            return {};
        }
        const char* executable = g_app_info_get_executable(app.get());
        if (!executable || !*executable) return {};
        // Desktop entries usually name the program alone; the caller wants its path.
        gchar* path = g_find_program_in_path(executable);
        if (!path) {
            vlog::Warning(vlog::Area::Launch,
                          std::string("The default application's program is not on PATH: ") + executable);
            return {};
        }
        const QString result = QFile::decodeName(path);
        g_free(path);
        return result;
    }

    bool Start(const QString& program, const QString& argument) override {
        if (QProcess::startDetached(program, {argument})) return true;
        vlog::Warning(vlog::Area::Launch, "Could not start " + program.toStdString());
        return false;
    }
};

}  // namespace

std::unique_ptr<Launcher> MakeLauncher() { return std::make_unique<GioLauncher>(); }
