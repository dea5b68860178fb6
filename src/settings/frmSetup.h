#pragma once
#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class frmMain;

// The Control Center: edits the six notification settings. Modeless, one instance.
class frmSetup : public QDialog {
    Q_OBJECT
public:
    explicit frmSetup(frmMain& main);  // runs Form_Load

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
    frmMain& main_;
};
