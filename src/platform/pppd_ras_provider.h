#pragma once
// Remote access through pppd peers.
//
// Phonebook: the regular files of the peers directory, sorted by name, without backups ("*~",
// "*.bak", "*.dpkg-*", "*.ucf-*") and hidden files, and without a template whose "connect" line
// still holds the placeholder number "********" (the ppp package's "provider").
//
// Active connections: live (non-zombie) processes named pppd that were started for a peer, which
// is recognised by "call PEER" or "file PEERS_DIR/PEER" on the command line, or by the
// ppp-LINKNAME.pid file in the run directory naming that process (LINKNAME is the peer's
// "linkname" option, else the peer's name). Each is one connection; its handle is bound to the
// process id and start time, so a recycled pid is never taken for the same connection.
//
// States: the interface is the one named by a run-directory pid file of that process (IFNAME.pid,
// or the second line of ppp-LINKNAME.pid). No interface known or present yet: RASCS_ConnectDevice.
// Interface present but not up, running and holding an IPv4 address: RASCS_Authenticate. All
// three: RASCS_Connected. The IFNAME.pid file alone is not taken for "connected": pppd writes it
// as soon as the unit exists, before authentication.
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/ras_provider.h"

namespace chronolin {

struct PppdInterfaceInfo {
  bool exists = false;
  bool up = false;       // IFF_UP
  bool running = false;  // IFF_RUNNING
  bool hasIpv4 = false;
};

// What the system says about a network interface; tests substitute their own.
class PppdInterfaceProbe {
 public:
  virtual ~PppdInterfaceProbe() = default;
  virtual PppdInterfaceInfo Probe(const std::string& ifname) = 0;
};

// The running system's interfaces (getifaddrs).
std::unique_ptr<PppdInterfaceProbe> MakeSystemInterfaceProbe();

struct PppdPaths {
  std::filesystem::path peersDir = "/etc/ppp/peers";
  std::filesystem::path runDir = "/run";
  std::filesystem::path procRoot = "/proc";
  // Looked up in PATH when it has no slash.
  std::string pppdProgram = "pppd";
};

class PppdRasProvider final : public RasProvider {
 public:
  // The pppd program could not be started.
  static constexpr std::uint32_t kErrorDialFailed = 31;
  // Every handle up to 2^31-1 was handed out.
  static constexpr std::uint32_t kErrorOutOfHandles = 8;

  // A null probe means the system's.
  explicit PppdRasProvider(PppdPaths paths = {}, std::shared_ptr<PppdInterfaceProbe> probe = {});

  std::uint32_t RasEnumEntriesA(std::vector<std::string>& entries) override;
  std::uint32_t RasEnumConnectionsA(RASCONNA& connection, std::uint32_t& count) override;
  std::uint32_t RasGetConnectStatusA(HRASCONN handle, RASCONNSTATUSA& status) override;
  // SIGTERM to the handle's pppd, once its start time shows it is still the same process.
  std::uint32_t RasHangUpA(HRASCONN handle) override;
  // Starts "pppd call ENTRY" without waiting for it; returns 0 without starting another when the
  // entry already has a live pppd.
  std::uint32_t Dial(const std::string& entry) override;
  // pppd has no "offline" of its own: records it and says so on stderr.
  void SetOffLine() override;
  std::string OffLineUnavailableReason() const override;
  std::string ErrorText(std::uint32_t code) const override;
  std::string Name() const override { return "pppd"; }

  int OffLineCount() const { return offLineCount_; }
  const PppdPaths& Paths() const { return paths_; }

 private:
  struct Live {
    HRASCONN handle = 0;
    std::string entry;
    int pid = 0;
    unsigned long long startTime = 0;
    std::string ifname;  // empty while unknown
  };
  using Identity = std::pair<int, unsigned long long>;  // pid, start time

  // The live connections, ordered by phonebook entry then pid; false when the peers directory
  // cannot be read.
  bool Scan(std::vector<Live>& live);
  // The handle for an identity, handing out a new one the first time it is seen (0 when none is
  // left).
  HRASCONN HandleFor(const Identity& identity);
  std::int32_t StateOf(const Live& live);

  PppdPaths paths_;
  std::shared_ptr<PppdInterfaceProbe> probe_;
  mutable std::mutex mutex_;
  std::map<Identity, HRASCONN> handles_;
  std::map<HRASCONN, Identity> identities_;
  std::set<Identity> hungUp_;  // SIGTERM sent, process not yet gone
  HRASCONN nextHandle_ = 1;
  int offLineCount_ = 0;
  std::string lastError_;  // the last failed dial, in the words of the system
};

std::unique_ptr<RasProvider> MakePppdRasProvider();

}  // namespace chronolin
