// SPDX-License-Identifier: GPL-3.0-or-later
#include "MessageBoxes.h"

#include <QLabel>
#include <QMessageBox>

void QtMessageBoxes::Show(QWidget* owner, const QString& title, const QString& text, Icon icon, bool setForeground) {
    QMessageBox box(icon == Icon::Information ? QMessageBox::Information : QMessageBox::Warning, title, text,
                    QMessageBox::Ok, owner);
    if (setForeground) box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.setAccessibleName(title);
    // The icon is a picture; screen readers say what kind of message it marks.
    for (QLabel* label : box.findChildren<QLabel*>())
        if (!label->pixmap().isNull()) label->setAccessibleName(icon == Icon::Information ? "Information" : "Warning");
    if (setForeground) {
        box.show();
        box.raise();
        box.activateWindow();
    }
    box.exec();
}
