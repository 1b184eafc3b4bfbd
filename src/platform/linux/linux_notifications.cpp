// SPDX-License-Identifier: GPL-3.0-or-later
#include "linux_notifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QStringList>
#include <QVariantMap>

#include <utility>

#include "form1.h"
#include "linux_platform.h"
#include "presets.h"
#include "version.h"

namespace talvenor::linux_backend {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kBus = QStringLiteral("org.freedesktop.DBus");
const QString kBusPath = QStringLiteral("/org/freedesktop/DBus");
const QString kFileManager = QStringLiteral("org.freedesktop.FileManager1");
const QString kFileManagerPath = QStringLiteral("/org/freedesktop/FileManager1");
// The action most services run on a click on the notification itself.
const QString kDefaultAction = QStringLiteral("default");
// How long a click waits for the file manager before the folder opens another way.
constexpr int kFileManagerWaitMs = 3000;

// Runs `then` with the reply once `call` has been answered, without waiting for it here.
template <typename... Reply, typename Then>
void OnReply(QObject* owner, const QDBusPendingCall& call, Then then) {
    auto* watcher = new QDBusPendingCallWatcher(call, owner);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, owner,
                     [then = std::move(then)](QDBusPendingCallWatcher* answered) {
                         answered->deleteLater();
                         then(QDBusPendingReply<Reply...>(*answered));
                     });
}

}  // namespace

QString EscapedForMarkup(const QString& text) {
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'&') escaped += QStringLiteral("&amp;");
        else if (c == u'<') escaped += QStringLiteral("&lt;");
        else if (c == u'>') escaped += QStringLiteral("&gt;");
        else escaped += c;
    }
    return escaped;
}

QString FileAddress(const std::string& path) {
    return QStringLiteral("file://") + QString::fromLatin1(QByteArray::fromStdString(path).toPercentEncoding("/"));
}

DesktopNotifications::DesktopNotifications(std::function<void(const std::string&)> openFolder)
    : openFolder_(std::move(openFolder)) {}

void DesktopNotifications::Notify(const std::string& title, const std::string& text, const std::string& file) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    if (!listening_) {
        listening_ = bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                                 SLOT(ActionInvoked(uint, QString, QDBusMessage)));
        bus.connect(kService, kPath, kService, QStringLiteral("NotificationClosed"), this,
                    SLOT(NotificationClosed(uint, uint, QDBusMessage)));
        // The ids of a service that has gone name nothing of ours any more.
        auto* owners = new QDBusServiceWatcher(kService, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(owners, &QDBusServiceWatcher::serviceOwnerChanged, this, [this] { shown_.clear(); });
    }
    // Asked first by its well-known name, which starts the service where the bus starts it on demand.
    const QDBusMessage capabilities = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("GetCapabilities"));
    OnReply<QStringList>(this, bus.asyncCall(capabilities), [this, title, text, file](const QDBusPendingReply<QStringList>& reply) {
        if (reply.isError()) return;
        // A service that reads markup would cut « Tom & Jerry <2010>.avi », or follow a link in it.
        QString body = QString::fromStdString(text);
        if (reply.value().contains(QStringLiteral("body-markup"))) body = EscapedForMarkup(body);
        // The ids are the owner's own: the notification goes to the owner the bus names, by its
        // unique name, and a click counts only from that very owner.
        QDBusMessage owner = QDBusMessage::createMethodCall(kBus, kBusPath, kBus, QStringLiteral("GetNameOwner"));
        owner << kService;
        OnReply<QString>(this, QDBusConnection::sessionBus().asyncCall(owner), [this, title, body, file](const QDBusPendingReply<QString>& name) {
            if (name.isError() || name.value().isEmpty()) return;
            const QString service = name.value();
            QDBusMessage call = QDBusMessage::createMethodCall(service, kPath, kService, QStringLiteral("Notify"));
            const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("talvenor")}};
            call << QStringLiteral(TALVENOR_NAME) << 0u << QStringLiteral("talvenor") << QString::fromStdString(title) << body
                 << QStringList{kDefaultAction, QStringLiteral("Ouvrir le dossier")} << hints << -1;
            OnReply<uint>(this, QDBusConnection::sessionBus().asyncCall(call), [this, service, file](const QDBusPendingReply<uint>& id) {
                if (!id.isError()) shown_[id.value()] = {service, file};
            });
        });
    });
}

void DesktopNotifications::ActionInvoked(uint id, const QString& action, const QDBusMessage& signal) {
    const auto found = shown_.find(id);
    if (found == shown_.end() || found->second.owner != signal.service() || action != kDefaultAction) return;
    ShowFile(found->second.file);
}

void DesktopNotifications::NotificationClosed(uint id, uint, const QDBusMessage& signal) {
    const auto found = shown_.find(id);
    if (found != shown_.end() && found->second.owner == signal.service()) shown_.erase(found);
}

void DesktopNotifications::ShowFile(const std::string& file) {
    QDBusMessage call = QDBusMessage::createMethodCall(kFileManager, kFileManagerPath, kFileManager, QStringLiteral("ShowItems"));
    call << QStringList{FileAddress(file)} << QString();
    OnReply<>(this, QDBusConnection::sessionBus().asyncCall(call, kFileManagerWaitMs), [this, file](const QDBusPendingReply<>& reply) {
        if (reply.isError()) openFolder_(file);
    });
}

void LinuxPlatform::OpenFolderOf(const std::string& file) {
    const std::string opener = ResolveProgram({}, "xdg-open");
    // A file that has gone is not told apart here: its folder opens all the same.
    if (opener.empty() || SpawnDetached({opener, FolderOf(file, "/")}) <= 0) {
        MsgBox(NotifiedFileFailureMessage(file, false, "/"));
    }
}

void LinuxPlatform::Notify(const std::string& title, const std::string& text, const std::string& file) {
    notifications_->Notify(title, text, file);
}

}  // namespace talvenor::linux_backend
