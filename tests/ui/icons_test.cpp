// SPDX-License-Identifier: GPL-3.0-or-later
// The compiled-in icons and the hand cursor: every resource the program loads by name
// exists, renders at the sizes the displays ask for, and shows what it stands for.
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSvgRenderer>
#include <QTest>

#include "HandCursor.h"

namespace {

template <typename Predicate>
int CountPixels(const QPixmap& pixmap, Predicate counts) {
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += counts(image.pixel(x, y));
    return n;
}

bool Opaque(QRgb p) { return qAlpha(p) > 0; }
// The charge colour of the status icons.
bool Blue(QRgb p) { return qAlpha(p) == 255 && qBlue(p) > 200 && qRed(p) < 90 && qGreen(p) > 90 && qGreen(p) < 160; }

QString StatusIcon(int number, int size) {
    return QStringLiteral(":/icons/%1.svg").arg(size == 16 ? number : number - 1);
}

}  // namespace

class IconsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Q_INIT_RESOURCE(voltara); }

    void rendersAtEverySize_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("designSize");
        for (int n : {1011, 1021, 1031, 1041, 1051, 1061, 1071, 1081, 1091, 1101, 1201, 1211, 1301}) {
            QTest::addRow("%d", n) << StatusIcon(n, 16) << 16;
            QTest::addRow("%d", n - 1) << StatusIcon(n, 32) << 32;
        }
        QTest::addRow("main") << QStringLiteral(":/icons/main.svg") << 16;
        QTest::addRow("setup") << QStringLiteral(":/icons/setup.svg") << 16;
        QTest::addRow("voltara") << QStringLiteral(":/icons/voltara.svg") << 32;
        QTest::addRow("voltara-16") << QStringLiteral(":/icons/voltara-16.svg") << 16;
    }

    void rendersAtEverySize() {
        QFETCH(QString, path);
        QFETCH(int, designSize);
        QCOMPARE(QSvgRenderer(path).viewBox(), QRect(0, 0, designSize, designSize));
        for (int size : {16, 32}) {
            const QPixmap pixmap = QIcon(path).pixmap(QSize(size, size));
            QCOMPARE(pixmap.size(), QSize(size, size));
            QVERIFY(CountPixels(pixmap, Opaque) > size * size / 5);
        }
        // A high-density panel gets a drawing at twice the pixels, not a blown-up one.
        const QPixmap dense = QIcon(path).pixmap(QSize(16, 16), 2.0);
        QCOMPARE(dense.deviceIndependentSize(), QSizeF(16, 16));
        QCOMPARE(dense.size(), QSize(32, 32));
        QVERIFY(CountPixels(dense, Opaque) > 32 * 32 / 5);
    }

    void chargeFillRisesWithTheBand() {
        for (int size : {16, 32}) {
            int previous = CountPixels(QIcon(StatusIcon(1011, size)).pixmap(size), Blue);
            for (int n = 1021; n <= 1101; n += 10) {
                const int blue = CountPixels(QIcon(StatusIcon(n, size)).pixmap(size), Blue);
                QVERIFY2(blue > previous, qPrintable(StatusIcon(n, size)));
                previous = blue;
            }
        }
    }

    void handCursorIsMonochromeWithTheFingertipAtItsHotSpot() {
        const QPixmap hand(QString::fromLatin1(HandCursorResource));
        QCOMPARE(hand.size(), QSize(32, 32));
        QCOMPARE(hand.toImage().pixel(HandCursorHotSpotX, HandCursorHotSpotY), qRgb(0, 0, 0));
        const auto black = [](QRgb p) { return p == qRgb(0, 0, 0); };
        const auto white = [](QRgb p) { return p == qRgb(255, 255, 255); };
        QVERIFY(CountPixels(hand, black) > 0 && CountPixels(hand, white) > 0);
        QCOMPARE(CountPixels(hand, black) + CountPixels(hand, white), CountPixels(hand, Opaque));
    }
};

QTEST_MAIN(IconsTest)
#include "icons_test.moc"
