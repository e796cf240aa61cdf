#include "platform/sim_ras_provider.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/sim_ras_state.h"

namespace chronolin {
namespace {

namespace fs = std::filesystem;
using sim_ras::DirectoryLock;
using sim_ras::State;

constexpr const char* kDeviceType = "modem";
constexpr const char* kDeviceName = "Modem simulé";

fs::path PhonebookPath(const fs::path& dir) {
  return dir / "phonebook";
}
fs::path ConnectionsPath(const fs::path& dir) {
  return dir / "connections";
}
fs::path OfflinePath(const fs::path& dir) {
  return dir / "offline";
}

bool LoadPhonebook(const fs::path& dir, State& state) {
  std::string text;
  if (sim_ras::ReadStateFile(PhonebookPath(dir), text) == sim_ras::ReadResult::kFailed) {
    return false;
  }
  state.phonebook = sim_ras::ParsePhonebook(text);
  return true;
}

bool LoadConnections(const fs::path& dir, State& state) {
  std::string text;
  if (sim_ras::ReadStateFile(ConnectionsPath(dir), text) == sim_ras::ReadResult::kFailed) {
    return false;
  }
  sim_ras::ParseConnections(text, state);
  return true;
}

bool LoadAll(const fs::path& dir, State& state) {
  return LoadPhonebook(dir, state) && LoadConnections(dir, state);
}

// Reads the state under a shared lock.
template <typename Load>
std::uint32_t Read(const fs::path& dir, State& state, Load load) {
  DirectoryLock lock;
  if (!lock.Acquire(dir, DirectoryLock::Mode::kShared) || !load(dir, state)) {
    return ERROR_CANNOT_OPEN_PHONEBOOK;
  }
  return ERROR_SUCCESS_RAS;
}

struct Changes {
  bool phonebook = false;
  bool connections = false;
};

// One read-modify-write under the exclusive lock: concurrent writers never lose each other's
// updates. `change` returns non-zero to abandon without writing.
template <typename Change>
std::uint32_t Mutate(const fs::path& dir, Change change) {
  DirectoryLock lock;
  State state;
  if (!lock.Acquire(dir, DirectoryLock::Mode::kExclusive) || !LoadAll(dir, state)) {
    return ERROR_CANNOT_OPEN_PHONEBOOK;
  }
  Changes changes;
  if (const std::uint32_t rc = change(state, changes); rc != ERROR_SUCCESS_RAS) return rc;
  if (changes.phonebook &&
      !sim_ras::ReplaceStateFile(PhonebookPath(dir), sim_ras::FormatPhonebook(state.phonebook))) {
    return ERROR_CANNOT_OPEN_PHONEBOOK;
  }
  if (changes.connections &&
      !sim_ras::ReplaceStateFile(ConnectionsPath(dir), sim_ras::FormatConnections(state))) {
    return ERROR_CANNOT_OPEN_PHONEBOOK;
  }
  return ERROR_SUCCESS_RAS;
}

// The provider interface reports failures as numbers; nothing may escape as an exception
// (bad_alloc, a filesystem_error from path handling).
template <typename Body>
std::uint32_t Guarded(Body body) {
  try {
    return body();
  } catch (...) {
    return ERROR_CANNOT_OPEN_PHONEBOOK;
  }
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

std::filesystem::path DefaultSimRasDirectory() {
  if (const char* dir = std::getenv("CHRONOLIN_RAS_DIR"); dir && *dir) return dir;
  // Relative values of XDG_STATE_HOME are to be ignored.
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/') {
    return fs::path(state) / "chronolin" / "ras";
  }
  fs::path home;
  if (const char* env = std::getenv("HOME"); env && *env) {
    home = env;
  } else {
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found &&
        found->pw_dir) {
      home = found->pw_dir;
    } else {
      home = fs::path("/tmp") / ("chronolin-" + std::to_string(::getuid()));
    }
  }
  return home / ".local" / "state" / "chronolin" / "ras";
}

SimRasProvider::SimRasProvider(std::filesystem::path directory, std::function<double()> now)
    : directory_(std::move(directory)), now_(std::move(now)) {
  if (!now_) now_ = sim_ras::WallClockNow;
}

std::int32_t SimRasProvider::StateAt(double authTime, double connectTime) const {
  const double now = now_();
  if (now >= connectTime) return RASCS_Connected;
  if (now >= authTime) return RASCS_Authenticate;
  return RASCS_ConnectDevice;
}

std::uint32_t SimRasProvider::RasEnumEntriesA(std::vector<std::string>& entries) {
  entries.clear();
  return Guarded([&] {
    State state;
    const std::uint32_t rc = Read(directory_, state, LoadPhonebook);
    if (rc == ERROR_SUCCESS_RAS) entries = std::move(state.phonebook);
    return rc;
  });
}

std::uint32_t SimRasProvider::RasEnumConnectionsA(RASCONNA& connection, std::uint32_t& count) {
  count = 0;
  return Guarded([&]() -> std::uint32_t {
    State state;
    if (const std::uint32_t rc = Read(directory_, state, LoadConnections); rc != 0) return rc;
    count = static_cast<std::uint32_t>(state.connections.size());
    if (count > 1) return ERROR_BUFFER_TOO_SMALL;
    if (count == 1) {
      const sim_ras::Connection& c = state.connections.front();
      connection.hrasconn = c.handle;
      connection.szEntryName = c.entry;
      connection.szDeviceType = kDeviceType;
      connection.szDeviceName = kDeviceName;
    }
    return ERROR_SUCCESS_RAS;
  });
}

std::uint32_t SimRasProvider::RasGetConnectStatusA(HRASCONN handle, RASCONNSTATUSA& status) {
  return Guarded([&]() -> std::uint32_t {
    State state;
    if (const std::uint32_t rc = Read(directory_, state, LoadConnections); rc != 0) return rc;
    for (const sim_ras::Connection& c : state.connections) {
      if (c.handle != handle) continue;
      status.rasconnstate = StateAt(c.authTime, c.connectTime);
      status.dwError = 0;
      status.szDeviceType = kDeviceType;
      status.szDeviceName = kDeviceName;
      return ERROR_SUCCESS_RAS;
    }
    return ERROR_INVALID_HANDLE;
  });
}

std::uint32_t SimRasProvider::RasHangUpA(HRASCONN handle) {
  return Guarded([&] {
    return Mutate(directory_, [&](State& state, Changes& changes) -> std::uint32_t {
      auto& list = state.connections;
      const auto it = std::find_if(list.begin(), list.end(), [&](const sim_ras::Connection& c) {
        return c.handle == handle;
      });
      if (it == list.end()) return ERROR_INVALID_HANDLE;
      list.erase(it);
      changes.connections = true;
      return ERROR_SUCCESS_RAS;
    });
  });
}

std::uint32_t SimRasProvider::Dial(const std::string& entry) {
  return Dial(entry, kDefaultAuthAfter, kDefaultConnectAfter, nullptr);
}

std::uint32_t SimRasProvider::Dial(const std::string& entry, double authAfterSeconds,
                                   double connectAfterSeconds, HRASCONN* handleOut) {
  if (handleOut) *handleOut = 0;
  if (!std::isfinite(authAfterSeconds) || !std::isfinite(connectAfterSeconds) ||
      authAfterSeconds < 0 || connectAfterSeconds < authAfterSeconds) {
    return kErrorInvalidParameter;
  }
  const std::uint32_t rc = Guarded([&] {
    return Mutate(directory_, [&](State& state, Changes& changes) -> std::uint32_t {
      if (!Contains(state.phonebook, entry)) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
      for (const sim_ras::Connection& c : state.connections) {
        if (c.entry != entry) continue;
        // Dialling a line that is already up is a no-op, as the dial-up dialog makes it.
        if (handleOut) *handleOut = c.handle;
        return ERROR_SUCCESS_RAS;
      }
      if (state.nextHandle == 0 || state.nextHandle > sim_ras::kMaxHandle) {
        return kErrorOutOfHandles;
      }
      const double now = now_();
      const HRASCONN handle = state.nextHandle++;
      state.connections.push_back(
          {handle, entry, now, now + authAfterSeconds, now + connectAfterSeconds});
      changes.connections = true;
      if (handleOut) *handleOut = handle;
      return ERROR_SUCCESS_RAS;
    });
  });
  // The handle was set before the write; a failed write means no connection.
  if (rc != ERROR_SUCCESS_RAS && handleOut) *handleOut = 0;
  return rc;
}

void SimRasProvider::SetOffLine() {
  try {
    DirectoryLock lock;
    if (lock.Acquire(directory_, DirectoryLock::Mode::kExclusive)) {
      sim_ras::AppendStateLine(OfflinePath(directory_), sim_ras::FormatTime(now_()));
    }
  } catch (...) {
    // Recording is a courtesy; forcing offline must not fail the caller.
  }
  std::fputs("chronolin: hors ligne forcé\n", stderr);
}

std::uint32_t SimRasProvider::AddEntry(const std::string& name) {
  if (!sim_ras::IsValidEntryName(name)) return kErrorInvalidParameter;
  return Guarded([&] {
    return Mutate(directory_, [&](State& state, Changes& changes) -> std::uint32_t {
      if (Contains(state.phonebook, name)) return kErrorAlreadyExists;
      state.phonebook.push_back(name);
      changes.phonebook = true;
      return ERROR_SUCCESS_RAS;
    });
  });
}

std::uint32_t SimRasProvider::RemoveEntry(const std::string& name) {
  return Guarded([&] {
    return Mutate(directory_, [&](State& state, Changes& changes) -> std::uint32_t {
      const auto it = std::find(state.phonebook.begin(), state.phonebook.end(), name);
      if (it == state.phonebook.end()) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
      state.phonebook.erase(it);
      changes.phonebook = true;
      return ERROR_SUCCESS_RAS;
    });
  });
}

std::uint32_t SimRasProvider::RemoveConnectionOf(const std::string& entry) {
  return Guarded([&] {
    return Mutate(directory_, [&](State& state, Changes& changes) -> std::uint32_t {
      auto& list = state.connections;
      const auto it = std::find_if(list.begin(), list.end(),
                                   [&](const sim_ras::Connection& c) { return c.entry == entry; });
      if (it == list.end()) return kErrorNoConnection;
      list.erase(it);
      changes.connections = true;
      return ERROR_SUCCESS_RAS;
    });
  });
}

// Both end the connection the same way in the state; they differ in who ended it, which only
// matters to the person driving the simulation.
std::uint32_t SimRasProvider::Drop(const std::string& entry) {
  return RemoveConnectionOf(entry);
}
std::uint32_t SimRasProvider::HangUp(const std::string& entry) {
  return RemoveConnectionOf(entry);
}

std::uint32_t SimRasProvider::ListConnections(std::vector<ActiveConnection>& connections) {
  connections.clear();
  return Guarded([&]() -> std::uint32_t {
    State state;
    if (const std::uint32_t rc = Read(directory_, state, LoadConnections); rc != 0) return rc;
    for (sim_ras::Connection& c : state.connections) {
      connections.push_back({c.handle, std::move(c.entry), c.dialTime, c.authTime, c.connectTime,
                             StateAt(c.authTime, c.connectTime)});
    }
    return ERROR_SUCCESS_RAS;
  });
}

std::uint32_t SimRasProvider::OffLineTimes(std::vector<double>& times) {
  times.clear();
  return Guarded([&]() -> std::uint32_t {
    DirectoryLock lock;
    lock.Acquire(directory_, DirectoryLock::Mode::kShared);
    std::string text;
    if (sim_ras::ReadStateFile(OfflinePath(directory_), text) == sim_ras::ReadResult::kFailed) {
      return ERROR_CANNOT_OPEN_PHONEBOOK;
    }
    times = sim_ras::ParseOffline(text);
    return ERROR_SUCCESS_RAS;
  });
}

}  // namespace chronolin
