// SPDX-License-Identifier: GPL-3.0-or-later
// The toolkit's floor: a bare Qt Widgets program with a tray icon and a window of three
// labels, shown as Voltara shows its main window. What it takes, any Qt tray program takes.
#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    auto* labels = new QVBoxLayout(&window);
    for (const char* text : {"Battery Status:", "Battery Time:", "AC Power:"})
        labels->addWidget(new QLabel(QString::fromLatin1(text)));
    window.show();
    QPixmap picture(16, 16);
    picture.fill(Qt::darkGreen);
    QSystemTrayIcon tray{QIcon(picture)};
    tray.show();
    return app.exec();
}
