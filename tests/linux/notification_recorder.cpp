// SPDX-License-Identifier: GPL-3.0-or-later
// Stand-ins for the desktop's services, on the session bus they are started on; each writes the
// bus's address to FILE.address once it serves. `notification_recorder FILE`, the notification
// service, writes each notification's summary, body and actions to FILE, a line each, has the
// capabilities that FILE.capabilities lists, and with "actions" is clicked at once ("default").
// `notification_recorder --file-manager FILE` writes each address ShowItems is given to FILE;
// with --silent-file-manager it never answers. Each takes its name from the one serving before.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QFile>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

static void Append(const QString& log, const QString& text) {
    QFile file(log);
    if (file.open(QIODevice::Append)) file.write(text.toUtf8());
}

static QStringList Capabilities(const QString& log) {
    QFile file(log + QStringLiteral(".capabilities"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split(u' ', Qt::SkipEmptyParts);
}

class Notifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    explicit Notifications(QString log) : log_(std::move(log)) {}

public slots:
    Q_SCRIPTABLE QStringList GetCapabilities() { return Capabilities(log_); }

    Q_SCRIPTABLE uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                             const QStringList& actions, const QVariantMap&, int) {
        Append(log_, summary + u'\n' + body + u'\n' + actions.join(u'|') + u'\n');
        const uint id = ++count_;
        QDBusMessage clicked = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                          QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"));
        clicked << id << QStringLiteral("default");
        // After the answer that gives the notification's id.
        if (Capabilities(log_).contains(QStringLiteral("actions"))) QTimer::singleShot(0, this, [clicked] { QDBusConnection::sessionBus().send(clicked); });
        return id;
    }

private:
    QString log_;
    uint count_ = 0;
};

class FileManager : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    FileManager(QString log, bool silent) : log_(std::move(log)), silent_(silent) {}

public slots:
    Q_SCRIPTABLE void ShowItems(const QStringList& addresses, const QString&) {
        Append(log_, addresses.join(u'\n') + u'\n');
        setDelayedReply(silent_);
    }

private:
    QString log_;
    bool silent_;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QByteArray mode = argc == 3 ? argv[1] : "";
    const bool fileManager = mode == "--file-manager" || mode == "--silent-file-manager";
    if (argc != 2 && !fileManager) return 2;
    const QString log = QString::fromLocal8Bit(argv[argc - 1]);
    Notifications notifications(log);
    FileManager manager(log, mode == "--silent-file-manager");
    QObject* service = fileManager ? static_cast<QObject*>(&manager) : &notifications;
    const QString name = fileManager ? QStringLiteral("org.freedesktop.FileManager1") : QStringLiteral("org.freedesktop.Notifications");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(u'/' + QString(name).replace(u'.', u'/'), service, QDBusConnection::ExportScriptableSlots) ||
        bus.interface()->registerService(name, QDBusConnectionInterface::ReplaceExistingService,
                                         QDBusConnectionInterface::AllowReplacement) != QDBusConnectionInterface::ServiceRegistered) {
        return 1;
    }
    QFile address(log + QStringLiteral(".address"));
    if (!address.open(QIODevice::WriteOnly)) return 1;
    address.write(qgetenv("DBUS_SESSION_BUS_ADDRESS") + '\n');
    address.close();
    return QCoreApplication::exec();
}

#include "notification_recorder.moc"
