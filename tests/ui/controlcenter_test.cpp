#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include "support/ShellFixture.h"
#include "settings/frmSetup.h"

using reg::Hive;

namespace {

const QString WarningLeave = "The range for low battery warning is between 1 and 99.";
const QString WarningPercentOk = "The range for low battery warning percent is between 1 and 99.";
const QString WarningTimeOk = "The range for low battery warning time is between 1 and 99.";
const QString PercentInform = "The range for percentage informing is between, and include, 1 and 100.";

// The main window on fakes with the Control Center opened over it, as the menu opens it.
struct SetupFixture : ShellFixture {
    QPointer<frmSetup> dialog;

    frmSetup* open() {
        if (!main) load();
        main->sbjControlCenter_Click();
        dialog = main->findChild<frmSetup*>();
        if (dialog && !QTest::qWaitForWindowActive(dialog)) return nullptr;
        return dialog;
    }
    QStringList stored() const {
        QStringList values;
        for (const char* name : {"Low Warning Percent", "Low Warning Time", "Percent Inform", "Percent Inform Percent",
                                 "AC Off", "AC On"})
            values << user(regkeys::ControlCenter, name);
        return values;
    }
    bool nothingStored() const { return stored() == QStringList(6, QStringLiteral("<missing>")); }
    // The dialog has closed and gone.
    bool closed() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return dialog.isNull();
    }
};

void Type(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

// Moves the focus on with Tab, as the user leaves a field, and lets the leave check run.
void Leave(QLineEdit* field) {
    QTest::keyClick(field, Qt::Key_Tab);
    QCoreApplication::processEvents();
}

bool WholeTextSelected(QLineEdit* field) {
    return field->hasFocus() && field->selectedText() == field->text() && field->cursorPosition() == field->text().size();
}

}  // namespace

class ControlCenterTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { Q_INIT_RESOURCE(voltara); }
    void firstOpeningShowsTens();
    void storedValuesAreShown_data();
    void storedValuesAreShown();
    void warningLeaveCheck_data();
    void warningLeaveCheck();
    void percentageLeaveCheck();
    void okRefusesFirstBadField_data();
    void okRefusesFirstBadField();
    void okAppliesThenStores();
    void fractionAndOverflowAreSound();
    void enterRunsOkEscapeCancels();
    void clickingOkOrCancelOverABadField();
    void accessKeysAndTypingLimits();
    void openingTwiceKeepsTypedText();
};

void ControlCenterTest::firstOpeningShowsTens() {
    SetupFixture f;
    frmSetup* d = f.open();
    QVERIFY(d);
    QCOMPARE(d->windowTitle(), QString("Control Center"));
    QCOMPARE(d->txtLowWarningPercent->text(), QString("10"));
    QCOMPARE(d->txtLowWarningTime->text(), QString("10"));
    QCOMPARE(d->txtPercentInform->text(), QString("10"));
    QVERIFY(!d->chkPercentInform->isChecked());
    QVERIFY(!d->txtPercentInform->isEnabled() && !d->lblPrompt[2]->isEnabled());
    QVERIFY(!d->chkACOff->isChecked() && !d->chkACOn->isChecked());
    QVERIFY(WholeTextSelected(d->txtLowWarningPercent));

    d->cmdCancel->click();
    QVERIFY(f.closed());
    QTRY_COMPARE(QApplication::activeWindow(), f.main.get());
    QVERIFY(f.nothingStored());
    const NotificationSettings& s = f.main->Settings;
    QVERIFY(!s.ACon && !s.ACoff && !s.PercentInform);
    QCOMPARE(s.LowWarningPercent + s.LowWarningTime + s.PercentInformPercent, 0);
    QVERIFY(f.boxes.shown.empty());
}

void ControlCenterTest::storedValuesAreShown_data() {
    QTest::addColumn<QString>("percent");
    QTest::addColumn<QString>("inform");
    QTest::addColumn<QString>("informAt");
    QTest::addColumn<QString>("acOff");
    QTest::addColumn<QString>("shownPercent");
    QTest::addColumn<bool>("informTicked");
    QTest::addColumn<QString>("shownInformAt");
    QTest::addColumn<bool>("acOffTicked");
    QTest::newRow("as stored") << "20" << "1" << "80" << "1" << "20" << true << "80" << true;
    QTest::newRow("bounds") << "99" << "0" << "100" << "0" << "99" << false << "100" << false;
    QTest::newRow("out of range") << "100" << "1" << "101" << "1" << "10" << true << "10" << true;
    QTest::newRow("no number") << "abc" << "True" << "" << "x" << "10" << false << "10" << false;
    QTest::newRow("5 and a letter") << "5x" << "2" << "7e1" << "7" << "5x" << false << "7e1" << false;
    QTest::newRow("longer than typing allows") << "1E1" << "1" << "&H64" << "1" << "1E1" << true << "&H64" << true;
}

void ControlCenterTest::storedValuesAreShown() {
    QFETCH(QString, percent);
    QFETCH(QString, inform);
    QFETCH(QString, informAt);
    QFETCH(QString, acOff);
    SetupFixture f;
    f.putUser(regkeys::ControlCenter, "Low Warning Percent", percent.toLatin1());
    f.putUser(regkeys::ControlCenter, "Percent Inform", inform.toLatin1());
    f.putUser(regkeys::ControlCenter, "Percent Inform Percent", informAt.toLatin1());
    f.putUser(regkeys::ControlCenter, "AC Off", acOff.toLatin1());
    f.putUser(regkeys::ControlCenter, "AC On", "1");
    frmSetup* d = f.open();
    QVERIFY(d);
    QTEST(d->txtLowWarningPercent->text(), "shownPercent");
    QTEST(d->chkPercentInform->isChecked(), "informTicked");
    QTEST(d->txtPercentInform->isEnabled(), "informTicked");
    QTEST(d->lblPrompt[2]->isEnabled(), "informTicked");
    QTEST(d->txtPercentInform->text(), "shownInformAt");
    QTEST(d->chkACOff->isChecked(), "acOffTicked");
    QVERIFY(d->chkACOn->isChecked());
}

void ControlCenterTest::warningLeaveCheck_data() {
    QTest::addColumn<bool>("minutes");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("after");
    for (bool minutes : {false, true}) {
        const char* f = minutes ? "minutes " : "percent ";
        QTest::addRow("%s99", f) << minutes << "99" << true << "99";
        QTest::addRow("%s98", f) << minutes << "98" << false << "98";
        QTest::addRow("%s1", f) << minutes << "1" << false << "1";
        QTest::addRow("%s0", f) << minutes << "0" << true << "0";
        QTest::addRow("%sletters", f) << minutes << "ab" << true << "ab";
        QTest::addRow("%sminus", f) << minutes << "-" << true << "-";
        QTest::addRow("%sempty", f) << minutes << "" << false << "10";
        QTest::addRow("%sfive and a letter", f) << minutes << "5x" << false << "5x";
        QTest::addRow("%shalf", f) << minutes << ".5" << false << ".5";
    }
}

void ControlCenterTest::warningLeaveCheck() {
    QFETCH(bool, minutes);
    QFETCH(QString, typed);
    QFETCH(bool, refused);
    SetupFixture f;
    frmSetup* d = f.open();
    QVERIFY(d);
    QLineEdit* field = minutes ? d->txtLowWarningTime : d->txtLowWarningPercent;
    Type(field, typed);
    Leave(field);
    QTEST(field->text(), "after");
    if (refused) {
        QCOMPARE(f.boxes.texts(), QStringList{WarningLeave});
        QCOMPARE(f.boxes.shown[0].title, QString("Voltara"));
        QCOMPARE(f.boxes.shown[0].icon, MessageBoxes::Icon::Exclamation);
        QVERIFY(WholeTextSelected(field));
    } else {
        QVERIFY(f.boxes.shown.empty());
        QVERIFY(!field->hasFocus());
    }
    QVERIFY(f.nothingStored());
}

void ControlCenterTest::percentageLeaveCheck() {
    SetupFixture f;
    f.putUser(regkeys::ControlCenter, "Percent Inform", "1");
    frmSetup* d = f.open();
    QVERIFY(d);
    Type(d->txtPercentInform, "100");
    Leave(d->txtPercentInform);
    QVERIFY(f.boxes.shown.empty());

    Type(d->txtPercentInform, "101");
    Leave(d->txtPercentInform);
    QCOMPARE(f.boxes.texts(), QStringList{PercentInform});
    QVERIFY(WholeTextSelected(d->txtPercentInform));

    // Emptied: no message, and the box that switches informing can no longer be changed.
    Type(d->txtPercentInform, "");
    Leave(d->txtPercentInform);
    QCOMPARE(f.boxes.shown.size(), std::size_t(1));
    QVERIFY(!d->chkPercentInform->isEnabled());
    QVERIFY(d->chkPercentInform->isChecked());
    QVERIFY(d->txtPercentInform->isEnabled());
    QCOMPARE(d->txtPercentInform->text(), QString());

    // Ok then refuses the field (its normal form is 0) until a number from 1 to 100 is in it.
    d->cmdFinish->click();
    QCOMPARE(f.boxes.texts().last(), PercentInform);
    QCOMPARE(d->txtPercentInform->text(), QString("0"));
    QVERIFY(WholeTextSelected(d->txtPercentInform));
    Type(d->txtPercentInform, "50");
    d->cmdFinish->click();
    QVERIFY(f.closed());
    QCOMPARE(f.user(regkeys::ControlCenter, "Percent Inform Percent"), QString("50"));
}

void ControlCenterTest::okRefusesFirstBadField_data() {
    QTest::addColumn<QString>("percent");
    QTest::addColumn<QString>("minutes");
    QTest::addColumn<bool>("inform");
    QTest::addColumn<QString>("informAt");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("field");  // 0 percent, 1 minutes, 2 informing percentage
    QTest::newRow("percent first") << "0" << "0" << true << "0" << WarningPercentOk << 0;
    QTest::newRow("99") << "99" << "10" << false << "10" << WarningPercentOk << 0;
    QTest::newRow("minutes") << "98" << "99" << true << "0" << WarningTimeOk << 1;
    QTest::newRow("minutes negative") << "1" << "-5" << false << "10" << WarningTimeOk << 1;
    QTest::newRow("informing 101") << "10" << "10" << true << "101" << PercentInform << 2;
    QTest::newRow("informing below 1") << "10" << "10" << true << ".9" << PercentInform << 2;
}

void ControlCenterTest::okRefusesFirstBadField() {
    QFETCH(QString, percent);
    QFETCH(QString, minutes);
    QFETCH(bool, inform);
    QFETCH(QString, informAt);
    QFETCH(QString, message);
    QFETCH(int, field);
    SetupFixture f;
    f.putUser(regkeys::ControlCenter, "Percent Inform", inform ? "1" : "0");
    frmSetup* d = f.open();
    QVERIFY(d);
    d->txtLowWarningPercent->setText(percent);
    d->txtLowWarningTime->setText(minutes);
    d->txtPercentInform->setText(informAt);
    const NotificationSettings before = f.main->Settings;
    const QStringList storedBefore = f.stored();
    QLineEdit* fields[] = {d->txtLowWarningPercent, d->txtLowWarningTime, d->txtPercentInform};

    // Enter in the field that has the focus: no leave check, Ok judges all three.
    QVERIFY(d->txtLowWarningPercent->hasFocus());
    QTest::keyClick(d->txtLowWarningPercent, Qt::Key_Return);
    QCOMPARE(f.boxes.texts(), QStringList{message});
    QCOMPARE(f.boxes.shown[0].icon, MessageBoxes::Icon::Exclamation);
    QVERIFY(WholeTextSelected(fields[field]));
    QVERIFY(!f.closed());
    QCOMPARE(f.stored(), storedBefore);
    QCOMPARE(f.main->Settings.LowWarningPercent, before.LowWarningPercent);
    QCOMPARE(f.main->Settings.PercentInform, before.PercentInform);
}

void ControlCenterTest::okAppliesThenStores() {
    SetupFixture f;
    frmSetup* d = f.open();
    QVERIFY(d);
    Type(d->txtLowWarningPercent, "07");
    Type(d->txtLowWarningTime, "5x");
    d->chkPercentInform->click();
    Type(d->txtPercentInform, "100");
    d->chkACOff->click();
    // Applied before stored: a store that cannot be written still changes the settings.
    f.store.DeleteKey(Hive::CurrentUser, regkeys::ControlCenter);
    d->cmdFinish->click();
    QVERIFY(f.closed());
    const NotificationSettings& s = f.main->Settings;
    QCOMPARE(int(s.LowWarningPercent), 7);
    QCOMPARE(int(s.LowWarningTime), 5);
    QVERIFY(s.PercentInform);
    QCOMPARE(int(s.PercentInformPercent), 100);
    QVERIFY(s.ACoff && !s.ACon);
    QVERIFY(!f.store.HasKey(Hive::CurrentUser, regkeys::ControlCenter));  // not created here

    SetupFixture g;
    d = g.open();
    QVERIFY(d);
    Type(d->txtLowWarningPercent, "07");
    Type(d->txtLowWarningTime, "5x");
    d->chkACOn->click();
    d->cmdFinish->click();
    QVERIFY(g.closed());
    const std::pair<const char*, const char*> stored[] = {{"Low Warning Percent", "7"}, {"Low Warning Time", "5"},
                                                          {"Percent Inform", "0"},      {"Percent Inform Percent", "10"},
                                                          {"AC Off", "0"},              {"AC On", "1"}};
    for (const auto& [name, text] : stored) QCOMPARE(g.user(regkeys::ControlCenter, name), QString(text));
    QVERIFY(g.main->Settings.ACon);
    QVERIFY(g.boxes.shown.empty());

    // The next opening reads the stored values afresh.
    d = g.open();
    QVERIFY(d);
    QCOMPARE(d->txtLowWarningPercent->text(), QString("7"));
    QVERIFY(d->chkACOn->isChecked());
}

void ControlCenterTest::fractionAndOverflowAreSound() {
    SetupFixture f;
    frmSetup* d = f.open();
    QVERIFY(d);
    Type(d->txtLowWarningPercent, ".5");
    Leave(d->txtLowWarningPercent);
    QVERIFY(f.boxes.shown.empty());
    Type(d->txtLowWarningTime, "2.5");  // two characters at most: "2."
    QCOMPARE(d->txtLowWarningTime->text(), QString("2."));
    d->chkPercentInform->click();
    Type(d->txtPercentInform, "9E9");
    // The access key takes the focus to the box (the field's check refuses it) and still
    // switches informing off; then any text in the field passes Ok.
    QTest::keyClick(d, Qt::Key_N, Qt::AltModifier);
    QTRY_VERIFY(!d->chkPercentInform->isChecked());
    QVERIFY(!d->txtPercentInform->isEnabled());
    d->cmdFinish->click();
    QVERIFY(f.closed());
    QCOMPARE(f.boxes.texts(), QStringList{PercentInform});
    QCOMPARE(int(f.main->Settings.LowWarningPercent), 0);  // halves go to the even neighbour
    QCOMPARE(int(f.main->Settings.LowWarningTime), 2);
    QCOMPARE(f.user(regkeys::ControlCenter, "Low Warning Percent"), QString(".5"));
    QCOMPARE(f.user(regkeys::ControlCenter, "Low Warning Time"), QString("2"));
    // Far beyond a 16-bit setting: stored as typed, held as 0 (what the next start reads).
    QCOMPARE(f.user(regkeys::ControlCenter, "Percent Inform Percent"), QString("9000000000"));
    QCOMPARE(int(f.main->Settings.PercentInformPercent), 0);

    d = f.open();
    QVERIFY(d);
    // Both are out of the range the opening shows.
    QCOMPARE(d->txtLowWarningPercent->text(), QString("10"));
    QCOMPARE(d->txtPercentInform->text(), QString("10"));
}

void ControlCenterTest::enterRunsOkEscapeCancels() {
    SetupFixture f;
    frmSetup* d = f.open();
    QVERIFY(d);
    Type(d->txtLowWarningTime, "30");
    QTest::keyClick(d->txtLowWarningTime, Qt::Key_Escape);
    QVERIFY(f.closed());
    QVERIFY(f.nothingStored());
    QCOMPARE(int(f.main->Settings.LowWarningTime), 0);

    d = f.open();
    QVERIFY(d);
    QCOMPARE(d->txtLowWarningTime->text(), QString("10"));
    Type(d->txtLowWarningTime, "30");
    QTest::keyClick(d->txtLowWarningTime, Qt::Key_Return);
    QVERIFY(f.closed());
    QCOMPARE(f.user(regkeys::ControlCenter, "Low Warning Time"), QString("30"));
    QCOMPARE(int(f.main->Settings.LowWarningTime), 30);
    QVERIFY(f.boxes.shown.empty());
}

// The toolkit delivers the focus change of a click before the click itself. A field whose
// leave check refuses it keeps the focus and the click on Ok is dropped, so the user sees
// one message, not two. Cancel takes the focus without a check: it can always close.
void ControlCenterTest::clickingOkOrCancelOverABadField() {
    SetupFixture f;
    frmSetup* d = f.open();
    QVERIFY(d);
    Type(d->txtLowWarningPercent, "99");
    QTest::mouseClick(d->cmdFinish, Qt::LeftButton);
    QCoreApplication::processEvents();
    QCOMPARE(f.boxes.texts(), QStringList{WarningLeave});
    QVERIFY(WholeTextSelected(d->txtLowWarningPercent));
    QVERIFY(!f.closed());
    QVERIFY(f.nothingStored());

    // A field whose check passes lets the click through.
    Type(d->txtLowWarningPercent, "");
    QTest::mouseClick(d->cmdFinish, Qt::LeftButton);
    QCoreApplication::processEvents();
    QVERIFY(f.closed());
    QCOMPARE(f.user(regkeys::ControlCenter, "Low Warning Percent"), QString("10"));
    QCOMPARE(f.boxes.shown.size(), std::size_t(1));

    d = f.open();
    QVERIFY(d);
    Type(d->txtLowWarningTime, "0");
    QTest::mouseClick(d->cmdCancel, Qt::LeftButton);
    QCoreApplication::processEvents();
    QVERIFY(f.closed());
    QCOMPARE(f.boxes.shown.size(), std::size_t(1));
    QCOMPARE(f.user(regkeys::ControlCenter, "Low Warning Time"), QString("10"));
}

void ControlCenterTest::accessKeysAndTypingLimits() {
    SetupFixture f;
    f.putUser(regkeys::ControlCenter, "Percent Inform", "1");
    frmSetup* d = f.open();
    QVERIFY(d);
    const std::pair<Qt::Key, QLineEdit*> keys[] = {
        {Qt::Key_T, d->txtLowWarningTime}, {Qt::Key_F, d->txtPercentInform}, {Qt::Key_I, d->txtLowWarningPercent}};
    for (const auto& [key, field] : keys) {
        QTest::keyClick(d, key, Qt::AltModifier);
        QVERIFY2(field->hasFocus(), qPrintable(field->objectName()));
    }
    const std::pair<QLineEdit*, QString> limits[] = {
        {d->txtLowWarningPercent, "12"}, {d->txtLowWarningTime, "12"}, {d->txtPercentInform, "123"}};
    for (const auto& [field, kept] : limits) {
        Type(field, "12345");
        QCOMPARE(field->text(), kept);
    }
}

void ControlCenterTest::openingTwiceKeepsTypedText() {
    SetupFixture f;
    frmSetup* d = f.open();
    QVERIFY(d);
    Type(d->txtLowWarningTime, "42");
    QCOMPARE(f.open(), d);
    QCOMPARE(d->txtLowWarningTime->text(), QString("42"));
    QCOMPARE(f.main->findChildren<frmSetup*>().size(), 1);
}

QTEST_MAIN(ControlCenterTest)
#include "controlcenter_test.moc"
