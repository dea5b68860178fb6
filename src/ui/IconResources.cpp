// SPDX-License-Identifier: GPL-3.0-or-later
#include "IconResources.h"

#include <QFile>
#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <utility>
#include <vector>

namespace {

// An icon of one or more drawings, each rendered at build time at its design size and
// at twice it (name.png and name@2x.png). A picture is read when a size is asked for, so
// only what is on the screen is held, and a screen of twice the density gets the
// drawing rendered for it rather than a blown-up one.
class PngIconEngine final : public QIconEngine {
public:
    struct Drawing {
        QString path;  // without ".png"
        int size = 0;  // its design size
    };
    explicit PngIconEngine(std::vector<Drawing> drawings) : drawings_(std::move(drawings)) {}

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1);
    }

    // size is in device pixels, scale the screen's pixels per logical pixel.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode, QIcon::State, qreal scale) override {
        if (size.isEmpty()) return {};
        // The smallest drawing made for the logical size, else the largest; then its
        // rendering with enough pixels.
        const double logical = size.width() / scale;
        const auto made =
            std::find_if(drawings_.begin(), drawings_.end(), [logical](const Drawing& d) { return d.size >= logical; });
        const Drawing& drawing = made == drawings_.end() ? drawings_.back() : *made;
        const bool dense = size.width() > drawing.size;
        QImage image =
            ReadImageResource(drawing.path + (dense ? QStringLiteral("@2x.png") : QStringLiteral(".png")), "png");
        if (image.isNull()) return {};
        if (image.size() != size) image = image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        return QPixmap::fromImage(std::move(image));
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        const qreal ratio = painter->device()->devicePixelRatio();
        QPixmap picture = scaledPixmap(rect.size() * ratio, mode, state, ratio);
        picture.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect, picture);
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> sizes;
        for (const Drawing& d : drawings_)
            for (int side : {d.size, 2 * d.size})
                if (!sizes.contains(QSize(side, side))) sizes.append(QSize(side, side));
        return sizes;
    }

    QIconEngine* clone() const override { return new PngIconEngine(drawings_); }

private:
    std::vector<Drawing> drawings_;  // smallest first
};

QIcon FromResources(const QStringList& names) {
    std::vector<PngIconEngine::Drawing> drawings;
    for (const QString& name : names) {
        const QString path = QStringLiteral(":/icons/") + name;
        // A number without a picture (0: a charge outside 0..100) is an empty icon; the reader
        // asked about a missing file would have libpng complain on stderr at every refresh.
        if (!QFile::exists(path + QStringLiteral(".png"))) return {};
        // The design size is that of the picture rendered at it; its header tells.
        QImageReader reader(path + QStringLiteral(".png"), "png");
        reader.setAutoDetectImageFormat(false);
        const QSize size = reader.size();
        if (!size.isValid()) return {};
        drawings.push_back({path, size.width()});
    }
    std::sort(drawings.begin(), drawings.end(), [](const auto& a, const auto& b) { return a.size < b.size; });
    return QIcon(new PngIconEngine(std::move(drawings)));
}

}  // namespace

QImage ReadImageResource(const QString& path, const char* format) {
    QImageReader reader(path, format);
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QIcon LoadIconResource(int number) { return FromResources({QString::number(number)}); }

QIcon MainWindowIcon() { return FromResources({QStringLiteral("main")}); }

QIcon ControlCenterIcon() { return FromResources({QStringLiteral("setup")}); }

QIcon ApplicationIcon() {
    // The 16 px drawing is a design of its own, not the 32 px one scaled down.
    return FromResources({QStringLiteral("voltara-16"), QStringLiteral("voltara")});
}
