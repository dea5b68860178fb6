#include "shell/MessageBoxes.h"

#include <QMessageBox>

void QtMessageBoxes::Show(QWidget* owner, const QString& title, const QString& text, Icon icon,
                          bool setForeground) {
    QMessageBox box(icon == Icon::Information ? QMessageBox::Information : QMessageBox::Warning, title, text,
                    QMessageBox::Ok, owner);
    if (setForeground) box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.setAccessibleName(title);
    if (setForeground) {
        box.show();
        box.raise();
        box.activateWindow();
    }
    box.exec();
}
