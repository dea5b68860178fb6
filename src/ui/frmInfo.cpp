// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmInfo.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "IconResources.h"
#include "SystemColours.h"
#include "TwipsLayout.h"
#include "modRegistry.h"
#include "modTopMostWindow.h"

frmInfo::frmInfo(QWidget* main, modRegistry& registry, const QAction& sbjAlwaysOnTop)
    : QDialog(main), main_(main), registry_(registry), sbjAlwaysOnTop_(sbjAlwaysOnTop) {
    setObjectName(QStringLiteral("frmInfo"));
    // A frame without a title bar, and so without a close box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QString());
    setAccessibleName(QStringLiteral("Welcome to Voltara"));
    setWindowIcon(ApplicationIcon());
    PaintInMenuColour(this);
    QFont standard = font();
    standard.setPointSizeF(8.25);
    setFont(standard);
    TwipsLayout layout(this);

    lblBoldPrompt = new QLabel(QStringLiteral("Welcome to Voltara"), this);
    lblBoldPrompt->setObjectName(QStringLiteral("lblBoldPrompt"));
    QFont bold = standard;
    bold.setFamilies({QStringLiteral("MS Sans Serif"), standard.family()});
    bold.setBold(true);
    lblBoldPrompt->setFont(bold);
    lblBoldPrompt->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblBoldPrompt->setAccessibleName(lblBoldPrompt->text());
    layout.Add(lblBoldPrompt, 270, 45, 2325, 195);

    lblPrompt = new QLabel(QStringLiteral("In order to keep the display panel clean and neat, all the functions and "
                                          "options are accessed by right clicking on the Voltara icon in the system "
                                          "icon tray."),
                           this);
    lblPrompt->setObjectName(QStringLiteral("lblPrompt"));
    lblPrompt->setWordWrap(true);
    lblPrompt->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblPrompt->setAccessibleName(lblPrompt->text());
    layout.Add(lblPrompt, 60, 300, 2745, 1005);

    for (QLabel* label : {lblBoldPrompt, lblPrompt}) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Qt::black);
        label->setPalette(palette);
    }

    cmdOK = new QPushButton(QStringLiteral("&Ok"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    layout.Add(cmdOK, 60, 1350, 2745, 315);
    layout.Apply(2850, 1725);
    connect(cmdOK, &QPushButton::clicked, this, &frmInfo::cmdOK_Click);
    cmdOK->setFocus();

    CenterOnScreen(this);
    Form_Load();
}

void frmInfo::Form_Load() { modTopMostWindow::SetTopMost(this, true); }

void frmInfo::cmdOK_Click() {
    modRegistry& reg = registry_;
    reg.CreateRegistryKey(regkeys::Setting, reg::Hive::CurrentUser);
    reg.SaveUserString(regkeys::Setting, "Show Info", "No");
    modTopMostWindow::SetTopMost(this, false);
    if (sbjAlwaysOnTop_.isChecked()) modTopMostWindow::SetTopMost(main_, true);
    modTopMostWindow::SetForegroundWindow(main_);
    accept();
}

void frmInfo::keyPressEvent(QKeyEvent* event) {
    // There is no cancel button: Escape closes nothing.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
