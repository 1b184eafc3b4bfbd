// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusMessage>
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <string>

namespace talvenor::linux_backend {

// The desktop's notifications, through org.freedesktop.Notifications on the session bus. The text
// reaches the service as it reads it (escaped where it reads markup), and a click on the
// notification shows its file in the file manager.
class DesktopNotifications : public QObject {
    Q_OBJECT

public:
    // `openFolder` opens the folder of a file where no file manager answers on the bus.
    explicit DesktopNotifications(std::function<void(const std::string& file)> openFolder);

    // Nothing shows, and nothing is said, where no session bus or notification service runs.
    void Notify(const std::string& title, const std::string& text, const std::string& file);

private slots:
    // `signal` names the service's owner that sent it.
    void ActionInvoked(uint id, const QString& action, const QDBusMessage& signal);
    void NotificationClosed(uint id, uint reason, const QDBusMessage& signal);

private:
    // Shows `file` selected in the desktop's file manager, or else opens its folder.
    void ShowFile(const std::string& file);

    // A notification still shown: the service's owner that gave its id (a restarted service gives
    // the same ids again, to other programs' notifications), and its file.
    struct Shown {
        QString owner;
        std::string file;
    };

    std::function<void(const std::string&)> openFolder_;
    // By the service's id for each.
    std::map<uint, Shown> shown_;
    bool listening_ = false;
};

// `text` as markup that reads as `text`.
QString EscapedForMarkup(const QString& text);
// The file:// address of a local path, its bytes percent-encoded.
QString FileAddress(const std::string& path);

}  // namespace talvenor::linux_backend
