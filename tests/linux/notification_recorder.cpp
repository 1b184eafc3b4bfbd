// A stand-in for the desktop's notification service, on the session bus it is started on: writes
// the bus's address to FILE.address once it serves, then each notification's summary and body,
// one line each, to FILE.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QFile>
#include <QStringList>
#include <QVariantMap>

class Notifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    explicit Notifications(QString log) : log_(std::move(log)) {}

public slots:
    Q_SCRIPTABLE uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                             const QStringList&, const QVariantMap&, int) {
        QFile file(log_);
        if (file.open(QIODevice::Append)) file.write((summary + u'\n' + body + u'\n').toUtf8());
        return ++count_;
    }

private:
    QString log_;
    uint count_ = 0;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) return 2;
    Notifications service(QString::fromLocal8Bit(argv[1]));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                            QDBusConnection::ExportScriptableSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.Notifications"))) {
        return 1;
    }
    QFile address(QString::fromLocal8Bit(argv[1]) + QStringLiteral(".address"));
    if (!address.open(QIODevice::WriteOnly)) return 1;
    address.write(qgetenv("DBUS_SESSION_BUS_ADDRESS") + '\n');
    address.close();
    return QCoreApplication::exec();
}

#include "notification_recorder.moc"
