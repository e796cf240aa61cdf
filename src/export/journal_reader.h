#pragma once
// Reading the connection journal for the export: the lines of "Connexions.txt", the date that
// starts each of them, and the connection lines parsed into their parts.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/date_time.h"
#include "platform/regional.h"

namespace chronolin {

// One journalled connection.
struct CnxRec {
  TDateTime Date = 0;   // the day
  TDateTime Heure = 0;  // the start time, a fraction of a day
  std::string Name;
  TDateTime Duree = 0;     // the duration in days; may pass one day (up to 99:59:59)
  std::string Ajustement;  // start marker and stop remark, as written
};

// The journal's lines without their line ends (CR LF or LF). A line that is not valid UTF-8 is
// left out, like any other line the export cannot read. Nullopt when the file cannot be read.
std::optional<std::vector<std::string>> ReadJournalLines(const std::filesystem::path& path);

// The date before the line's first space, in the regional short date format. Nullopt for
// empty lines, the monthly-totals block and anything else not starting with a date.
std::optional<DateParts> LineDate(std::string_view line, const Regional& regional);

// A connection line: date - time - name - HH:MM:SS[ marker]. The name runs to the last " - "
// followed by a duration, so names holding hyphens or " - " stay whole. Nullopt when any part
// does not read, "-- : -- : --" (a duration of 100 hours or more, unknown) included.
std::optional<CnxRec> ParseConnexionLine(std::string_view line, const Regional& regional);

}  // namespace chronolin
