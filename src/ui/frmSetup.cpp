// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmSetup.h"

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTimer>
#include <QValidator>
#include <array>
#include <limits>
#include <utility>

#include "IconResources.h"
#include "MessageBoxes.h"
#include "NumberRules.h"
#include "PowerEventRules.h"
#include "RegistryDatum.h"
#include "SystemColours.h"
#include "TwipsLayout.h"
#include "modRegistry.h"
#include "modTopMostWindow.h"

namespace {

constexpr const char* Title = "Voltara";
const char* const WarningLeaveMessage = "The range for low battery warning is between 1 and 99.";
const char* const WarningPercentMessage = "The range for low battery warning percent is between 1 and 99.";
const char* const WarningTimeMessage = "The range for low battery warning time is between 1 and 99.";
const char* const PercentInformMessage = "The range for percentage informing is between, and include, 1 and 100.";

double Leading(const QLineEdit* field) { return LeadingNumber(field->text().toStdString()); }
double Leading(const std::string& text) { return LeadingNumber(text); }

bool InWarningRange(double n) { return n > 0 && n < 99; }
bool InPercentRange(double n) { return n >= 1 && n <= 100; }

// The settings are 16-bit; a number beyond that (possible only in the percentage field
// while informing is off) counts as 0, as it would when read back at the next start.
std::int16_t SmallInteger(double n) {
    const double rounded = RoundHalfEven(n);
    if (rounded < std::numeric_limits<std::int16_t>::min() || rounded > std::numeric_limits<std::int16_t>::max())
        return 0;
    return static_cast<std::int16_t>(rounded);
}

// The user may type at most `limit` characters. A longer text the program put in the
// field stays whole; it may be shortened, not lengthened (as an edit control's limit).
class TypingLimit final : public QValidator {
public:
    TypingLimit(QLineEdit* field, int limit) : QValidator(field), limit_(limit), length_(field->text().size()) {
        connect(field, &QLineEdit::textChanged, this, [this](const QString& text) { length_ = text.size(); });
    }
    State validate(QString& input, int&) const override {
        return input.size() <= limit_ || input.size() < length_ ? Acceptable : Invalid;
    }

private:
    int limit_;
    qsizetype length_;
};

QString PlainCaption(const QString& caption) { return QString(caption).remove(QLatin1Char('&')).simplified(); }

}  // namespace

frmSetup::frmSetup(QWidget* main, modRegistry& registry, NotificationSettings& settings, MessageBoxes& boxes)
    : QDialog(main), main_(main), registry_(registry), settings_(settings), boxes_(boxes) {
    setObjectName(QStringLiteral("frmSetup"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QStringLiteral("Control Center"));
    setWindowIcon(ControlCenterIcon());
    PaintInMenuColour(this);
    QFont standard = font();
    standard.setPointSizeF(8.25);
    setFont(standard);
    TwipsLayout layout(this);

    fraBatteryLowWarning = new QGroupBox(QStringLiteral("Battery Low Warning"), this);
    layout.Add(fraBatteryLowWarning, 67, 15, 3810, 1095);
    fraBatteryPowerInforming = new QGroupBox(QStringLiteral("Battery Power Informing"), this);
    layout.Add(fraBatteryPowerInforming, 60, 1200, 3810, 960);
    fraACStatusChange = new QGroupBox(QStringLiteral("AC Power Status Change Informing"), this);
    layout.Add(fraACStatusChange, 60, 2250, 3810, 960);

    // Each label runs under its field: the blanks in the caption leave the room the
    // field covers, so the line reads as a sentence with the number in it. The field is
    // made after its label so that it lies on top.
    const auto prompt = [&layout](QGroupBox* frame, const char* caption, double left, double top, double width) {
        auto* label = new QLabel(QString::fromLatin1(caption), frame);
        layout.Add(label, left, top, width, 195);
        return label;
    };
    const auto field = [&layout](QGroupBox* frame, QLabel* label, int limit, double left, double top, double width) {
        auto* edit = new QLineEdit(frame);
        edit->setValidator(new TypingLimit(edit, limit));
        layout.Add(edit, left, top, width, 285);
        label->setBuddy(edit);
        edit->setAccessibleName(PlainCaption(label->text()));
        return edit;
    };
    const auto checkBox = [&layout](QGroupBox* frame, const char* caption, double top, double width, double height) {
        auto* box = new QCheckBox(QString::fromLatin1(caption), frame);
        layout.Add(box, 150, top, width, height);
        return box;
    };

    lblPrompt[0] = prompt(fraBatteryLowWarning, "&Inform me when battery power is less than        %", 210, 315, 3435);
    txtLowWarningPercent = field(fraBatteryLowWarning, lblPrompt[0], 2, 3210, 270, 300);
    lblPrompt[1] = prompt(fraBatteryLowWarning, "or when remaining &time is less than        min", 210, 735, 3045);
    txtLowWarningTime = field(fraBatteryLowWarning, lblPrompt[1], 2, 2700, 690, 300);

    chkPercentInform = checkBox(fraBatteryPowerInforming, "E&nabled Battery Percentage Informing", 240, 3030, 270);
    lblPrompt[2] = prompt(fraBatteryPowerInforming, "In&form me when Battery Power is          %", 420, 585, 2880);
    txtPercentInform = field(fraBatteryPowerInforming, lblPrompt[2], 3, 2775, 540, 390);
    lblPrompt[2]->setEnabled(false);
    txtPercentInform->setEnabled(false);

    chkACOff = checkBox(fraACStatusChange, "Info&rm me when AC Power is turned off", 255, 3135, 330);
    chkACOn = checkBox(fraACStatusChange, "Infor&m me when AC Power is turned on", 600, 3135, 330);

    cmdFinish = new QPushButton(QStringLiteral("&Ok"), this);
    layout.Add(cmdFinish, 2287, 3315, 915, 360);
    cmdFinish->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    layout.Add(cmdCancel, 772, 3315, 915, 360);

    layout.Apply(3945, 3780);
    PutOverBlanks(txtLowWarningPercent, lblPrompt[0]);
    PutOverBlanks(txtLowWarningTime, lblPrompt[1]);
    PutOverBlanks(txtPercentInform, lblPrompt[2]);

    const char* names[] = {"lblPrompt0", "lblPrompt1", "lblPrompt2"};
    for (int i = 0; i < 3; ++i) lblPrompt[i]->setObjectName(QString::fromLatin1(names[i]));
    txtLowWarningPercent->setObjectName(QStringLiteral("txtLowWarningPercent"));
    txtLowWarningTime->setObjectName(QStringLiteral("txtLowWarningTime"));
    txtPercentInform->setObjectName(QStringLiteral("txtPercentInform"));
    chkPercentInform->setObjectName(QStringLiteral("chkPercentInform"));
    chkACOff->setObjectName(QStringLiteral("chkACOff"));
    chkACOn->setObjectName(QStringLiteral("chkACOn"));
    cmdFinish->setObjectName(QStringLiteral("cmdFinish"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    fraBatteryLowWarning->setObjectName(QStringLiteral("fraBatteryLowWarning"));
    fraBatteryPowerInforming->setObjectName(QStringLiteral("fraBatteryPowerInforming"));
    fraACStatusChange->setObjectName(QStringLiteral("fraACStatusChange"));

    const std::array<QWidget*, 8> order{txtLowWarningPercent,
                                        txtLowWarningTime,
                                        chkPercentInform,
                                        txtPercentInform,
                                        chkACOff,
                                        chkACOn,
                                        cmdFinish,
                                        cmdCancel};
    for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);

    for (QLineEdit* edit : {txtLowWarningPercent, txtLowWarningTime, txtPercentInform}) edit->installEventFilter(this);
    connect(chkPercentInform, &QCheckBox::toggled, this, &frmSetup::chkPercentInform_Click);
    connect(cmdFinish, &QPushButton::clicked, this, [this] {
        // A click that took the focus from a field whose check refused it does not count.
        if (!RunPendingLeaveCheck()) cmdFinish_Click();
    });
    connect(cmdCancel, &QPushButton::clicked, this, &frmSetup::cmdCancel_Click);

    txtLowWarningPercent->setFocus();
    CenterOnScreen(this);
    Form_Load();
}

void frmSetup::Form_Load() {
    modRegistry& reg = registry_;
    const auto stored = [&reg](const char* name) { return reg.GetUserString(regkeys::ControlCenter, name); };
    const auto shown = [&](QLineEdit* field, const char* name, double highest) {
        const std::string text = AsText(stored(name));
        const double n = Leading(text);
        field->setText(n < 1 || n > highest ? QStringLiteral("10") : QString::fromStdString(text));
    };
    // Only 1 ticks a box: the program writes 0 or 1, and a value written by hand that
    // is anything else (the toolkit's grayed 2 included) shows unticked.
    const auto ticked = [&](const char* name) { return AsSmallInteger(stored(name)) == 1; };

    shown(txtLowWarningPercent, "Low Warning Percent", 99);
    shown(txtLowWarningTime, "Low Warning Time", 99);
    chkPercentInform->setChecked(ticked("Percent Inform"));
    shown(txtPercentInform, "Percent Inform Percent", 100);
    chkACOff->setChecked(ticked("Ac Off"));
    chkACOn->setChecked(ticked("Ac On"));
    modTopMostWindow::SetForegroundWindow(this);
}

void frmSetup::Form_Unload() { modTopMostWindow::SetForegroundWindow(main_); }

void frmSetup::done(int result) {
    pendingLeaveCheck_ = nullptr;
    QDialog::done(result);
    if (!unloaded_) {
        unloaded_ = true;
        Form_Unload();
    }
}

void frmSetup::chkPercentInform_Click() {
    const bool on = chkPercentInform->isChecked();
    lblPrompt[2]->setEnabled(on);
    txtPercentInform->setEnabled(on);
}

void frmSetup::txtLowWarningPercent_GotFocus() { SelectText(txtLowWarningPercent); }

void frmSetup::txtPercentInform_GotFocus() { SelectText(txtPercentInform); }

void frmSetup::ValidateWarningField(QLineEdit* field) {
    if (field->text().isEmpty()) {
        field->setText(QStringLiteral("10"));
        return;
    }
    if (!InWarningRange(Leading(field))) Reject(field, QString::fromLatin1(WarningLeaveMessage));
}

void frmSetup::txtLowWarningPercent_Validate() { ValidateWarningField(txtLowWarningPercent); }

void frmSetup::txtLowWarningTime_Validate() { ValidateWarningField(txtLowWarningTime); }

void frmSetup::txtPercentInform_Validate() {
    if (txtPercentInform->text().isEmpty()) {
        // The box stays ticked or not as it is, but cannot be changed until the dialog closes.
        chkPercentInform->setEnabled(false);
        return;
    }
    if (!InPercentRange(Leading(txtPercentInform)) && txtPercentInform->isEnabled())
        Reject(txtPercentInform, QString::fromLatin1(PercentInformMessage));
}

void frmSetup::cmdFinish_Click() {
    for (QLineEdit* field : {txtLowWarningPercent, txtLowWarningTime, txtPercentInform})
        field->setText(QString::fromStdString(NormalForm(Leading(field))));
    const double percent = Leading(txtLowWarningPercent);
    const double minutes = Leading(txtLowWarningTime);
    const double informAt = Leading(txtPercentInform);
    if (!InWarningRange(percent)) {
        Reject(txtLowWarningPercent, QString::fromLatin1(WarningPercentMessage));
        return;
    }
    if (!InWarningRange(minutes)) {
        Reject(txtLowWarningTime, QString::fromLatin1(WarningTimeMessage));
        return;
    }
    if (!InPercentRange(informAt) && txtPercentInform->isEnabled()) {
        Reject(txtPercentInform, QString::fromLatin1(PercentInformMessage));
        return;
    }

    NotificationSettings& settings = settings_;
    settings.LowWarningPercent = SmallInteger(percent);
    settings.LowWarningTime = SmallInteger(minutes);
    settings.PercentInform = chkPercentInform->isChecked();
    settings.PercentInformPercent = SmallInteger(informAt);
    settings.ACoff = chkACOff->isChecked();
    settings.ACon = chkACOn->isChecked();

    // Numbers go in their normal form, with a period whatever the locale: it is the
    // form this dialog reads back, and the start-up reads either separator.
    modRegistry& reg = registry_;
    const auto save = [&reg](const char* name, const RegistryValue& value) {
        reg.SaveUserString(regkeys::ControlCenter, name, value);
    };
    save("Low Warning Percent", NormalForm(percent));
    save("Low Warning Time", NormalForm(minutes));
    save("Percent Inform", chkPercentInform->isChecked() ? 1 : 0);
    save("Percent Inform Percent", NormalForm(informAt));
    save("AC Off", chkACOff->isChecked() ? 1 : 0);
    save("AC On", chkACOn->isChecked() ? 1 : 0);
    accept();
}

void frmSetup::cmdCancel_Click() { reject(); }

void frmSetup::Reject(QLineEdit* field, const QString& message) {
    // The box and the focus moving back start no leave check of their own.
    const QScopedValueRollback guard(checking_, true);
    rejected_ = true;
    boxes_.Show(this, QString::fromLatin1(Title), message, MessageBoxes::Icon::Exclamation);
    field->setFocus(Qt::OtherFocusReason);
    SelectText(field);
}

void frmSetup::SelectText(QLineEdit* field) {
    field->selectAll();
    // A mouse press that gave the focus places the caret after this; select again once
    // it has.
    QTimer::singleShot(0, field, [field] {
        if (field->hasFocus()) field->selectAll();
    });
}

void frmSetup::FieldLosingFocus(QLineEdit* field, int reason) {
    if (checking_) return;
    // Another window taking over (a message box, another program) is no move inside the
    // dialog, and Cancel throws the text away: no check for either.
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return;
    QWidget* next = QApplication::focusWidget();
    if (!next || next == field || next == cmdCancel || !isAncestorOf(next)) return;
    // Checked once the move is over, not inside it: a box shown in the middle of a focus
    // change would leave the clicked button held down.
    pendingLeaveCheck_ = field;
    QMetaObject::invokeMethod(
        this, [this] { RunPendingLeaveCheck(); }, Qt::QueuedConnection);
}

bool frmSetup::RunPendingLeaveCheck() {
    QLineEdit* field = std::exchange(pendingLeaveCheck_, nullptr);
    if (!field) return false;
    rejected_ = false;
    if (field == txtLowWarningPercent)
        txtLowWarningPercent_Validate();
    else if (field == txtLowWarningTime)
        txtLowWarningTime_Validate();
    else if (field == txtPercentInform)
        txtPercentInform_Validate();
    return rejected_;
}

bool frmSetup::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (watched == txtLowWarningPercent)
            txtLowWarningPercent_GotFocus();
        else if (watched == txtPercentInform)
            txtPercentInform_GotFocus();
    } else if (event->type() == QEvent::FocusOut) {
        if (auto* field = qobject_cast<QLineEdit*>(watched))
            FieldLosingFocus(field, static_cast<QFocusEvent*>(event)->reason());
    }
    return QDialog::eventFilter(watched, event);
}
