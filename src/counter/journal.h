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
// A connection that was being counted when the program ended without closing it (a crash, a
// kill, a power cut), journalled at the next start.
inline constexpr std::string_view kInterruptedRemark = " ** Chronolin interrompu **";
// A connection the program hung up because the entry's monthly quota was used up.
inline constexpr std::string_view kQuotaRemark = " ** quota atteint **";
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

  // The line for a connection: date - time - name - duration marker[ remark]; `remark` is
  // added after the stop remark.
  std::string EntryLine(const TConnexion& connexion, bool stopped,
                        std::string_view remark = {}) const;

  void WriteJournalEntry(TConnexion connexion, bool stopped, std::string_view remark = {});
  // Date and time as the journal writes them.
  std::string DateText(TDateTime date) const { return regional_.FormatShortDate(date); }
  std::string TimeText(TDateTime time) const { return regional_.FormatLongTime(time); }
  // One line as given.
  void WriteLine(const std::string& line);
  // An empty line, the header, the given lines, an empty line.
  void AppendMonthlyTotals(const std::vector<std::string>& lines);
  // Truncates (or creates) the journal, empty.
  void Clear();

 private:
  void Append(const std::vector<std::string>& lines);

  std::filesystem::path path_;
  const Regional& regional_;
};

// date - time - name - duration marker
std::string ConnexionLine(std::string_view date, std::string_view time, std::string_view name,
                          std::string_view duree, std::string_view marker);

// "(Num.", "(Auth." or "(Conn.", then " + D s)" or ")"; nothing for an unknown event.
std::string StartMarker(std::uint8_t startEvent, std::int32_t startDelay);

}  // namespace chronolin
