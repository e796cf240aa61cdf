#include "platform/pppd_ras_provider.h"

#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <optional>
#include <set>
#include <string_view>
#include <system_error>
#include <thread>
#include <tuple>

extern char** environ;

namespace chronolin {

namespace fs = std::filesystem;

namespace {

constexpr HRASCONN kLastHandle = std::numeric_limits<std::int32_t>::max();
constexpr std::uint32_t kErrorAccessDenied = 5;

// Files under /proc, /run and /etc/ppp are read with a cap: none of the ones we want is large.
constexpr std::size_t kMaxSmallFile = 64 * 1024;

std::optional<std::string> ReadSmallFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string data;
  char buffer[4096];
  while (data.size() < kMaxSmallFile) {
    in.read(buffer,
            static_cast<std::streamsize>(std::min(sizeof buffer, kMaxSmallFile - data.size())));
    data.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (!in) break;
  }
  if (in.bad()) return std::nullopt;
  return data;
}

bool IsBackupName(std::string_view name) {
  return name.empty() || name.front() == '.' || name.back() == '~' ||
         name.find(".dpkg-") != std::string_view::npos ||
         name.find(".ucf-") != std::string_view::npos ||
         (name.size() > 4 && name.substr(name.size() - 4) == ".bak");
}

// The peer the ppp package installs as a template still says "-T ********" where the number
// goes: nothing to dial until someone fills it in, so it is no phonebook entry.
bool HoldsPlaceholderNumber(const fs::path& peer) {
  std::ifstream in(peer);
  std::string line;
  for (int count = 0; count < 1000 && std::getline(in, line); ++count) {
    const auto hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line.compare(first, 7, "connect") != 0) continue;
    if (line.find("********") != std::string::npos) return true;
  }
  return false;
}

std::optional<int> ParsePid(std::string_view text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value <= 0 || value > INT_MAX) return std::nullopt;
  return static_cast<int>(value);
}

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const auto end = text.find('\n');
    lines.push_back(Trim(text.substr(0, end)));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

bool IsInterfaceName(std::string_view name) {
  if (name.empty() || name.size() >= IFNAMSIZ || name == "." || name == "..") return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u > 0x20 && u < 0x7f && c != '/' && c != ':';
  });
}

struct ProcessInfo {
  std::vector<std::string> args;
  unsigned long long startTime = 0;
};

struct Stat {
  std::string_view name;
  char state = 0;
  unsigned long long startTime = 0;
};

// The command name sits in parentheses and may itself hold spaces and parentheses: it ends at
// the last ')'.
std::optional<Stat> ParseStat(std::string_view stat) {
  const auto open = stat.find('(');
  const auto close = stat.rfind(')');
  if (open == std::string_view::npos || close == std::string_view::npos || close < open)
    return std::nullopt;
  std::string_view rest = stat.substr(close + 1);
  std::vector<std::string_view> fields;
  while (fields.size() < 20) {
    const auto start = rest.find_first_not_of(' ');
    if (start == std::string_view::npos) break;
    rest.remove_prefix(start);
    const auto end = rest.find_first_of(" \n");
    fields.push_back(rest.substr(0, end));
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end);
  }
  // fields[0] is field 3 (state), so field 22 (start time) is fields[19].
  if (fields.size() < 20 || fields[0].size() != 1) return std::nullopt;
  const std::string_view start = fields[19];
  if (start.empty() || start.size() > 20) return std::nullopt;
  unsigned long long value = 0;
  for (char c : start) {
    if (c < '0' || c > '9') return std::nullopt;
    const unsigned long long digit = static_cast<unsigned long long>(c - '0');
    if (value > (std::numeric_limits<unsigned long long>::max() - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return Stat{stat.substr(open + 1, close - open - 1), fields[0][0], value};
}

// A live pppd process, or nullopt (gone, zombie, not pppd, unreadable).
std::optional<ProcessInfo> ReadPppd(const fs::path& procRoot, int pid) {
  const fs::path dir = procRoot / std::to_string(pid);
  const auto stat = ReadSmallFile(dir / "stat");
  if (!stat) return std::nullopt;
  // The name in stat spares reading the command line of every other process.
  const auto parsed = ParseStat(*stat);
  if (!parsed || parsed->name != "pppd" || parsed->state == 'Z' || parsed->state == 'X' ||
      parsed->state == 'x')
    return std::nullopt;
  const auto cmdline = ReadSmallFile(dir / "cmdline");
  if (!cmdline || cmdline->empty()) return std::nullopt;
  ProcessInfo info;
  info.startTime = parsed->startTime;
  std::string_view rest = *cmdline;
  while (!rest.empty()) {
    const auto end = rest.find('\0');
    info.args.emplace_back(rest.substr(0, end));
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return info;
}

// The peer a pppd command line names, if any: "call PEER" or "file PEERS_DIR/PEER".
std::optional<std::string> PeerOf(const std::vector<std::string>& args, const fs::path& peersDir) {
  for (std::size_t i = 1; i + 1 < args.size(); ++i) {
    if (args[i] == "call") return args[i + 1];
    if (args[i] == "file") {
      const fs::path file = fs::path(args[i + 1]).lexically_normal();
      if (file.parent_path() == peersDir.lexically_normal() && file.has_filename())
        return file.filename().string();
    }
  }
  return std::nullopt;
}

// The "linkname" option of a peer file: options are whitespace-separated words, '#' starts a
// comment, and a word may be quoted.
std::optional<std::string> LinknameOf(const fs::path& peerFile) {
  const auto text = ReadSmallFile(peerFile);
  if (!text) return std::nullopt;
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < text->size()) {
    const char c = (*text)[i];
    if (c == '#') {
      while (i < text->size() && (*text)[i] != '\n') ++i;
    } else if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == '"' || c == '\'') {
      const auto end = text->find(c, i + 1);
      words.push_back(text->substr(i + 1, end == std::string::npos ? end : end - i - 1));
      i = end == std::string::npos ? text->size() : end + 1;
    } else {
      std::size_t end = i;
      while (end < text->size() && !std::isspace(static_cast<unsigned char>((*text)[end])) &&
             (*text)[end] != '#')
        ++end;
      words.push_back(text->substr(i, end - i));
      i = end;
    }
  }
  std::optional<std::string> linkname;
  for (std::size_t w = 0; w + 1 < words.size(); ++w)
    if (words[w] == "linkname") linkname = words[w + 1];  // the last one wins, as in pppd
  return linkname;
}

struct RunFiles {
  std::map<int, std::string> ifnameByPid;
  std::map<std::string, int> pidByLinkname;
};

// The pid files in the run directory: IFNAME.pid holds the pid; ppp-LINKNAME.pid holds the pid
// and, once the unit exists, the interface name.
RunFiles ReadRunFiles(const fs::path& runDir) {
  RunFiles files;
  std::error_code ec;
  fs::directory_iterator it(runDir, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() <= 4 || name.substr(name.size() - 4) != ".pid") continue;
    std::error_code typeEc;
    if (!it->is_regular_file(typeEc)) continue;
    const auto text = ReadSmallFile(it->path());
    if (!text) continue;
    const auto lines = Lines(*text);
    if (lines.empty()) continue;
    const auto pid = ParsePid(lines[0]);
    if (!pid) continue;
    const std::string stem = name.substr(0, name.size() - 4);
    if (stem.rfind("ppp-", 0) == 0) {
      files.pidByLinkname[stem.substr(4)] = *pid;
      if (lines.size() > 1 && IsInterfaceName(lines[1]))
        files.ifnameByPid.emplace(*pid, std::string(lines[1]));
    } else if (IsInterfaceName(stem)) {
      files.ifnameByPid[*pid] = stem;  // the interface's own file wins
    }
  }
  return files;
}

class SystemInterfaceProbe final : public PppdInterfaceProbe {
 public:
  PppdInterfaceInfo Probe(const std::string& ifname) override {
    PppdInterfaceInfo info;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return info;
    for (const ifaddrs* a = list; a; a = a->ifa_next) {
      if (!a->ifa_name || ifname != a->ifa_name) continue;
      info.exists = true;
      info.up = info.up || (a->ifa_flags & IFF_UP);
      info.running = info.running || (a->ifa_flags & IFF_RUNNING);
      if (a->ifa_addr && a->ifa_addr->sa_family == AF_INET) info.hasIpv4 = true;
    }
    freeifaddrs(list);
    return info;
  }
};

}  // namespace

std::unique_ptr<PppdInterfaceProbe> MakeSystemInterfaceProbe() {
  return std::make_unique<SystemInterfaceProbe>();
}

PppdRasProvider::PppdRasProvider(PppdPaths paths, std::shared_ptr<PppdInterfaceProbe> probe)
    : paths_(std::move(paths)), probe_(std::move(probe)) {
  if (!probe_) probe_ = MakeSystemInterfaceProbe();
}

std::uint32_t PppdRasProvider::RasEnumEntriesA(std::vector<std::string>& entries) {
  entries.clear();
  std::error_code ec;
  fs::directory_iterator it(paths_.peersDir, ec), end;
  if (ec) return ERROR_CANNOT_OPEN_PHONEBOOK;
  for (; it != end; it.increment(ec)) {
    if (ec) return ERROR_CANNOT_OPEN_PHONEBOOK;
    const std::string name = it->path().filename().string();
    std::error_code typeEc;
    if (IsBackupName(name) || !it->is_regular_file(typeEc)) continue;
    if (HoldsPlaceholderNumber(it->path())) continue;
    entries.push_back(name);
  }
  if (ec) return ERROR_CANNOT_OPEN_PHONEBOOK;
  std::sort(entries.begin(), entries.end());
  return ERROR_SUCCESS_RAS;
}

bool PppdRasProvider::Scan(std::vector<Live>& live) {
  live.clear();
  std::vector<std::string> entries;
  if (RasEnumEntriesA(entries) != ERROR_SUCCESS_RAS) return false;
  const std::set<std::string> phonebook(entries.begin(), entries.end());

  std::map<int, ProcessInfo> pppds;
  std::error_code ec;
  fs::directory_iterator it(paths_.procRoot, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    const auto pid = ParsePid(it->path().filename().string());
    if (!pid) continue;
    if (auto info = ReadPppd(paths_.procRoot, *pid)) pppds.emplace(*pid, std::move(*info));
  }

  const RunFiles files = ReadRunFiles(paths_.runDir);
  std::map<int, std::string> entryByPid;
  for (const auto& [pid, info] : pppds) {
    const auto peer = PeerOf(info.args, paths_.peersDir);
    if (peer && phonebook.count(*peer)) entryByPid[pid] = *peer;
  }
  // A pppd started some other way is still known by the pid file of its link name.
  for (const std::string& entry : entries) {
    const std::string linkname = LinknameOf(paths_.peersDir / entry).value_or(entry);
    const auto file = files.pidByLinkname.find(linkname);
    if (file != files.pidByLinkname.end() && pppds.count(file->second))
      entryByPid.emplace(file->second, entry);
  }

  for (const auto& [pid, entry] : entryByPid) {
    Live l;
    l.entry = entry;
    l.pid = pid;
    l.startTime = pppds.at(pid).startTime;
    if (const auto ifname = files.ifnameByPid.find(pid); ifname != files.ifnameByPid.end())
      l.ifname = ifname->second;
    live.push_back(std::move(l));
  }
  std::sort(live.begin(), live.end(), [](const Live& a, const Live& b) {
    return std::tie(a.entry, a.pid) < std::tie(b.entry, b.pid);
  });
  return true;
}

HRASCONN PppdRasProvider::HandleFor(const Identity& identity) {
  if (const auto found = handles_.find(identity); found != handles_.end()) return found->second;
  if (nextHandle_ > kLastHandle) return 0;
  const HRASCONN handle = nextHandle_++;
  handles_[identity] = handle;
  identities_[handle] = identity;
  return handle;
}

std::int32_t PppdRasProvider::StateOf(const Live& live) {
  if (live.ifname.empty()) return RASCS_ConnectDevice;
  const PppdInterfaceInfo info = probe_->Probe(live.ifname);
  if (!info.exists) return RASCS_ConnectDevice;
  if (info.up && info.running && info.hasIpv4) return RASCS_Connected;
  return RASCS_Authenticate;
}

std::uint32_t PppdRasProvider::RasEnumConnectionsA(RASCONNA& connection, std::uint32_t& count) {
  std::lock_guard lock(mutex_);
  count = 0;
  connection = RASCONNA{};
  std::vector<Live> scanned;
  if (!Scan(scanned)) return ERROR_CANNOT_OPEN_PHONEBOOK;

  // Hung-up processes may take a moment to exit; they are not connections any more. Handles of
  // processes that are gone are dropped: their identity cannot come back.
  std::vector<Live> live;
  std::set<Identity> seen;
  for (Live& l : scanned) {
    const Identity identity{l.pid, l.startTime};
    seen.insert(identity);
    if (!hungUp_.count(identity)) live.push_back(std::move(l));
  }
  for (auto it = identities_.begin(); it != identities_.end();) {
    if (seen.count(it->second)) {
      ++it;
    } else {
      handles_.erase(it->second);
      it = identities_.erase(it);
    }
  }
  std::erase_if(hungUp_, [&](const Identity& id) { return !seen.count(id); });

  count = static_cast<std::uint32_t>(live.size());
  if (live.size() > 1) return ERROR_BUFFER_TOO_SMALL;
  if (live.empty()) return ERROR_SUCCESS_RAS;
  const HRASCONN handle = HandleFor({live.front().pid, live.front().startTime});
  if (handle == 0) {
    count = 0;
    return kErrorOutOfHandles;
  }
  connection.hrasconn = handle;
  connection.szEntryName = live.front().entry;
  connection.szDeviceType = "modem";
  connection.szDeviceName = live.front().ifname;
  return ERROR_SUCCESS_RAS;
}

std::uint32_t PppdRasProvider::RasGetConnectStatusA(HRASCONN handle, RASCONNSTATUSA& status) {
  std::lock_guard lock(mutex_);
  status = RASCONNSTATUSA{};
  const auto found = identities_.find(handle);
  if (found == identities_.end()) return ERROR_INVALID_HANDLE;
  const Identity identity = found->second;
  const auto info = ReadPppd(paths_.procRoot, identity.first);
  if (!info || info->startTime != identity.second || hungUp_.count(identity)) {
    if (!info || info->startTime != identity.second) {
      handles_.erase(identity);
      identities_.erase(found);
    }
    return ERROR_INVALID_HANDLE;
  }
  Live live;
  live.pid = identity.first;
  live.startTime = identity.second;
  const RunFiles files = ReadRunFiles(paths_.runDir);
  if (const auto ifname = files.ifnameByPid.find(live.pid); ifname != files.ifnameByPid.end())
    live.ifname = ifname->second;
  status.rasconnstate = StateOf(live);
  status.szDeviceType = "modem";
  status.szDeviceName = live.ifname;
  return ERROR_SUCCESS_RAS;
}

std::uint32_t PppdRasProvider::RasHangUpA(HRASCONN handle) {
  std::lock_guard lock(mutex_);
  const auto found = identities_.find(handle);
  if (found == identities_.end()) return ERROR_INVALID_HANDLE;
  const Identity identity = found->second;
  if (hungUp_.count(identity)) return ERROR_INVALID_HANDLE;
  // The pid alone may by now belong to another process.
  const auto info = ReadPppd(paths_.procRoot, identity.first);
  if (!info || info->startTime != identity.second) {
    handles_.erase(identity);
    identities_.erase(found);
    return ERROR_INVALID_HANDLE;
  }
  if (kill(identity.first, SIGTERM) != 0) {
    if (errno == EPERM) return kErrorAccessDenied;
    handles_.erase(identity);
    identities_.erase(found);
    return ERROR_INVALID_HANDLE;
  }
  hungUp_.insert(identity);
  return ERROR_SUCCESS_RAS;
}

std::uint32_t PppdRasProvider::Dial(const std::string& entry) {
  std::lock_guard lock(mutex_);
  std::vector<std::string> entries;
  if (RasEnumEntriesA(entries) != ERROR_SUCCESS_RAS) return ERROR_CANNOT_OPEN_PHONEBOOK;
  if (std::find(entries.begin(), entries.end(), entry) == entries.end())
    return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  std::vector<Live> live;
  if (Scan(live)) {
    for (const Live& l : live)
      if (l.entry == entry && !hungUp_.count({l.pid, l.startTime})) return ERROR_SUCCESS_RAS;
  }

  std::string program = paths_.pppdProgram;
  std::string call = "call";
  std::string peer = entry;
  char* argv[] = {program.data(), call.data(), peer.data(), nullptr};

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  // With no device in its options pppd would take over the terminal on stdin.
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int sig : {SIGPIPE, SIGCHLD, SIGHUP, SIGINT, SIGTERM}) sigaddset(&defaults, sig);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  // Its own session: closing the counter's terminal must not hang up the line.
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
  pid_t pid = 0;
  const int error = posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) {
    std::fprintf(stderr, "chronolin: pppd: lancement impossible : %s\n", std::strerror(error));
    lastError_ = "pppd ne peut pas être lancé : " + std::string(std::strerror(error));
    return kErrorDialFailed;
  }
  // pppd usually detaches at once, but stays in the foreground with "nodetach": wait for this
  // child alone, so that no zombie is left and nobody else's child is reaped.
  std::thread([pid] {
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return ERROR_SUCCESS_RAS;
}

std::string PppdRasProvider::ErrorText(std::uint32_t code) const {
  std::lock_guard lock(mutex_);
  if (code == kErrorDialFailed && !lastError_.empty()) return lastError_;
  return RasErrorText(code);
}

std::string PppdRasProvider::OffLineUnavailableReason() const {
  return "pppd n'a pas d'état hors ligne.";
}

void PppdRasProvider::SetOffLine() {
  ++offLineCount_;
  std::fputs("chronolin: pppd: hors ligne noté (pppd n'a pas de mode hors ligne)\n", stderr);
}

std::unique_ptr<RasProvider> MakePppdRasProvider() {
  return std::make_unique<PppdRasProvider>();
}

}  // namespace chronolin
