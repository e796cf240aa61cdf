#include "platform/sim_ras_state.h"

#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <ctime>
#include <set>
#include <system_error>

namespace chronolin::sim_ras {
namespace {

// A state file larger than this was not written by us; refuse it rather than exhaust memory.
constexpr std::size_t kMaxStateFileSize = 16u << 20;

// Calls `visit` for each line, without its '\n' or a trailing '\r' left by a hand edit.
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    visit(line);
  }
}

// Splits off the text before the next tab; false when there is none.
bool TakeField(std::string_view& rest, std::string_view& field) {
  const std::size_t tab = rest.find('\t');
  if (tab == std::string_view::npos) return false;
  field = rest.substr(0, tab);
  rest.remove_prefix(tab + 1);
  return true;
}

std::optional<std::uint64_t> ParseUnsigned(std::string_view text) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

bool IsValidEntryName(std::string_view name) {
  if (name.empty()) return false;
  std::size_t i = 0;
  while (i < name.size()) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (c < 0x80) {
      if (c == '\n' || c == '\r' || c == '\0') return false;
      ++i;
      continue;
    }
    std::size_t length;
    std::uint32_t code;
    if ((c & 0xE0) == 0xC0) {
      length = 2;
      code = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      length = 3;
      code = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      length = 4;
      code = c & 0x07;
    } else {
      return false;
    }
    if (name.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto cont = static_cast<unsigned char>(name[i + k]);
      if ((cont & 0xC0) != 0x80) return false;
      code = (code << 6) | (cont & 0x3F);
    }
    static constexpr std::uint32_t kMinForLength[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kMinForLength[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      return false;
    }
    i += length;
  }
  return true;
}

std::vector<std::string> ParsePhonebook(std::string_view text) {
  std::vector<std::string> names;
  std::set<std::string_view> seen;
  ForEachLine(text, [&](std::string_view line) {
    if (IsValidEntryName(line) && seen.insert(line).second) names.emplace_back(line);
  });
  return names;
}

std::string FormatPhonebook(const std::vector<std::string>& phonebook) {
  std::string text;
  for (const std::string& name : phonebook) {
    text += name;
    text += '\n';
  }
  return text;
}

void ParseConnections(std::string_view text, State& state) {
  state.connections.clear();
  std::uint64_t next = 1;
  std::set<HRASCONN> handles;
  std::set<std::string_view> entries;
  ForEachLine(text, [&](std::string_view line) {
    std::string_view rest = line;
    std::string_view tag;
    if (!TakeField(rest, tag)) return;
    if (tag == "next") {
      if (auto value = ParseUnsigned(rest); value && *value >= 1 && *value <= kMaxHandle + 1ull) {
        next = std::max(next, *value);
      }
      return;
    }
    if (tag != "conn") return;
    std::string_view handleText, dialText, authText, connectText;
    if (!TakeField(rest, handleText) || !TakeField(rest, dialText) || !TakeField(rest, authText) ||
        !TakeField(rest, connectText)) {
      return;
    }
    const auto handle = ParseUnsigned(handleText);
    const auto dial = ParseTime(dialText);
    const auto auth = ParseTime(authText);
    const auto connect = ParseTime(connectText);
    if (!handle || *handle == 0 || *handle > kMaxHandle || !dial || !auth || !connect) return;
    if (*auth < *dial || *connect < *auth || !IsValidEntryName(rest)) return;
    // One connection per handle and per entry, as the provider guarantees; a hand edit that
    // breaks that keeps the first.
    if (handles.count(static_cast<HRASCONN>(*handle)) || entries.count(rest)) return;
    handles.insert(static_cast<HRASCONN>(*handle));
    entries.insert(rest);
    state.connections.push_back(
        {static_cast<HRASCONN>(*handle), std::string(rest), *dial, *auth, *connect});
    next = std::max<std::uint64_t>(next, *handle + 1);
  });
  state.nextHandle = static_cast<HRASCONN>(next);
}

std::string FormatConnections(const State& state) {
  std::string text = "next\t" + std::to_string(state.nextHandle) + "\n";
  for (const Connection& c : state.connections) {
    text += "conn\t" + std::to_string(c.handle) + '\t' + FormatTime(c.dialTime) + '\t' +
            FormatTime(c.authTime) + '\t' + FormatTime(c.connectTime) + '\t' + c.entry + '\n';
  }
  return text;
}

std::vector<double> ParseOffline(std::string_view text) {
  std::vector<double> times;
  ForEachLine(text, [&](std::string_view line) {
    if (auto time = ParseTime(line)) times.push_back(*time);
  });
  return times;
}

std::string FormatTime(double seconds) {
  char buffer[64];
  auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, seconds);
  if (ec != std::errc()) return "0";
  return std::string(buffer, ptr);
}

std::optional<double> ParseTime(std::string_view text) {
  double value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

double WallClockNow() {
  timespec ts{};
  ::clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

DirectoryLock::~DirectoryLock() {
  if (fd_ >= 0) ::close(fd_);  // Closing the descriptor releases the flock.
}

bool DirectoryLock::Acquire(const std::filesystem::path& directory, Mode mode) {
  const std::filesystem::path lockPath = directory / "lock";
  if (mode == Mode::kExclusive) {
    std::error_code ec;
    std::filesystem::create_directories(directory, ec);
    fd_ = OpenRetrying(lockPath.c_str(), O_RDWR | O_CREAT, 0600);
    if (fd_ < 0) return false;
  } else {
    // Files are replaced by rename, so reading without the lock is still consistent; the shared
    // lock only spares readers a state in the middle of a multi-file update.
    fd_ = OpenRetrying(lockPath.c_str(), O_RDONLY);
    if (fd_ < 0) return true;
  }
  const int operation = mode == Mode::kExclusive ? LOCK_EX : LOCK_SH;
  int rc;
  do {
    rc = ::flock(fd_, operation);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    ::close(fd_);
    fd_ = -1;
    return mode == Mode::kShared;
  }
  return true;
}

ReadResult ReadStateFile(const std::filesystem::path& path, std::string& text) {
  text.clear();
  const int fd = OpenRetrying(path.c_str(), O_RDONLY);
  if (fd < 0) return errno == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return ReadResult::kFailed;
  }
  char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return ReadResult::kFailed;
    }
    if (n == 0) break;
    if (text.size() + static_cast<std::size_t>(n) > kMaxStateFileSize) {
      ::close(fd);
      text.clear();
      return ReadResult::kFailed;
    }
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return ReadResult::kOk;
}

bool ReplaceStateFile(const std::filesystem::path& path, std::string_view text) {
  return ReplaceFileAtomically(path, text, 0600);
}

bool AppendStateLine(const std::filesystem::path& path, std::string_view line) {
  const int fd = OpenRetrying(path.c_str(), O_RDWR | O_APPEND | O_CREAT, 0600);
  if (fd < 0) return false;
  std::string data;
  // A line cut short by a crash must not swallow this one.
  struct stat info {};
  if (::fstat(fd, &info) == 0 && info.st_size > 0) {
    char last = '\n';
    if (::pread(fd, &last, 1, info.st_size - 1) == 1 && last != '\n') data += '\n';
  }
  data += line;
  data += '\n';
  const bool ok = WriteAll(fd, data) && ::fsync(fd) == 0;
  return ::close(fd) == 0 && ok;
}

}  // namespace chronolin::sim_ras
