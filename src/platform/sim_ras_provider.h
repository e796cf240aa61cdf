#pragma once
// The simulated dial-up line: a phonebook and connections kept in a state directory that any
// number of processes share (the program, the chronolin-ras tool, tests). A dialled connection
// goes through its states on a schedule fixed at dial time, so every reader agrees on the state
// without anything running in the background. See sim_ras_state.h for the files.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/ras_provider.h"

namespace chronolin {

// $CHRONOLIN_RAS_DIR when set, else $XDG_STATE_HOME/chronolin/ras (~/.local/state by default).
std::filesystem::path DefaultSimRasDirectory();

class SimRasProvider final : public RasProvider {
 public:
  // Results of the tool-facing calls, besides the ones in ras_provider.h. State I/O failures
  // give ERROR_CANNOT_OPEN_PHONEBOOK.
  static constexpr std::uint32_t kErrorInvalidParameter = 87;  // bad name or schedule
  static constexpr std::uint32_t kErrorAlreadyExists = 183;    // AddEntry of a present name
  static constexpr std::uint32_t kErrorNoConnection = 668;     // Drop/HangUp of an idle entry
  static constexpr std::uint32_t kErrorOutOfHandles = 8;       // all 2^31-1 handles handed out

  static constexpr double kDefaultAuthAfter = 1.0;
  static constexpr double kDefaultConnectAfter = 2.0;

  struct ActiveConnection {
    HRASCONN handle = 0;
    std::string entry;
    double dialTime = 0;  // wall-clock seconds
    double authTime = 0;
    double connectTime = 0;
    std::int32_t state = 0;  // RASCS_* at the time of the listing
  };

  // `now` returns wall-clock seconds; the real clock when empty. Tests pass a fake one.
  explicit SimRasProvider(std::filesystem::path directory, std::function<double()> now = {});

  std::uint32_t RasEnumEntriesA(std::vector<std::string>& entries) override;
  std::uint32_t RasEnumConnectionsA(RASCONNA& connection, std::uint32_t& count) override;
  std::uint32_t RasGetConnectStatusA(HRASCONN handle, RASCONNSTATUSA& status) override;
  std::uint32_t RasHangUpA(HRASCONN handle) override;
  std::uint32_t Dial(const std::string& entry) override;
  // Appends the time to the directory's "offline" file and says so on stderr.
  void SetOffLine() override;
  std::string Name() const override { return "sim"; }

  // Dials with the given schedule: RASCS_Authenticate from authAfterSeconds after now,
  // RASCS_Connected from connectAfterSeconds (0 <= auth <= connect, finite). When the entry is
  // already connected, returns 0 with that connection's handle and changes nothing.
  std::uint32_t Dial(const std::string& entry, double authAfterSeconds, double connectAfterSeconds,
                     HRASCONN* handleOut);

  // Appends to the phonebook. kErrorAlreadyExists for a present name, kErrorInvalidParameter
  // for an empty name, a line break or invalid UTF-8.
  std::uint32_t AddEntry(const std::string& name);
  // ERROR_CANNOT_FIND_PHONEBOOK_ENTRY when absent. An active connection of that entry stays up
  // (as a real line would) until hung up or dropped; it just cannot be dialled again.
  std::uint32_t RemoveEntry(const std::string& name);
  // The line falls: the entry's connection vanishes without a hang-up, its handle's status can
  // no longer be read. kErrorNoConnection when the entry has none.
  std::uint32_t Drop(const std::string& entry);
  // Hangs up the entry's connection; kErrorNoConnection when it has none.
  std::uint32_t HangUp(const std::string& entry);

  // Active connections in dial order, with their current state.
  std::uint32_t ListConnections(std::vector<ActiveConnection>& connections);
  // The times SetOffLine was called, oldest first.
  std::uint32_t OffLineTimes(std::vector<double>& times);

  const std::filesystem::path& Directory() const { return directory_; }

 private:
  std::int32_t StateAt(double authTime, double connectTime) const;
  std::uint32_t RemoveConnectionOf(const std::string& entry);

  std::filesystem::path directory_;
  std::function<double()> now_;
};

}  // namespace chronolin
