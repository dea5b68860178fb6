#pragma once
#include <QDialog>

class QLabel;
class QPushButton;
class frmMain;

// The welcome dialog: shown once per user, explains the tray icon's menu.
class frmInfo : public QDialog {
    Q_OBJECT
public:
    explicit frmInfo(frmMain& main);  // runs Form_Load

    QLabel* lblBoldPrompt = nullptr;
    QLabel* lblPrompt = nullptr;
    QPushButton* cmdOK = nullptr;

    void Form_Load();
    void cmdOK_Click();

private:
    void keyPressEvent(QKeyEvent* event) override;

    frmMain& main_;
};
