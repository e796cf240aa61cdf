#pragma once
// What the export takes from the journal: the years and months that hold dated lines, and the
// connections of one month with a total per entry and for the month.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "export/journal_reader.h"

namespace chronolin {

// One entry's total of the month.
struct CnxTotal {
  std::string Name;
  long double Duree = 0;  // days
};

struct MonthData {
  int Year = 0;
  int Month = 0;
  std::vector<CnxRec> Rows;      // in journal order
  std::vector<CnxTotal> Totals;  // in order of each name's first connection; names compared
                                 // with case
  long double DureeT = 0;        // the month's total, days
};

// The years of the dated lines, ascending, each once.
std::vector<int> JournalYears(const std::vector<std::string>& lines, const Regional& regional);

// The months of `year` that hold a dated line (index 0 is January).
std::array<bool, 12> AvailableMonths(const std::vector<std::string>& lines, int year,
                                     const Regional& regional);

// The year and month the calendar opens on: today's when today's year lies within the
// journalled years, else December of the last of them. `years` must not be empty.
struct CalendarStart {
  int MinYear = 0;
  int MaxYear = 0;
  int Year = 0;
  int Month = 0;
};
CalendarStart StartingMonth(const std::vector<int>& years, DateParts today);

// The first available month counting from January, if any.
std::optional<int> FirstAvailableMonth(const std::array<bool, 12>& available);

// The connections of one month and their totals.
MonthData CollectMonth(const std::vector<std::string>& lines, int year, int month,
                       const Regional& regional);

// The month's long name and the year, first letter upper-cased: "Mars 2005".
std::string MonthTitle(int year, int month, const Regional& regional);
// "Aucune connexion à exporter en mars 2005 !"
std::string NoConnexionInMonthText(int year, int month, const Regional& regional);
// The month's short name without a final "." and the year's last two digits: "mars05".
std::string ProposedFileName(int year, int month, const Regional& regional);

}  // namespace chronolin
