// The compiled-in icons and the hand cursor: every resource the program loads by name
// exists, renders at the sizes the displays ask for, and shows what it stands for.
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSvgRenderer>
#include <QTest>

#include "windows/HandCursor.h"

namespace {

const int StatusNumbers[] = {1011, 1021, 1031, 1041, 1051, 1061, 1071, 1081, 1091, 1101, 1201, 1211, 1301};

int OpaquePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += qAlpha(image.pixel(x, y)) > 0;
    return count;
}

// The charge colour of the status icons.
int BluePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            count += qAlpha(p) == 255 && qBlue(p) > 200 && qRed(p) < 90 && qGreen(p) > 90 && qGreen(p) < 160;
        }
    }
    return count;
}

QImage Render(const QString& path, int size) {
    return QIcon(path).pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

class IconsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Q_INIT_RESOURCE(voltara); }

    void rendersAtEverySize_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("designSize");
        for (int n : StatusNumbers) {
            QTest::addRow("%d", n) << QStringLiteral(":/icons/%1.svg").arg(n) << 16;
            QTest::addRow("%d", n - 1) << QStringLiteral(":/icons/%1.svg").arg(n - 1) << 32;
        }
        QTest::addRow("main") << QStringLiteral(":/icons/main.svg") << 16;
        QTest::addRow("voltara") << QStringLiteral(":/icons/voltara.svg") << 32;
        QTest::addRow("voltara-16") << QStringLiteral(":/icons/voltara-16.svg") << 16;
    }

    void rendersAtEverySize() {
        QFETCH(QString, path);
        QFETCH(int, designSize);
        QSvgRenderer svg(path);
        QVERIFY2(svg.isValid(), qPrintable(path));
        QCOMPARE(svg.viewBox(), QRect(0, 0, designSize, designSize));

        const QIcon icon(path);
        for (int size : {16, 32}) {
            const QImage image = Render(path, size);
            QCOMPARE(image.size(), QSize(size, size));
            QVERIFY2(OpaquePixels(image) > size * size / 5, qPrintable(QStringLiteral("%1 at %2").arg(path).arg(size)));
        }
        // A high-density panel gets a drawing at twice the pixels, not a blown-up one.
        const QPixmap dense = icon.pixmap(QSize(16, 16), 2.0);
        QCOMPARE(dense.deviceIndependentSize(), QSizeF(16, 16));
        QCOMPARE(dense.size(), QSize(32, 32));
        QVERIFY(OpaquePixels(dense.toImage().convertToFormat(QImage::Format_ARGB32)) > 32 * 32 / 5);
    }

    void statusIconsAreAllDifferent() {
        for (int size : {16, 32}) {
            QList<QImage> seen;
            for (int n : StatusNumbers) {
                const QImage image = Render(QStringLiteral(":/icons/%1.svg").arg(size == 16 ? n : n - 1), size);
                QVERIFY2(!seen.contains(image), qPrintable(QStringLiteral("%1 repeats another icon").arg(n)));
                seen.append(image);
            }
        }
    }

    void chargeFillRisesWithTheBand() {
        for (int size : {16, 32}) {
            int previous = BluePixels(Render(QStringLiteral(":/icons/%1.svg").arg(size == 16 ? 1011 : 1010), size));
            for (int n = 1021; n <= 1101; n += 10) {
                const int blue = BluePixels(Render(QStringLiteral(":/icons/%1.svg").arg(size == 16 ? n : n - 1), size));
                QVERIFY2(blue > previous, qPrintable(QStringLiteral("%1 at %2 px: %3 <= %4").arg(n).arg(size).arg(blue).arg(previous)));
                previous = blue;
            }
        }
    }

    void handCursorIsMonochromeWithTheFingertipAtItsHotSpot() {
        const QImage hand = QImage(QString::fromLatin1(HandCursorResource)).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(hand.size(), QSize(32, 32));
        QCOMPARE(hand.pixel(HandCursorHotSpotX, HandCursorHotSpotY), qRgb(0, 0, 0));
        int black = 0;
        int white = 0;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                const QRgb p = hand.pixel(x, y);
                if (qAlpha(p) == 0) continue;
                QVERIFY(p == qRgb(0, 0, 0) || p == qRgb(255, 255, 255));
                (p == qRgb(0, 0, 0) ? black : white) += 1;
            }
        }
        QVERIFY(black > 0 && white > 0);
    }
};

QTEST_MAIN(IconsTest)
#include "icons_test.moc"
