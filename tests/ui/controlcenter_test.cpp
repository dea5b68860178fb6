// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include "IconResources.h"
#include "frmSetup.h"
#include "support/LayoutChecks.h"
#include "support/ShellFixture.h"

namespace {
const QString Leave99 = "The range for low battery warning is between 1 and 99.";
const QString OkPercent = "The range for low battery warning percent is between 1 and 99.";
const QString OkTime = "The range for low battery warning time is between 1 and 99.";
const QString Inform = "The range for percentage informing is between, and include, 1 and 100.";
const char* const Names[] = {"Low Warning Percent",    "Low Warning Time", "Percent Inform",
                             "Percent Inform Percent", "AC Off",           "AC On"};

// The main window on fakes with the Control Center opened from its menu.
struct Fixture : ShellFixture {
    QPointer<frmSetup> d;
    frmSetup* open(const QStringList& stored = {}) {
        for (int i = 0; i < stored.size(); ++i)
            if (!stored[i].isNull()) putUser(regkeys::ControlCenter, Names[i], stored[i].toLatin1());
        return d = ShellFixture::open<frmSetup>(&frmMain::sbjControlCenter_Click);
    }
    QLineEdit* field(int i) const {
        return i == 0 ? d->txtLowWarningPercent : i == 1 ? d->txtLowWarningTime : d->txtPercentInform;
    }
    QStringList stored() const {
        QStringList values;
        for (const char* name : Names) values << user(regkeys::ControlCenter, name);
        return values;
    }
    bool closed() { return gone(d); }
};

void Type(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

bool WholeTextSelected(QLineEdit* field) {
    return field->hasFocus() && field->selectedText() == field->text() &&
           field->cursorPosition() == field->text().size();
}
}  // namespace

class ControlCenterTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { Q_INIT_RESOURCE(voltara); }
    void opening_data();
    void opening();
    void leaveCheck_data();
    void leaveCheck();
    void ok_data();
    void ok();
    void keysAndClicks();
    void sentencesReadAroundTheirFields();
};

void ControlCenterTest::opening_data() {
    QTest::addColumn<QStringList>("stored");  // the six values, in the order of Names
    QTest::addColumn<QStringList>("shown");   // three texts, then the three boxes as 0 or 1
    QTest::newRow("first opening") << QStringList() << QStringList{"10", "10", "10", "0", "0", "0"};
    QTest::newRow("as stored") << QStringList{"20", "15", "1", "80", "1", "0"}
                               << QStringList{"20", "15", "80", "1", "1", "0"};
    QTest::newRow("edges") << QStringList{"99", "1", "0", "100", "0", "1"}
                           << QStringList{"99", "1", "100", "0", "0", "1"};
    QTest::newRow("out of range") << QStringList{"100", "0", "2", "101", "7", "True"}
                                  << QStringList{"10", "10", "10", "0", "0", "0"};
    QTest::newRow("leading numbers, longer than typing allows")
        << QStringList{"5x", "1E1", "1", "&H64", "1", "1"} << QStringList{"5x", "1E1", "&H64", "1", "1", "1"};
}

void ControlCenterTest::opening() {
    QFETCH(QStringList, stored);
    QFETCH(QStringList, shown);
    Fixture f;
    QVERIFY(f.open(stored));
    for (int i = 0; i < 3; ++i) QCOMPARE(f.field(i)->text(), shown[i]);
    const bool informing = shown[3] == "1";
    QCOMPARE(f.d->chkPercentInform->isChecked(), informing);
    QCOMPARE(f.d->txtPercentInform->isEnabled(), informing);
    QCOMPARE(f.d->lblPrompt[2]->isEnabled(), informing);
    QCOMPARE(f.d->chkACOff->isChecked(), shown[4] == "1");
    QCOMPARE(f.d->chkACOn->isChecked(), shown[5] == "1");
    QVERIFY(WholeTextSelected(f.d->txtLowWarningPercent));
}

void ControlCenterTest::leaveCheck_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");  // empty: accepted
    QTest::addColumn<QString>("after");
    for (int i : {0, 1}) {
        QTest::addRow("%d: 99", i) << i << "99" << Leave99 << "99";
        QTest::addRow("%d: 98", i) << i << "98"
                                   << ""
                                   << "98";
        QTest::addRow("%d: 0", i) << i << "0" << Leave99 << "0";
        QTest::addRow("%d: letters", i) << i << "ab" << Leave99 << "ab";
        QTest::addRow("%d: minus", i) << i << "-" << Leave99 << "-";
        QTest::addRow("%d: emptied", i) << i << ""
                                        << ""
                                        << "10";
        QTest::addRow("%d: 5 and a letter", i) << i << "5x"
                                               << ""
                                               << "5x";
        QTest::addRow("%d: half", i) << i << ".5"
                                     << ""
                                     << ".5";
    }
    QTest::newRow("2: 100") << 2 << "100"
                            << ""
                            << "100";
    QTest::newRow("2: 101") << 2 << "101" << Inform << "101";
    QTest::newRow("2: emptied") << 2 << ""
                                << ""
                                << "";
}

void ControlCenterTest::leaveCheck() {
    QFETCH(int, field);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    Fixture f;
    QVERIFY(f.open({{}, {}, "1"}));
    Type(f.field(field), typed);
    QTest::keyClick(f.field(field), Qt::Key_Tab);
    QCoreApplication::processEvents();
    QTEST(f.field(field)->text(), "after");
    QCOMPARE(f.boxes.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (!message.isEmpty()) {
        QCOMPARE(f.boxes.shown[0].title, QString("Voltara"));
        QCOMPARE(f.boxes.shown[0].icon, MessageBoxes::Icon::Exclamation);
    }
    QCOMPARE(WholeTextSelected(f.field(field)), !message.isEmpty());
    // An emptied percentage freezes the box that switches informing, ticked as it was.
    QCOMPARE(f.d->chkPercentInform->isEnabled(), !(field == 2 && typed.isEmpty()));
    QVERIFY(f.d->chkPercentInform->isChecked());
}

void ControlCenterTest::ok_data() {
    QTest::addColumn<QStringList>("typed");   // the three fields, then informing "1" or "0"
    QTest::addColumn<QString>("message");     // empty: applied and stored
    QTest::addColumn<int>("refused");         // the field that gets the focus back
    QTest::addColumn<QList<int>>("members");  // percent, minutes, informing percent
    QTest::addColumn<QStringList>("stored");  // the six values
    const QList<int> none;
    QTest::newRow("percent first") << QStringList{"0", "0", "0", "1"} << OkPercent << 0 << none << QStringList();
    QTest::newRow("99") << QStringList{"99", "10", "10", "0"} << OkPercent << 0 << none << QStringList();
    QTest::newRow("minutes") << QStringList{"98", "-5", "0", "1"} << OkTime << 1 << none << QStringList();
    QTest::newRow("101") << QStringList{"10", "10", "101", "1"} << Inform << 2 << none << QStringList();
    QTest::newRow("emptied informing") << QStringList{"10", "10", "", "1"} << Inform << 2 << none << QStringList();
    QTest::newRow("normal forms, halves to even") << QStringList{".5", "5x", "07", "1"} << "" << 0
                                                  << QList<int>{0, 5, 7} << QStringList{".5", "5", "1", "7", "0", "0"};
    // Informing off: any percentage passes; one beyond 16 bits is held as 0, as the next
    // start would read it.
    QTest::newRow("informing off") << QStringList{"98", "1", "9E9", "0"} << "" << 0 << QList<int>{98, 1, 0}
                                   << QStringList{"98", "1", "0", "9000000000", "0", "0"};
}

void ControlCenterTest::ok() {
    QFETCH(QStringList, typed);
    QFETCH(QString, message);
    QFETCH(QList<int>, members);
    Fixture f;
    QVERIFY(f.open({{}, {}, typed[3]}));
    for (int i = 0; i < 3; ++i) f.field(i)->setText(typed[i]);
    QTest::keyClick(f.d->txtLowWarningPercent, Qt::Key_Return);  // Enter in a field: no leave check
    if (!message.isEmpty()) {
        QFETCH(int, refused);
        QCOMPARE(f.boxes.texts(), QStringList{message});
        QVERIFY(WholeTextSelected(f.field(refused)));
        QVERIFY(!f.closed());
        QCOMPARE(int(f.main->Settings.LowWarningPercent), 0);
        QStringList kept = f.stored();
        kept.removeAt(2);  // "Percent Inform", put there before opening
        QCOMPARE(kept, QStringList(5, "<missing>"));
        return;
    }
    QVERIFY(f.closed());
    const NotificationSettings& s = f.main->Settings;
    QCOMPARE((QList<int>{s.LowWarningPercent, s.LowWarningTime, s.PercentInformPercent}), members);
    QCOMPARE(s.PercentInform, typed[3] == "1");
    QTEST(f.stored(), "stored");
    QTRY_COMPARE(QApplication::activeWindow(), f.main.get());
}

// A click takes the focus before it clicks. A refused field keeps the focus and the click
// on Ok is dropped: one message, not two. Cancel takes the focus without a check, so it
// can always close; Escape cancels too, and nothing is kept.
void ControlCenterTest::keysAndClicks() {
    Fixture f;
    QVERIFY(f.open());
    Type(f.d->txtLowWarningPercent, "99");
    QTest::mouseClick(f.d->cmdFinish, Qt::LeftButton);
    QCoreApplication::processEvents();
    QCOMPARE(f.boxes.texts(), QStringList{Leave99});
    QVERIFY(WholeTextSelected(f.d->txtLowWarningPercent));
    Type(f.d->txtLowWarningPercent, "");  // emptied: becomes 10 as the click leaves it
    f.d->chkACOn->click();
    QTest::mouseClick(f.d->cmdFinish, Qt::LeftButton);
    QVERIFY(f.closed());
    QCOMPARE(f.stored(), (QStringList{"10", "10", "0", "10", "0", "1"}));
    QVERIFY(f.main->Settings.ACon);

    for (bool escape : {false, true}) {
        QVERIFY(f.open());
        Type(f.d->txtLowWarningTime, "0");
        f.d->chkACOn->click();
        if (escape)
            QTest::keyClick(f.d->txtLowWarningTime, Qt::Key_Escape);
        else
            QTest::mouseClick(f.d->cmdCancel, Qt::LeftButton);
        QVERIFY(f.closed());
    }
    QCOMPARE(f.boxes.shown.size(), std::size_t(1));
    QCOMPARE(f.stored(), (QStringList{"10", "10", "0", "10", "0", "1"}));
    QVERIFY(f.main->Settings.ACon);

    QVERIFY(f.open());
    QTest::keyClick(f.d, Qt::Key_T, Qt::AltModifier);  // a label's access key: its field
    QVERIFY(f.d->txtLowWarningTime->hasFocus());
    Type(f.d->txtLowWarningTime, "123");
    QCOMPARE(f.d->txtLowWarningTime->text(), QString("12"));
    QCOMPARE(f.open(), f.d.data());  // opened again: the same dialog, as typed
    QCOMPARE(f.d->txtLowWarningTime->text(), QString("12"));
}

// An icon of its own; every caption is whole, and each field covers the blanks of its
// label, between the words before it and the unit after it.
void ControlCenterTest::sentencesReadAroundTheirFields() {
    Fixture f;
    QVERIFY(f.open());
    const QImage icon = f.d->windowIcon().pixmap(16).toImage();
    QVERIFY(!icon.isNull());
    QVERIFY(icon != ApplicationIcon().pixmap(16).toImage() && icon != MainWindowIcon().pixmap(16).toImage());
    QCOMPARE(CutTexts(f.d), QStringList());
    for (int i = 0; i < 3; ++i) {
        const QLabel* label = f.d->lblPrompt[i];
        const QString caption = QString(label->text()).remove('&');
        const QFontMetrics metrics = label->fontMetrics();
        const int wordsEnd = label->x() + metrics.horizontalAdvance(caption.left(caption.indexOf("  ")));
        const int unitStart = label->x() + metrics.horizontalAdvance(caption.left(caption.lastIndexOf(' ') + 1));
        QVERIFY2(f.field(i)->x() >= wordsEnd - 1, qPrintable(caption));
        QVERIFY2(f.field(i)->geometry().right() <= unitStart + 1, qPrintable(caption));
    }
}

QTEST_MAIN(ControlCenterTest)
#include "controlcenter_test.moc"
