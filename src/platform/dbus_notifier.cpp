#include "platform/dbus_notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <cstdlib>
#include <filesystem>

namespace chronolin {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// A service that does not answer soon is taken for missing: the tick must not wait on it.
constexpr int kCallTimeoutMs = 2000;

// The session bus where there is one. Not the library's default: without an address it would
// start a bus of its own (autolaunch), left running after the program ends.
QString SessionBusAddress() {
  if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address)
    return QString::fromLocal8Bit(address);
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    std::error_code error;
    const std::filesystem::path socket = std::filesystem::path(runtime) / "bus";
    if (std::filesystem::is_socket(socket, error))
      return QStringLiteral("unix:path=") + QString::fromStdString(socket.string());
  }
  return {};
}

}  // namespace

// The receiver of the service's signals; Qt delivers D-Bus signals to slots only.
class DbusNotifier::Impl : public QObject {
  Q_OBJECT

 public:
  Impl(DbusNotifier& owner, const std::string& busAddress)
      : owner_(owner),
        name_(QStringLiteral("chronolin-notify-%1").arg(++instances_)),
        bus_(QDBusConnection::connectToBus(
            busAddress.empty() ? SessionBusAddress() : QString::fromStdString(busAddress), name_)) {
    if (bus_.isConnected())
      bus_.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                   SLOT(ActionInvoked(uint, QString)));
  }
  ~Impl() override { QDBusConnection::disconnectFromBus(name_); }

  std::uint32_t Notify(const DesktopNotification& n) {
    if (!bus_.isConnected()) return 0;
    QStringList actions;
    for (const auto& [key, caption] : n.Actions)
      actions << QString::fromStdString(key) << QString::fromStdString(caption);
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QStringLiteral("Chronolin") << 0u << QStringLiteral("chronolin")
         << QString::fromStdString(n.Summary) << QString::fromStdString(n.Body) << actions
         << QVariantMap() << static_cast<int>(n.Timeout);
    const QDBusMessage reply = bus_.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) return 0;
    return reply.arguments().at(0).toUInt();
  }

  void Close(std::uint32_t id) {
    if (!bus_.isConnected() || id == 0) return;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                       QStringLiteral("CloseNotification"));
    call << id;
    bus_.call(call, QDBus::Block, kCallTimeoutMs);
  }

 private Q_SLOTS:
  void ActionInvoked(uint id, const QString& key) {
    if (owner_.onAction_) owner_.onAction_(id, key.toStdString());
  }

 private:
  DbusNotifier& owner_;
  static inline int instances_ = 0;
  QString name_;
  QDBusConnection bus_;
};

DbusNotifier::DbusNotifier(const std::string& busAddress)
    : impl_(std::make_unique<Impl>(*this, busAddress)) {}

DbusNotifier::~DbusNotifier() = default;

std::uint32_t DbusNotifier::Notify(const DesktopNotification& notification) {
  return impl_->Notify(notification);
}

void DbusNotifier::Close(std::uint32_t id) {
  impl_->Close(id);
}

}  // namespace chronolin

#include "dbus_notifier.moc"
