// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class MessageBoxes;
class modRegistry;
struct NotificationSettings;

// The Control Center: edits the six notification settings. Modeless, one instance.
class frmSetup : public QDialog {
    Q_OBJECT
public:
    // Reads and stores the values in the registry; Ok applies them to the main window's
    // settings. Owned by the main window, which comes to the front when the dialog closes.
    frmSetup(QWidget* main, modRegistry& registry, NotificationSettings& settings,
             MessageBoxes& boxes);  // runs Form_Load

    QLabel* lblPrompt[3] = {};
    QLineEdit* txtLowWarningPercent = nullptr;
    QLineEdit* txtLowWarningTime = nullptr;
    QCheckBox* chkPercentInform = nullptr;
    QLineEdit* txtPercentInform = nullptr;
    QCheckBox* chkACOff = nullptr;
    QCheckBox* chkACOn = nullptr;
    QPushButton* cmdFinish = nullptr;
    QPushButton* cmdCancel = nullptr;
    QGroupBox* fraBatteryLowWarning = nullptr;
    QGroupBox* fraBatteryPowerInforming = nullptr;
    QGroupBox* fraACStatusChange = nullptr;

    void Form_Load();
    void Form_Unload();
    void chkPercentInform_Click();
    void txtLowWarningPercent_GotFocus();
    void txtPercentInform_GotFocus();
    void txtLowWarningPercent_Validate();
    void txtLowWarningTime_Validate();
    void txtPercentInform_Validate();
    void cmdFinish_Click();
    void cmdCancel_Click();

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;
    // Shows a refusal, then puts the focus back on the field with its text selected.
    void Reject(QLineEdit* field, const QString& message);
    void SelectText(QLineEdit* field);
    // The leave check both warning fields share: empty becomes "10", else 1 to 98 passes.
    void ValidateWarningField(QLineEdit* field);
    void FieldLosingFocus(QLineEdit* field, int reason);
    // Runs the leave check that waits; true when it put the focus back.
    bool RunPendingLeaveCheck();

    QWidget* main_;
    modRegistry& registry_;
    NotificationSettings& settings_;
    MessageBoxes& boxes_;
    QLineEdit* pendingLeaveCheck_ = nullptr;
    bool checking_ = false;  // a leave check runs; its own focus moves start none
    bool rejected_ = false;  // the last check refused its field
    bool unloaded_ = false;
};
