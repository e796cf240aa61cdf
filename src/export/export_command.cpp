#include "export/export_command.h"

#include <exception>

namespace chronolin {

std::optional<ExportRequest> ParseExportArguments(std::string_view month, std::string_view file) {
  if (month.size() != 7 || month[4] != '-' || file.empty()) return std::nullopt;
  int year = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    if (month[i] < '0' || month[i] > '9') return std::nullopt;
    year = year * 10 + (month[i] - '0');
  }
  if (month[5] < '0' || month[5] > '9' || month[6] < '0' || month[6] > '9') return std::nullopt;
  const int m = (month[5] - '0') * 10 + (month[6] - '0');
  if (year < 1 || m < 1 || m > 12) return std::nullopt;
  return ExportRequest{year, m, std::filesystem::path(file)};
}

std::string ExportMonth(const std::filesystem::path& journal, const ExportRequest& request,
                        const Regional& regional, const MonthWorkbookWriter& write) {
  const auto lines = ReadJournalLines(journal);
  if (!lines) return "Impossible d'ouvrir le fichier " + journal.string() + " !";
  const MonthData data = CollectMonth(*lines, request.Year, request.Month, regional);
  if (data.Rows.empty()) return NoConnexionInMonthText(request.Year, request.Month, regional);
  try {
    write(data, request.File);
  } catch (const std::exception& e) {
    return "Échec de l'export vers " + request.File.string() + " : " + e.what();
  }
  return {};
}

}  // namespace chronolin
