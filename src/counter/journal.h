#pragma once
// The connection journal "Connexions.txt": one line per counted connection, blocks of monthly
// totals, CR LF line ends. The file only grows until the user clears it; it is opened and closed
// for every line or block.
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "counter/connexion.h"
#include "platform/regional.h"

namespace chronolin {

inline constexpr std::string_view kStoppedRemark = " ** Chronolin arrêté en cours de connexion **";
inline constexpr std::string_view kMonthlyHeader = " ------------ Durées mensuelles ------------";

// The journal could not be written. Text: "Impossible d'écrire dans <path>".
class JournalError : public std::runtime_error {
 public:
  explicit JournalError(const std::filesystem::path& path);
};

class Journal {
 public:
  Journal(std::filesystem::path path, const Regional& regional);

  const std::filesystem::path& Path() const { return path_; }

  // The line for a connection: date - time - name - duration marker[ remark].
  std::string EntryLine(const TConnexion& connexion, bool stopped) const;

  void WriteJournalEntry(TConnexion connexion, bool stopped);
  // An empty line, the header, the given lines, an empty line.
  void AppendMonthlyTotals(const std::vector<std::string>& lines);
  // Truncates (or creates) the journal, empty.
  void Clear();

 private:
  void Append(const std::vector<std::string>& lines);

  std::filesystem::path path_;
  const Regional& regional_;
};

// "(Num.", "(Auth." or "(Conn.", then " + D s)" or ")"; nothing for an unknown event.
std::string StartMarker(std::uint8_t startEvent, std::int32_t startDelay);

}  // namespace chronolin
