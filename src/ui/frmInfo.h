// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>

class QLabel;
class QPushButton;
class QAction;
class modRegistry;

// The welcome dialog: shown once per user, explains the tray icon's menu.
class frmInfo : public QDialog {
    Q_OBJECT
public:
    // main is the window it belongs to and hands the front back to; sbjAlwaysOnTop the main
    // window's menu item, whose tick says whether the main window goes back on top.
    frmInfo(QWidget* main, modRegistry& registry, const QAction& sbjAlwaysOnTop);  // runs Form_Load

    QLabel* lblBoldPrompt = nullptr;
    QLabel* lblPrompt = nullptr;
    QPushButton* cmdOK = nullptr;

    void Form_Load();
    void cmdOK_Click();

private:
    void keyPressEvent(QKeyEvent* event) override;

    QWidget* main_;
    modRegistry& registry_;
    const QAction& sbjAlwaysOnTop_;
};
