#pragma once
// The export's report objects for one run: the report over the template "cnx.xls", the memory
// tables it reads (CnxList, one row per entry, giving one sheet each; Cnx, the connections,
// detail of CnxList on "Name") and the spreadsheet adapter.
#include <filesystem>
#include <string>

#include "export/month_export.h"
#include "report/data_module.h"
#include "report/mem_table.h"
#include "report/report_no_db.h"
#include "report/xls_file/xls_file.h"

namespace chronolin {

inline constexpr char kTemplateName[] = "cnx.xls";

class TDataMod : public TDataModule {
 public:
  TDataMod();
  ~TDataMod() override;

  // Fills both tables from the month's data and sets the named value "Month".
  void Fill(const MonthData& data, const Regional& regional);

  // Declared in creation order: the master table before its detail, the adapter before the
  // report that points to it.
  TXLSAdapter XLSAdapter{this};
  TMemTable CnxList{this};
  TMemTable Cnx{this};
  TReportNoDB Report{this};
};

// Makes the month's workbook from the template and puts it at `target`, replacing a file there
// only once the new one is complete: a failed report leaves the old file as it was. Throws the
// report's error, or "Can't write to file ..." when the target cannot be replaced.
void WriteMonthWorkbook(const MonthData& data, const Regional& regional,
                        const std::filesystem::path& target,
                        const std::string& templateName = kTemplateName);

}  // namespace chronolin
