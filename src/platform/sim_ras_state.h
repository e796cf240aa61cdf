#pragma once
// The simulated line's state directory, shared by every process that uses it:
//   lock         flock target; writers hold it exclusively for a whole read-modify-write
//   phonebook    one entry name per line, in phonebook order
//   connections  "next\tN" (the next handle to hand out), then one line per active connection:
//                "conn\tHANDLE\tDIAL\tAUTH\tCONNECT\tNAME" (times are wall-clock seconds; the
//                name comes last so it may hold tabs)
//   offline      one wall-clock time per line, appended each time the program forced offline
// phonebook and connections are only ever replaced whole (temp file, fsync, rename), so a reader
// sees either the old or the new file. Lines that do not parse are skipped, never fatal.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ras_provider.h"

namespace chronolin::sim_ras {

struct Connection {
  HRASCONN handle = 0;
  std::string entry;
  double dialTime = 0;
  double authTime = 0;     // reaches RASCS_Authenticate
  double connectTime = 0;  // reaches RASCS_Connected
};

struct State {
  std::vector<std::string> phonebook;
  std::vector<Connection> connections;
  HRASCONN nextHandle = 1;
};

// Handles stay within a positive signed 32-bit range so callers that keep them in an int are safe.
inline constexpr HRASCONN kMaxHandle = 0x7fffffff;

// Non-empty, valid UTF-8, no line break or NUL: anything else could not be stored one per line.
bool IsValidEntryName(std::string_view name);

std::vector<std::string> ParsePhonebook(std::string_view text);
std::string FormatPhonebook(const std::vector<std::string>& phonebook);
// Fills connections and nextHandle; nextHandle is never at or below an active handle.
void ParseConnections(std::string_view text, State& state);
std::string FormatConnections(const State& state);
std::vector<double> ParseOffline(std::string_view text);
std::string FormatTime(double seconds);
std::optional<double> ParseTime(std::string_view text);

// Wall-clock seconds (CLOCK_REALTIME), comparable across processes.
double WallClockNow();

// An flock on the directory's lock file, released on destruction. Shared locks never create
// anything; a missing directory or lock file just means there is nothing to wait for.
class DirectoryLock {
 public:
  enum class Mode { kShared, kExclusive };
  DirectoryLock() = default;
  DirectoryLock(const DirectoryLock&) = delete;
  DirectoryLock& operator=(const DirectoryLock&) = delete;
  ~DirectoryLock();
  // kExclusive creates the directory first. False on an I/O failure.
  bool Acquire(const std::filesystem::path& directory, Mode mode);

 private:
  int fd_ = -1;
};

enum class ReadResult { kOk, kMissing, kFailed };
// Reads a whole state file; kMissing leaves `text` empty.
ReadResult ReadStateFile(const std::filesystem::path& path, std::string& text);
// Replaces the file atomically: temp file beside it, fsync, rename, fsync of the directory.
bool ReplaceStateFile(const std::filesystem::path& path, std::string_view text);
bool AppendStateLine(const std::filesystem::path& path, std::string_view line);

}  // namespace chronolin::sim_ras
