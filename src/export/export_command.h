#pragma once
// `chronolin --export YYYY-MM FILE`: the month's workbook without any dialog, for scripts and
// machines without a display.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "export/month_export.h"

namespace chronolin {

inline constexpr char kExportUsage[] = "Usage : chronolin --export AAAA-MM FICHIER";

struct ExportRequest {
  int Year = 0;
  int Month = 0;
  std::filesystem::path File;
};

// "2005-03" and a file name; nullopt unless the month reads as YYYY-MM (month 01 to 12).
std::optional<ExportRequest> ParseExportArguments(std::string_view month, std::string_view file);

using MonthWorkbookWriter =
    std::function<void(const MonthData& data, const std::filesystem::path& target)>;

// Reads the journal, collects the month and writes its workbook. Empty on success, else the
// one-line French message saying why nothing was written.
std::string ExportMonth(const std::filesystem::path& journal, const ExportRequest& request,
                        const Regional& regional, const MonthWorkbookWriter& write);

}  // namespace chronolin
