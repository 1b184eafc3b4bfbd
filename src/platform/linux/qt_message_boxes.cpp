// SPDX-License-Identifier: GPL-3.0-or-later
#include <QClipboard>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

#include "linux_platform.h"
#include "qt_file_dialog.h"
#include "version.h"

namespace talvenor::linux_backend {

namespace {

QString Plain(const std::string& text) {
    QString out = QString::fromStdString(text);
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return out;
}

// Ctrl+C copies the box's caption, text and buttons, as message boxes do on Windows, so that a
// user can paste what went wrong.
class CopyableMessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (!event->matches(QKeySequence::Copy)) return QMessageBox::keyPressEvent(event);
        const QString rule = QStringLiteral("---------------------------\n");
        QStringList captions;
        for (const QAbstractButton* button : buttons())
            captions << button->text().remove(QLatin1Char('&'));
        QGuiApplication::clipboard()->setText(rule + windowTitle() + u'\n' + rule + text() + u'\n' +
                                              rule + captions.join(QStringLiteral("   ")) + u'\n' +
                                              rule);
    }
};

}  // namespace

void LinuxPlatform::MsgBox(const std::string& prompt) {
    UseFrenchStandardDialogs();
    CopyableMessageBox box(QMessageBox::NoIcon, QStringLiteral(TALVENOR_NAME), Plain(prompt),
                           QMessageBox::Ok, window_);
    box.setTextFormat(Qt::PlainText);
    // No icon at all: not even the one some styles put on the button.
    box.button(QMessageBox::Ok)->setIcon(QIcon());
    box.exec();
}

bool LinuxPlatform::AskYesNo(const std::string& prompt) {
    UseFrenchStandardDialogs();
    CopyableMessageBox box(QMessageBox::Question, QStringLiteral(TALVENOR_NAME), Plain(prompt),
                           QMessageBox::NoButton, window_);
    box.setTextFormat(Qt::PlainText);
    QPushButton* yes = box.addButton(QStringLiteral("&Oui"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&Non"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

}  // namespace talvenor::linux_backend
