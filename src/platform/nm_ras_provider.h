#pragma once
// Remote access through NetworkManager, over D-Bus.
//
// Phonebook: the connection profiles of a dial-up kind, in the order Settings.ListConnections
// gives them, named by connection.id. A profile is of a dial-up kind when connection.type is
// "gsm", "cdma" or "pppoe", or "bluetooth" with bluetooth.type "dun", or when the user marked
// it metered (connection.metered = 1; NetworkManager's own guess, 3, does not count): a hotspot
// the user pays by the minute is what this program watches, whatever carries it. A second
// profile with an id already listed is left out, so a name always dials the same profile.
//
// Active connections: the ActiveConnections whose profile is in the phonebook and whose state is
// unknown, activating or activated. Handles are bound to the active connection's object path
// and to the daemon instance (its unique bus name) that exported it, so a restarted daemon that
// numbers its objects afresh never revives an old handle.
//
// Qt stays out of this header so that users of the platform library need not build against it.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/ras_provider.h"

namespace chronolin {

// The phonebook rule above, on the profile's settings.
bool NmIsDialUpProfile(const std::string& connectionType, const std::string& bluetoothType,
                       std::int32_t metered);

// The RASCS_* state of an active connection from its state (0 unknown, 1 activating,
// 2 activated, 3 deactivating, 4 deactivated) and, while activating, its first device's state;
// nullopt when the connection is gone or going.
std::optional<std::int32_t> NmRasState(std::uint32_t activeState,
                                       std::optional<std::uint32_t> deviceState);

class NmRasProvider final : public RasProvider {
 public:
  // Dial or hang-up refused by the daemon (no permission, no device, ...).
  static constexpr std::uint32_t kErrorServiceFailed = 31;

  // An empty `busAddress` means the system bus; otherwise a D-Bus address such as
  // "unix:path=/tmp/x" (tests run a stand-in daemon on a private bus).
  explicit NmRasProvider(const std::string& busAddress = {});
  ~NmRasProvider() override;
  NmRasProvider(const NmRasProvider&) = delete;
  NmRasProvider& operator=(const NmRasProvider&) = delete;

  // Whether the daemon owns its name on the bus.
  bool Present() const;
  // Whether the phonebook has at least one entry.
  bool HasDialUpProfiles();

  std::uint32_t RasEnumEntriesA(std::vector<std::string>& entries) override;
  std::uint32_t RasEnumConnectionsA(RASCONNA& connection, std::uint32_t& count) override;
  std::uint32_t RasGetConnectStatusA(HRASCONN handle, RASCONNSTATUSA& status) override;
  std::uint32_t RasHangUpA(HRASCONN handle) override;
  // Returns 0 without dialling again when the entry already has an active connection.
  std::uint32_t Dial(const std::string& entry) override;
  // Only records it and says so on stderr: turning networking off would also cut the user's
  // wired or wireless LAN, which has nothing to do with the metered line.
  void SetOffLine() override;
  std::string OffLineUnavailableReason() const override;
  std::string ErrorText(std::uint32_t code) const override;
  std::string Name() const override { return "nm"; }

  // Times SetOffLine was called.
  int OffLineCount() const { return offLineCount_; }

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  int offLineCount_ = 0;
  std::string lastError_;  // the last refused dial, in the daemon's words
};

// nullptr when NetworkManager is not on the system bus.
std::unique_ptr<RasProvider> MakeNmRasProvider();

// Whether NetworkManager is on the system bus and has at least one dial-up profile, for picking
// a provider without being told.
bool NmHasDialUpProfiles();

}  // namespace chronolin
