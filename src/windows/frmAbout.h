#pragma once
#include <QDialog>

class QLabel;
class QPushButton;
class frmMain;

// Title, version, the application icon and the maker's contact lines; the web and
// mail lines open the default browser.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(frmMain& main);  // runs Form_Load

    QPushButton* cmdOK = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblInfo[2] = {};
    QLabel* lblEmail = nullptr;
    QLabel* lblWebsite = nullptr;
    QLabel* lblCopyright = nullptr;
    QLabel* picIcon = nullptr;

    void Form_Load();
    void Form_Unload();
    void cmdOK_Click();
    void lblWebsite_Click();
    void lblEmail_Click();

private:
    frmMain& main_;
};
