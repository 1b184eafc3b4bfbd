// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up and memory floor: a minimal Qt 6 Widgets program with a frameless 367 x 287 window
// holding one label.
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
    window.setWindowTitle(QStringLiteral("floor_qt"));
    window.setFixedSize(367, 287);
    QLabel label(QStringLiteral("Conversions vidéo"), &window);
    label.move(80, 48);
    window.show();
    return QApplication::exec();
}
