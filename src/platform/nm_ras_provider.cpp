#include "platform/nm_ras_provider.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>

#include <atomic>
#include <cstdio>
#include <limits>
#include <map>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

namespace chronolin {

namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kRootPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kSettingsPath = QStringLiteral("/org/freedesktop/NetworkManager/Settings");
const QString kRootIface = QStringLiteral("org.freedesktop.NetworkManager");
const QString kSettingsIface = QStringLiteral("org.freedesktop.NetworkManager.Settings");
const QString kProfileIface = QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");
const QString kActiveIface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString kDeviceIface = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString kPropertiesIface = QStringLiteral("org.freedesktop.DBus.Properties");

// Reads must not freeze the counter's display for long when the daemon is busy. Dialling and
// hanging up may wait for the user to answer an authorisation prompt, hence the longer wait.
constexpr int kReadTimeoutMs = 3000;
constexpr int kActionTimeoutMs = 25000;

constexpr std::uint32_t kActiveUnknown = 0;
constexpr std::uint32_t kActiveActivating = 1;
constexpr std::uint32_t kActiveActivated = 2;

constexpr HRASCONN kLastHandle = std::numeric_limits<std::int32_t>::max();

// Replies come from another process: everything is checked for type before use.
struct Reply {
  bool ok = false;
  QString errorName;
  QString errorMessage;
  QList<QVariant> arguments;
};

Reply Call(QDBusConnection& bus, const QString& destination, const QString& path,
           const QString& iface, const QString& method, const QList<QVariant>& args = {},
           int timeoutMs = kReadTimeoutMs) {
  QDBusMessage message = QDBusMessage::createMethodCall(destination, path, iface, method);
  message.setArguments(args);
  const QDBusMessage answer = bus.call(message, QDBus::Block, timeoutMs);
  Reply reply;
  if (answer.type() == QDBusMessage::ReplyMessage) {
    reply.ok = true;
    reply.arguments = answer.arguments();
  } else {
    reply.errorName = answer.errorName();
    reply.errorMessage = answer.errorMessage();
  }
  return reply;
}

bool Is(const QVariant& value, int typeId) {
  return value.metaType().id() == typeId;
}

std::optional<QString> AsString(const QVariant& value) {
  if (!Is(value, QMetaType::QString)) return std::nullopt;
  return value.toString();
}

std::optional<std::uint32_t> AsUInt(const QVariant& value) {
  if (!Is(value, QMetaType::UInt)) return std::nullopt;
  return value.toUInt();
}

std::optional<std::int32_t> AsInt(const QVariant& value) {
  if (!Is(value, QMetaType::Int)) return std::nullopt;
  return value.toInt();
}

std::optional<QString> AsPath(const QVariant& value) {
  if (!Is(value, qMetaTypeId<QDBusObjectPath>())) return std::nullopt;
  return value.value<QDBusObjectPath>().path();
}

// Properties.Get wraps its value in a variant.
QVariant Unwrap(const QVariant& value) {
  if (Is(value, qMetaTypeId<QDBusVariant>())) return value.value<QDBusVariant>().variant();
  return value;
}

std::optional<std::vector<QString>> AsPathList(const QVariant& value) {
  std::vector<QString> paths;
  if (Is(value, qMetaTypeId<QList<QDBusObjectPath>>())) {
    for (const QDBusObjectPath& path : value.value<QList<QDBusObjectPath>>())
      paths.push_back(path.path());
    return paths;
  }
  if (!Is(value, qMetaTypeId<QDBusArgument>())) return std::nullopt;
  const QDBusArgument arg = value.value<QDBusArgument>();
  if (arg.currentSignature() != QLatin1String("ao")) return std::nullopt;
  arg.beginArray();
  while (!arg.atEnd()) {
    QDBusObjectPath path;
    arg >> path;
    paths.push_back(path.path());
  }
  arg.endArray();
  return paths;
}

std::optional<QVariantMap> AsVariantMap(const QVariant& value) {
  if (Is(value, QMetaType::QVariantMap)) return value.toMap();
  if (!Is(value, qMetaTypeId<QDBusArgument>())) return std::nullopt;
  const QDBusArgument arg = value.value<QDBusArgument>();
  if (arg.currentSignature() != QLatin1String("a{sv}")) return std::nullopt;
  QVariantMap map;
  arg >> map;
  return map;
}

// The a{sa{sv}} of GetSettings, keeping only the groups asked for.
std::optional<std::map<QString, QVariantMap>> AsSettings(const QVariant& value,
                                                         const std::set<QString>& groups) {
  if (!Is(value, qMetaTypeId<QDBusArgument>())) return std::nullopt;
  const QDBusArgument arg = value.value<QDBusArgument>();
  if (arg.currentSignature() != QLatin1String("a{sa{sv}}")) return std::nullopt;
  std::map<QString, QVariantMap> settings;
  arg.beginMap();
  while (!arg.atEnd()) {
    arg.beginMapEntry();
    QString group;
    QVariantMap entries;
    arg >> group >> entries;
    arg.endMapEntry();
    if (groups.count(group)) settings[group] = entries;
  }
  arg.endMap();
  return settings;
}

// Errors after which the object will not come back under that owner.
bool MeansGone(const QString& errorName) {
  static const std::set<QString> gone = {
      QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"),
      QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner"),
      QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"),
      QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
      QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface"),
      QStringLiteral("org.freedesktop.NetworkManager.ConnectionNotActive"),
  };
  return gone.count(errorName) != 0;
}

// D-Bus error texts come from elsewhere: keep log lines to one line.
std::string Printable(const QString& text) {
  std::string out = text.left(200).toStdString();
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f) c = '?';
  }
  return out;
}

void LogFailure(const char* what, const Reply& reply) {
  std::fprintf(stderr, "chronolin: nm: %s refusé : %s %s\n", what,
               Printable(reply.errorName).c_str(), Printable(reply.errorMessage).c_str());
}

std::string DeviceTypeOf(const std::string& connectionType) {
  if (connectionType == "pppoe") return "PPPoE";
  if (connectionType == "gsm" || connectionType == "cdma" || connectionType == "bluetooth")
    return "modem";
  return connectionType;
}

struct Profile {
  QString path;
  std::string id;
  std::string type;
};

struct Active {
  QString path;
  QString profilePath;
  std::uint32_t state = 0;
  std::optional<QString> device;
};

}  // namespace

bool NmIsDialUpProfile(const std::string& connectionType, const std::string& bluetoothType,
                       std::int32_t metered) {
  if (connectionType == "gsm" || connectionType == "cdma" || connectionType == "pppoe") return true;
  if (connectionType == "bluetooth" && bluetoothType == "dun") return true;
  return metered == 1;
}

std::optional<std::int32_t> NmRasState(std::uint32_t activeState,
                                       std::optional<std::uint32_t> deviceState) {
  if (activeState == kActiveActivated) return RASCS_Connected;
  if (activeState != kActiveActivating && activeState != kActiveUnknown) return std::nullopt;
  // Device states: 60 need-auth, 70 ip-config, 80 ip-check, 90 secondaries, 100 activated.
  if (deviceState && *deviceState == 100) return RASCS_Connected;
  if (deviceState && *deviceState >= 60 && *deviceState <= 90) return RASCS_Authenticate;
  return RASCS_ConnectDevice;
}

struct NmRasProvider::Impl {
  // Which daemon instance exported which active connection object.
  using Identity = std::pair<QString, QString>;  // owner's unique name, object path
  struct Bound {
    Identity identity;
    std::string entry;
    std::string deviceType;
  };

  explicit Impl(const std::string& busAddress)
      : connectionName(QStringLiteral("chronolin-nm-%1").arg(++instances)),
        bus(busAddress.empty()
                ? QDBusConnection::connectToBus(QDBusConnection::SystemBus, connectionName)
                : QDBusConnection::connectToBus(QString::fromStdString(busAddress),
                                                connectionName)) {}
  ~Impl() { QDBusConnection::disconnectFromBus(connectionName); }

  std::optional<QString> Owner() {
    if (!bus.isConnected()) return std::nullopt;
    const Reply reply =
        Call(bus, QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
             QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetNameOwner"), {kService});
    if (!reply.ok || reply.arguments.size() != 1) return std::nullopt;
    auto owner = AsString(reply.arguments.at(0));
    if (!owner || owner->isEmpty()) return std::nullopt;
    return owner;
  }

  // The profile's phonebook face, or nullopt when it is not of a dial-up kind or unreadable
  // (profiles the user may not see answer with an error).
  std::optional<Profile> ReadProfile(const QString& owner, const QString& path) {
    const Reply reply = Call(bus, owner, path, kProfileIface, QStringLiteral("GetSettings"));
    if (!reply.ok || reply.arguments.size() != 1) return std::nullopt;
    const auto settings = AsSettings(reply.arguments.at(0),
                                     {QStringLiteral("connection"), QStringLiteral("bluetooth")});
    if (!settings) return std::nullopt;
    const auto connection = settings->find(QStringLiteral("connection"));
    if (connection == settings->end()) return std::nullopt;
    const auto id = AsString(connection->second.value(QStringLiteral("id")));
    const auto type = AsString(connection->second.value(QStringLiteral("type")));
    if (!id || id->isEmpty() || !type) return std::nullopt;
    const auto metered = AsInt(connection->second.value(QStringLiteral("metered")));
    std::optional<QString> bluetoothType;
    if (const auto bt = settings->find(QStringLiteral("bluetooth")); bt != settings->end())
      bluetoothType = AsString(bt->second.value(QStringLiteral("type")));
    Profile profile{path, id->toStdString(), type->toStdString()};
    if (!NmIsDialUpProfile(profile.type, bluetoothType.value_or(QString()).toStdString(),
                           metered.value_or(0)))
      return std::nullopt;
    return profile;
  }

  std::optional<std::vector<Profile>> Phonebook(const QString& owner) {
    const Reply reply =
        Call(bus, owner, kSettingsPath, kSettingsIface, QStringLiteral("ListConnections"));
    if (!reply.ok || reply.arguments.size() != 1) return std::nullopt;
    const auto paths = AsPathList(reply.arguments.at(0));
    if (!paths) return std::nullopt;
    std::vector<Profile> profiles;
    std::set<std::string> ids;
    for (const QString& path : *paths) {
      auto profile = ReadProfile(owner, path);
      if (profile && ids.insert(profile->id).second) profiles.push_back(std::move(*profile));
    }
    return profiles;
  }

  std::optional<QVariant> Property(const QString& owner, const QString& path, const QString& iface,
                                   const QString& name, QString* errorName = nullptr) {
    const Reply reply =
        Call(bus, owner, path, kPropertiesIface, QStringLiteral("Get"), {iface, name});
    if (errorName) *errorName = reply.errorName;
    if (!reply.ok || reply.arguments.size() != 1) return std::nullopt;
    return Unwrap(reply.arguments.at(0));
  }

  std::optional<std::vector<QString>> ActivePaths(const QString& owner) {
    const auto value = Property(owner, kRootPath, kRootIface, QStringLiteral("ActiveConnections"));
    if (!value) return std::nullopt;
    return AsPathList(*value);
  }

  // nullopt when unreadable; `errorName` tells whether it is gone for good.
  std::optional<Active> ReadActive(const QString& owner, const QString& path,
                                   QString* errorName = nullptr) {
    const Reply reply =
        Call(bus, owner, path, kPropertiesIface, QStringLiteral("GetAll"), {kActiveIface});
    if (errorName) *errorName = reply.errorName;
    if (!reply.ok || reply.arguments.size() != 1) return std::nullopt;
    const auto properties = AsVariantMap(reply.arguments.at(0));
    if (!properties) return std::nullopt;
    const auto state = AsUInt(properties->value(QStringLiteral("State")));
    const auto profile = AsPath(properties->value(QStringLiteral("Connection")));
    if (!state || !profile) return std::nullopt;
    Active active{path, *profile, *state, std::nullopt};
    if (const auto devices = AsPathList(properties->value(QStringLiteral("Devices")));
        devices && !devices->empty())
      active.device = devices->front();
    return active;
  }

  std::optional<std::uint32_t> DeviceState(const QString& owner, const QString& device) {
    const auto value = Property(owner, device, kDeviceIface, QStringLiteral("State"));
    return value ? AsUInt(*value) : std::nullopt;
  }

  std::string DeviceName(const QString& owner, const std::optional<QString>& device) {
    if (!device) return {};
    const auto value = Property(owner, *device, kDeviceIface, QStringLiteral("Interface"));
    const auto name = value ? AsString(*value) : std::nullopt;
    return name ? name->toStdString() : std::string();
  }

  // 0 when every handle was handed out.
  HRASCONN HandleFor(const Identity& identity, const std::string& entry,
                     const std::string& deviceType) {
    if (const auto found = handles.find(identity); found != handles.end()) {
      bound[found->second].entry = entry;
      return found->second;
    }
    if (nextHandle > kLastHandle) return 0;
    const HRASCONN handle = nextHandle++;
    handles[identity] = handle;
    bound[handle] = Bound{identity, entry, deviceType};
    return handle;
  }

  void Retire(HRASCONN handle) {
    const auto found = bound.find(handle);
    if (found == bound.end()) return;
    handles.erase(found->second.identity);
    bound.erase(found);
  }

  static inline std::atomic<int> instances{0};
  const QString connectionName;
  QDBusConnection bus;
  std::mutex mutex;
  std::map<Identity, HRASCONN> handles;
  std::map<HRASCONN, Bound> bound;
  std::set<Identity> hungUp;  // deactivation asked for, object not yet gone
  HRASCONN nextHandle = 1;
};

NmRasProvider::NmRasProvider(const std::string& busAddress)
    : impl_(std::make_unique<Impl>(busAddress)) {}

NmRasProvider::~NmRasProvider() = default;

bool NmRasProvider::Present() const {
  return impl_->Owner().has_value();
}

bool NmRasProvider::HasDialUpProfiles() {
  std::vector<std::string> entries;
  return RasEnumEntriesA(entries) == ERROR_SUCCESS_RAS && !entries.empty();
}

std::uint32_t NmRasProvider::RasEnumEntriesA(std::vector<std::string>& entries) {
  std::lock_guard lock(impl_->mutex);
  entries.clear();
  const auto owner = impl_->Owner();
  if (!owner) return ERROR_CANNOT_OPEN_PHONEBOOK;
  const auto profiles = impl_->Phonebook(*owner);
  if (!profiles) return ERROR_CANNOT_OPEN_PHONEBOOK;
  for (const Profile& profile : *profiles) entries.push_back(profile.id);
  return ERROR_SUCCESS_RAS;
}

std::uint32_t NmRasProvider::RasEnumConnectionsA(RASCONNA& connection, std::uint32_t& count) {
  std::lock_guard lock(impl_->mutex);
  count = 0;
  connection = RASCONNA{};
  const auto owner = impl_->Owner();
  if (!owner) return ERROR_CANNOT_OPEN_PHONEBOOK;
  const auto paths = impl_->ActivePaths(*owner);
  if (!paths) return ERROR_CANNOT_OPEN_PHONEBOOK;

  struct Found {
    Active active;
    Profile profile;
  };
  std::vector<Found> found;
  std::map<QString, std::optional<Profile>> profiles;  // read once per call
  std::set<Impl::Identity> listed;
  for (const QString& path : *paths) {
    listed.insert({*owner, path});
    if (impl_->hungUp.count({*owner, path})) continue;
    auto active = impl_->ReadActive(*owner, path);
    if (!active || !NmRasState(active->state, std::nullopt)) continue;
    auto known = profiles.find(active->profilePath);
    if (known == profiles.end())
      known = profiles.emplace(active->profilePath, impl_->ReadProfile(*owner, active->profilePath))
                  .first;
    if (known->second) found.push_back(Found{std::move(*active), *known->second});
  }

  // A connection no longer listed has ended: its handle must not come back to life.
  std::set<Impl::Identity> seen;
  for (const Found& f : found) seen.insert({*owner, f.active.path});
  for (auto it = impl_->bound.begin(); it != impl_->bound.end();) {
    if (seen.count(it->second.identity)) {
      ++it;
    } else {
      impl_->handles.erase(it->second.identity);
      it = impl_->bound.erase(it);
    }
  }
  std::erase_if(impl_->hungUp, [&](const Impl::Identity& id) { return !listed.count(id); });

  count = static_cast<std::uint32_t>(found.size());
  if (found.size() > 1) return ERROR_BUFFER_TOO_SMALL;
  if (found.empty()) return ERROR_SUCCESS_RAS;
  const Found& only = found.front();
  const std::string deviceType = DeviceTypeOf(only.profile.type);
  const HRASCONN handle = impl_->HandleFor({*owner, only.active.path}, only.profile.id, deviceType);
  if (handle == 0) {
    count = 0;
    return ERROR_CANNOT_OPEN_PHONEBOOK;
  }
  connection.hrasconn = handle;
  connection.szEntryName = only.profile.id;
  connection.szDeviceType = deviceType;
  connection.szDeviceName = impl_->DeviceName(*owner, only.active.device);
  return ERROR_SUCCESS_RAS;
}

std::uint32_t NmRasProvider::RasGetConnectStatusA(HRASCONN handle, RASCONNSTATUSA& status) {
  std::lock_guard lock(impl_->mutex);
  status = RASCONNSTATUSA{};
  const auto found = impl_->bound.find(handle);
  if (found == impl_->bound.end()) return ERROR_INVALID_HANDLE;
  const auto [owner, path] = found->second.identity;
  QString errorName;
  const auto active = impl_->ReadActive(owner, path, &errorName);
  if (!active) {
    if (MeansGone(errorName)) impl_->Retire(handle);
    return ERROR_INVALID_HANDLE;
  }
  std::optional<std::uint32_t> deviceState;
  if (active->state != kActiveActivated && active->device)
    deviceState = impl_->DeviceState(owner, *active->device);
  const auto state = NmRasState(active->state, deviceState);
  if (!state) {
    impl_->Retire(handle);
    return ERROR_INVALID_HANDLE;
  }
  status.rasconnstate = *state;
  status.szDeviceType = found->second.deviceType;
  status.szDeviceName = impl_->DeviceName(owner, active->device);
  return ERROR_SUCCESS_RAS;
}

std::uint32_t NmRasProvider::RasHangUpA(HRASCONN handle) {
  std::lock_guard lock(impl_->mutex);
  const auto found = impl_->bound.find(handle);
  if (found == impl_->bound.end()) return ERROR_INVALID_HANDLE;
  const auto [owner, path] = found->second.identity;
  const Reply reply =
      Call(impl_->bus, owner, kRootPath, kRootIface, QStringLiteral("DeactivateConnection"),
           {QVariant::fromValue(QDBusObjectPath(path))}, kActionTimeoutMs);
  if (reply.ok || MeansGone(reply.errorName)) {
    if (reply.ok) impl_->hungUp.insert({owner, path});
    impl_->Retire(handle);
    return reply.ok ? ERROR_SUCCESS_RAS : ERROR_INVALID_HANDLE;
  }
  LogFailure("raccrocher", reply);
  return kErrorServiceFailed;
}

std::uint32_t NmRasProvider::Dial(const std::string& entry) {
  std::lock_guard lock(impl_->mutex);
  const auto owner = impl_->Owner();
  if (!owner) return ERROR_CANNOT_OPEN_PHONEBOOK;
  const auto profiles = impl_->Phonebook(*owner);
  if (!profiles) return ERROR_CANNOT_OPEN_PHONEBOOK;
  const Profile* profile = nullptr;
  for (const Profile& p : *profiles) {
    if (p.id == entry) {
      profile = &p;
      break;
    }
  }
  if (!profile) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;

  // Activating an active profile would tear it down and start over.
  if (const auto paths = impl_->ActivePaths(*owner)) {
    for (const QString& path : *paths) {
      const auto active = impl_->ReadActive(*owner, path);
      if (!impl_->hungUp.count({*owner, path}) && active && active->profilePath == profile->path &&
          NmRasState(active->state, std::nullopt))
        return ERROR_SUCCESS_RAS;
    }
  }

  // "/" for the device and the specific object lets the daemon pick the modem.
  const QVariant none = QVariant::fromValue(QDBusObjectPath(QStringLiteral("/")));
  const Reply reply =
      Call(impl_->bus, *owner, kRootPath, kRootIface, QStringLiteral("ActivateConnection"),
           {QVariant::fromValue(QDBusObjectPath(profile->path)), none, none}, kActionTimeoutMs);
  if (reply.ok) return ERROR_SUCCESS_RAS;
  LogFailure("numérotation", reply);
  lastError_ = "NetworkManager refuse la numérotation : " +
               (reply.errorMessage.isEmpty() ? reply.errorName : reply.errorMessage).toStdString();
  return kErrorServiceFailed;
}

std::string NmRasProvider::ErrorText(std::uint32_t code) const {
  if (code == kErrorServiceFailed && !lastError_.empty()) return lastError_;
  return RasErrorText(code);
}

std::string NmRasProvider::OffLineUnavailableReason() const {
  return "NetworkManager n'a pas d'état hors ligne propre à l'accès distant : le couper "
         "couperait aussi le réseau local.";
}

void NmRasProvider::SetOffLine() {
  ++offLineCount_;
  std::fputs(
      "chronolin: nm: hors ligne noté ; le réseau reste actif (le couper couperait aussi "
      "le réseau local)\n",
      stderr);
}

std::unique_ptr<RasProvider> MakeNmRasProvider() {
  auto provider = std::make_unique<NmRasProvider>();
  if (!provider->Present()) return nullptr;
  return provider;
}

bool NmHasDialUpProfiles() {
  NmRasProvider provider;
  return provider.Present() && provider.HasDialUpProfiles();
}

}  // namespace chronolin
