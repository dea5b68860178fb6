// SPDX-License-Identifier: GPL-3.0-or-later
// Renders icons' SVG drawings at build time, so that the program needs no SVG support when
// it runs: square PNGs (the program's own icons at their design size and at twice it, and
// the icon theme's fixed sizes), and the Windows program file's icon, an .ico of PNG images.
//   voltara_render_icon ICON.svg SIZE OUT.png [SIZE OUT.png ...]
//   voltara_render_icon --ico OUT.ico ICON.svg:SIZE [ICON.svg:SIZE ...]
#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {
std::optional<int> Size(const char* text) {
    int size = 0;
    try {
        size = std::stoi(text);
    } catch (const std::exception&) {
    }
    if (size < 1 || size > 1024) {
        std::fprintf(stderr, "voltara_render_icon: size must be 1 to 1024 pixels, not '%s'\n", text);
        return std::nullopt;
    }
    return size;
}

std::optional<QImage> Render(const QString& svgFile, int size) {
    QSvgRenderer svg(svgFile);
    if (!svg.isValid()) {
        std::fprintf(stderr, "voltara_render_icon: cannot read %s\n", qPrintable(svgFile));
        return std::nullopt;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter);
    painter.end();
    return image;
}

void PutLittleEndian(QByteArray& out, unsigned value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// An icon file whose images are PNGs, as Windows reads them since Vista: a directory of
// entries, each giving the size (0 for 256), the bit depth and where its PNG lies.
int WriteIco(const char* outFile, int count, char** entries) {
    std::vector<std::pair<int, QByteArray>> images;
    for (int i = 0; i < count; ++i) {
        const QString entry = QString::fromLocal8Bit(entries[i]);  // ICON.svg:SIZE
        const qsizetype colon = entry.lastIndexOf(QLatin1Char(':'));
        const auto size = Size(colon < 0 ? "" : qPrintable(entry.mid(colon + 1)));
        if (!size || *size > 256) return 2;
        const auto image = Render(entry.left(colon), *size);
        if (!image) return 1;
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image->save(&buffer, "PNG");
        images.emplace_back(*size, png);
    }
    QByteArray ico;
    PutLittleEndian(ico, 0, 2);  // reserved
    PutLittleEndian(ico, 1, 2);  // an icon, not a cursor
    PutLittleEndian(ico, static_cast<unsigned>(images.size()), 2);
    unsigned offset = 6 + 16 * static_cast<unsigned>(images.size());
    for (const auto& [size, png] : images) {
        PutLittleEndian(ico, size == 256 ? 0 : static_cast<unsigned>(size), 1);
        PutLittleEndian(ico, size == 256 ? 0 : static_cast<unsigned>(size), 1);
        PutLittleEndian(ico, 0, 2);   // no palette, reserved
        PutLittleEndian(ico, 1, 2);   // planes
        PutLittleEndian(ico, 32, 2);  // bits per pixel
        PutLittleEndian(ico, static_cast<unsigned>(png.size()), 4);
        PutLittleEndian(ico, offset, 4);
        offset += static_cast<unsigned>(png.size());
    }
    for (const auto& image : images) ico.append(image.second);
    QFile out(QString::fromLocal8Bit(outFile));
    if (!out.open(QIODevice::WriteOnly) || out.write(ico) != ico.size()) {
        std::fprintf(stderr, "voltara_render_icon: cannot write %s\n", outFile);
        return 1;
    }
    return 0;
}
}  // namespace

int main(int argc, char* argv[]) {
    if (argc >= 4 && std::string(argv[1]) == "--ico") return WriteIco(argv[2], argc - 3, argv + 3);
    if (argc < 4 || argc % 2 != 0) {
        std::fprintf(stderr,
                     "usage: %s ICON.svg SIZE OUT.png [SIZE OUT.png ...]\n"
                     "       %s --ico OUT.ico ICON.svg:SIZE [ICON.svg:SIZE ...]\n",
                     argv[0], argv[0]);
        return 2;
    }
    for (int i = 2; i < argc; i += 2) {
        const auto size = Size(argv[i]);
        if (!size) return 2;
        const auto image = Render(QString::fromLocal8Bit(argv[1]), *size);
        if (!image) return 1;
        if (!image->save(QString::fromLocal8Bit(argv[i + 1]), "PNG")) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[i + 1]);
            return 1;
        }
    }
    return 0;
}
