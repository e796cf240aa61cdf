#include "counter/journal.h"

#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace chronolin {

JournalError::JournalError(const std::filesystem::path& path)
    : std::runtime_error("Impossible d'écrire dans " + path.string()) {}

Journal::Journal(std::filesystem::path path, const Regional& regional)
    : path_(std::move(path)), regional_(regional) {}

std::string StartMarker(std::uint8_t startEvent, std::int32_t startDelay) {
  std::string marker;
  switch (startEvent) {
    case kStartNumbering: marker = "(Num."; break;
    case kStartAuthentication: marker = "(Auth."; break;
    case kStartConnection: marker = "(Conn."; break;
    default: return marker;
  }
  if (startDelay != 0)
    marker += " + " + std::to_string(startDelay) + " s)";
  else
    marker += ")";
  return marker;
}

std::string ConnexionLine(std::string_view date, std::string_view time, std::string_view name,
                          std::string_view duree, std::string_view marker) {
  std::string line;
  line.append(date).append(" - ").append(time).append(" - ").append(name).append(" - ");
  line.append(duree).append(" ").append(marker);
  return line;
}

std::string Journal::EntryLine(const TConnexion& connexion, bool stopped,
                               std::string_view remark) const {
  std::string line = ConnexionLine(regional_.FormatShortDate(connexion.StartDate),
                                   regional_.FormatLongTime(connexion.StartTime), connexion.Name,
                                   connexion.Duree,
                                   StartMarker(connexion.StartEvent, connexion.StartDelay));
  if (stopped) line += kStoppedRemark;
  line += remark;
  return line;
}

void Journal::WriteLine(const std::string& line) {
  Append({line});
}

void Journal::WriteJournalEntry(TConnexion connexion, bool stopped, std::string_view remark) {
  Append({EntryLine(connexion, stopped, remark)});
}

void Journal::AppendMonthlyTotals(const std::vector<std::string>& lines) {
  std::vector<std::string> block;
  block.reserve(lines.size() + 3);
  block.emplace_back();
  block.emplace_back(kMonthlyHeader);
  block.insert(block.end(), lines.begin(), lines.end());
  block.emplace_back();
  Append(block);
}

void Journal::Append(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  // One write of the whole block through O_APPEND, so a block is never interleaved with another
  // writer's and a failure leaves at most a partial tail, never a damaged earlier line.
  int fd = ::open(path_.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) throw JournalError(path_);
  // A last line cut short (a write interrupted by a crash) is ended first, so that the new
  // lines are not glued to it.
  struct stat st {};
  char last = '\n';
  if (::fstat(fd, &st) == 0 && st.st_size > 0 && ::pread(fd, &last, 1, st.st_size - 1) == 1 &&
      last != '\n')
    text.insert(0, last == '\r' ? "\n" : "\r\n");
  const bool written = WriteAll(fd, text);
  if (::close(fd) != 0 || !written) throw JournalError(path_);
}

void Journal::Clear() {
  const int fd = ::open(path_.c_str(), O_WRONLY | O_TRUNC | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) throw JournalError(path_);
  ::close(fd);
}

}  // namespace chronolin
