// SPDX-License-Identifier: GPL-3.0-or-later
// The compiled-in icons and the hand cursor: every resource the program loads by name
// exists, renders at the sizes the displays ask for, and shows what it stands for.
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QTest>

#include "HandCursor.h"
#include "IconResources.h"

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

// The status icon of a number as the given size shows it: the odd numbers are the small
// icons, the even one before each its large icon.
QPixmap StatusIcon(int number, int size) { return LoadIconResource(size == 16 ? number : number - 1).pixmap(size); }

}  // namespace

class IconsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Q_INIT_RESOURCE(voltara); }

    void rendersAtEverySize_data() {
        QTest::addColumn<QIcon>("icon");
        QTest::addColumn<int>("designSize");
        for (int n : {1011, 1021, 1031, 1041, 1051, 1061, 1071, 1081, 1091, 1101, 1201, 1211, 1301}) {
            QTest::addRow("%d", n) << LoadIconResource(n) << 16;
            QTest::addRow("%d", n - 1) << LoadIconResource(n - 1) << 32;
        }
        QTest::addRow("main") << MainWindowIcon() << 16;
        QTest::addRow("setup") << ControlCenterIcon() << 16;
        QTest::addRow("application") << ApplicationIcon() << 16;
    }

    void rendersAtEverySize() {
        QFETCH(QIcon, icon);
        QFETCH(int, designSize);
        QVERIFY(!icon.isNull());
        for (int size : {16, 24, 32}) {  // the windows, the panels' own sizes
            const QPixmap pixmap = icon.pixmap(QSize(size, size));
            QCOMPARE(pixmap.size(), QSize(size, size));
            QVERIFY(CountPixels(pixmap, Opaque) > size * size / 5);
        }
        // A high-density screen gets a drawing at twice the pixels, not a blown-up one.
        const QSize design(designSize, designSize);
        const QPixmap dense = icon.pixmap(design, 2.0);
        QCOMPARE(dense.deviceIndependentSize(), QSizeF(design));
        QCOMPARE(dense.size(), design * 2);
        QVERIFY(CountPixels(dense, Opaque) > designSize * designSize * 4 / 5);
        const QImage blownUp =
            icon.pixmap(design).toImage().scaled(design * 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QVERIFY(dense.toImage().convertToFormat(blownUp.format()) != blownUp);
    }

    void chargeFillRisesWithTheBand() {
        for (int size : {16, 32}) {
            int previous = CountPixels(StatusIcon(1011, size), Blue);
            for (int n = 1021; n <= 1101; n += 10) {
                const int blue = CountPixels(StatusIcon(n, size), Blue);
                QVERIFY2(blue > previous, qPrintable(QString::number(n)));
                previous = blue;
            }
        }
    }

    // The 32 px window icon is the application's large drawing, not its small one at twice
    // the density; a number that names no icon gives none.
    void eachSizeGetsItsDrawing() {
        const QIcon icon = ApplicationIcon();
        QVERIFY(icon.pixmap(32).toImage() != icon.pixmap(QSize(16, 16), 2.0).toImage());
        QVERIFY(LoadIconResource(1012).isNull());
    }

    void handCursorIsMonochromeWithTheFingertipAtItsHotSpot() {
        const QPixmap hand = QPixmap::fromImage(ReadImageResource(QString::fromLatin1(HandCursorResource), "xpm"));
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
