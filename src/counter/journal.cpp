#include "counter/journal.h"

#include "platform/atomic_file.h"

#include <fcntl.h>
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

std::string Journal::EntryLine(const TConnexion& connexion, bool stopped) const {
  std::string line = regional_.FormatShortDate(connexion.StartDate) + " - " +
                     regional_.FormatLongTime(connexion.StartTime) + " - " + connexion.Name +
                     " - " + connexion.Duree + " " +
                     StartMarker(connexion.StartEvent, connexion.StartDelay);
  if (stopped) line += kStoppedRemark;
  return line;
}

void Journal::WriteJournalEntry(TConnexion connexion, bool stopped) {
  Append({EntryLine(connexion, stopped)});
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
  const int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) throw JournalError(path_);
  const bool written = WriteAll(fd, text);
  if (::close(fd) != 0 || !written) throw JournalError(path_);
}

void Journal::Clear() {
  const int fd = ::open(path_.c_str(), O_WRONLY | O_TRUNC | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) throw JournalError(path_);
  ::close(fd);
}

}  // namespace chronolin
