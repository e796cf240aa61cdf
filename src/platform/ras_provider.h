#pragma once
// Remote access: the phonebook, the active connections and their states. The calls keep the
// names, results and state numbers the counter relies on; what stands behind them (a simulated
// line, NetworkManager, pppd) is the provider's business.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace chronolin {

using HRASCONN = std::uint32_t;

inline constexpr std::uint32_t ERROR_SUCCESS_RAS = 0;
inline constexpr std::uint32_t ERROR_BUFFER_TOO_SMALL = 603;
inline constexpr std::uint32_t ERROR_INVALID_HANDLE = 6;
inline constexpr std::uint32_t ERROR_CANNOT_FIND_PHONEBOOK_ENTRY = 623;
inline constexpr std::uint32_t ERROR_CANNOT_OPEN_PHONEBOOK = 621;
// The remote-access service is not (yet) running: every call fails with it until it is.
inline constexpr std::uint32_t ERROR_RASMAN_CANNOT_INITIALIZE = 711;

inline constexpr std::int32_t RASCS_ConnectDevice = 2;
inline constexpr std::int32_t RASCS_Authenticate = 5;
inline constexpr std::int32_t RASCS_Connected = 0x2000;     // 8192
inline constexpr std::int32_t RASCS_Disconnected = 0x2001;  // 8193

// One active connection, as a one-record RASCONN buffer returns it.
struct RASCONNA {
  HRASCONN hrasconn = 0;
  std::string szEntryName;
  std::string szDeviceType;
  std::string szDeviceName;
};

struct RASCONNSTATUSA {
  std::int32_t rasconnstate = 0;
  std::uint32_t dwError = 0;
  std::string szDeviceType;
  std::string szDeviceName;
};

class RasProvider {
 public:
  virtual ~RasProvider() = default;

  // The phonebook's entry names, in phonebook order. 0 on success.
  virtual std::uint32_t RasEnumEntriesA(std::vector<std::string>& entries) = 0;

  // Room for exactly one connection: with none or one active, returns 0, sets `count` and, for
  // one, fills `connection`. With two or more returns ERROR_BUFFER_TOO_SMALL and sets `count` to
  // the number needed. Any other non-zero result is a failure.
  virtual std::uint32_t RasEnumConnectionsA(RASCONNA& connection, std::uint32_t& count) = 0;

  // 0 and the state, or non-zero when the handle's status can no longer be read.
  virtual std::uint32_t RasGetConnectStatusA(HRASCONN handle, RASCONNSTATUSA& status) = 0;

  virtual std::uint32_t RasHangUpA(HRASCONN handle) = 0;

  // Dials a phonebook entry (the dial-up dialog's job on the original system). 0 once the dial
  // has started; the connection then goes through its states on its own.
  virtual std::uint32_t Dial(const std::string& entry) = 0;

  // Forces the provider's notion of "offline", where it has one; otherwise records it. Never
  // throws.
  virtual void SetOffLine() = 0;
  // Why this provider has no "offline" state to force, for the user; empty when it has one.
  virtual std::string OffLineUnavailableReason() const { return {}; }

  // A failure code this provider returned, explained for the user (in French). The last
  // failure's own words where the service gave some.
  virtual std::string ErrorText(std::uint32_t code) const { return RasErrorText(code); }
  // The texts of the codes every provider shares.
  static std::string RasErrorText(std::uint32_t code);

  // Short name for messages ("sim", "nm", "pppd").
  virtual std::string Name() const = 0;
};

// The provider to run on, and whether it was picked by looking around (to be remembered, so
// that later starts keep it).
struct RasSelection {
  std::unique_ptr<RasProvider> provider;
  bool remember = false;
};

// CHRONOLIN_RAS (sim, nm, pppd) first; then the provider `remembered` from an earlier start,
// waited for when it is not up yet; else NetworkManager or pppd when they have something to
// dial, and the simulated line otherwise.
RasSelection SelectRasProvider(const std::string& remembered);
// SelectRasProvider with nothing remembered.
std::unique_ptr<RasProvider> MakeRasProvider();

}  // namespace chronolin
