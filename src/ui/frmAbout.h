// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>
#include <QString>
#include <memory>

#include "Launcher.h"
#include "MessageBoxes.h"

class QLabel;
class QPushButton;

// Title, version, the application icon and the maker's contact lines; the web and
// mail lines open the default browser.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    // main is the window it belongs to and hands the front back to; the web and mail
    // lines launch through launcher and tell their failures through boxes.
    frmAbout(QWidget* main, Launcher& launcher, MessageBoxes& boxes);  // runs Form_Load

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

    // The web and mail lines launch through this launcher, with their temporary document
    // in tempFolder (empty: the system's).
    void setLauncher(Launcher& launcher, const QString& tempFolder = {});

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;
    Launcher& launcher();

    QWidget* main_;
    MessageBoxes& boxes_;
    Launcher* launcher_;
    QString tempFolder_;
    bool unloaded_ = false;
};
