// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

class QWidget;

// Every message box of the program goes through this seam, so window tests can record
// and answer them. The real one is QMessageBox.
class MessageBoxes {
public:
    enum class Icon { Information, Exclamation };
    virtual ~MessageBoxes() = default;
    // Shows a box with one OK button and waits until it is closed. setForeground asks
    // for the box to be brought in front of other programs' windows.
    virtual void Show(QWidget* owner, const QString& title, const QString& text, Icon icon,
                      bool setForeground = false) = 0;
};

class QtMessageBoxes final : public MessageBoxes {
public:
    void Show(QWidget* owner, const QString& title, const QString& text, Icon icon, bool setForeground) override;
};
