// Stand-ins for the desktop's services on the session bus they are started on. Each writes the
// bus's address to FILE.address once it serves.
//   notification_recorder FILE: the notification service. Each notification's summary, body
//     and actions go to FILE, a line each; it answers GetCapabilities with the words that
//     FILE.capabilities holds at that moment, and when "actions" is among them, the
//     notification is clicked at once (ActionInvoked "default").
//   notification_recorder --file-manager FILE: the file manager; each address ShowItems is
//     given goes to FILE, a line each.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

namespace {

void Append(const QString& log, const QString& text) {
    QFile file(log);
    if (file.open(QIODevice::Append)) file.write(text.toUtf8());
}

QStringList Capabilities(const QString& log) {
    QFile file(log + QStringLiteral(".capabilities"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split(u' ', Qt::SkipEmptyParts);
}

}  // namespace

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
        if (Capabilities(log_).contains(QStringLiteral("actions"))) {
            QTimer::singleShot(0, this, [id] {
                QDBusMessage clicked = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                                  QStringLiteral("org.freedesktop.Notifications"),
                                                                  QStringLiteral("ActionInvoked"));
                clicked << id << QStringLiteral("default");
                QDBusConnection::sessionBus().send(clicked);
            });
        }
        return id;
    }

private:
    QString log_;
    uint count_ = 0;
};

class FileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    explicit FileManager(QString log) : log_(std::move(log)) {}

public slots:
    Q_SCRIPTABLE void ShowItems(const QStringList& addresses, const QString&) { Append(log_, addresses.join(u'\n') + u'\n'); }

private:
    QString log_;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool fileManager = argc == 3 && QByteArray(argv[1]) == "--file-manager";
    if (argc != 2 && !fileManager) return 2;
    const QString log = QString::fromLocal8Bit(argv[argc - 1]);
    Notifications notifications(log);
    FileManager manager(log);
    QObject* service = fileManager ? static_cast<QObject*>(&manager) : &notifications;
    const QString name = fileManager ? QStringLiteral("org.freedesktop.FileManager1") : QStringLiteral("org.freedesktop.Notifications");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(u'/' + QString(name).replace(u'.', u'/'), service, QDBusConnection::ExportScriptableSlots) ||
        !bus.registerService(name)) {
        return 1;
    }
    QFile address(log + QStringLiteral(".address"));
    if (!address.open(QIODevice::WriteOnly)) return 1;
    address.write(qgetenv("DBUS_SESSION_BUS_ADDRESS") + '\n');
    address.close();
    return QCoreApplication::exec();
}

#include "notification_recorder.moc"
