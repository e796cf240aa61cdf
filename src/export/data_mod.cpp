#include "export/data_mod.h"

#include <sstream>

#include "common/format.h"
#include "platform/atomic_file.h"
#include "report/report_error.h"

namespace chronolin {

TDataMod::TDataMod() {
  XLSAdapter.SetName("XLSAdapter");
  CnxList.SetName("CnxList");
  for (const char* column : {"Name", "Duree"}) CnxList.Columns().Add(column);
  Cnx.SetName("Cnx");
  for (const char* column : {"Date", "Heure", "Name", "Duree", "Ajustement"})
    Cnx.Columns().Add(column);
  Cnx.SetMasterTable(&CnxList);
  Cnx.SetMasterField("Name");
  Report.SetName("Report");
  Report.SetTemplate(kTemplateName);
  Report.SetPagesDataSet(&CnxList);
  Report.SetPagesDataField("Name");
  Report.SetAdapter(&XLSAdapter);
  Report.SetDataModule(this);
  Report.SetAutoClose(false);
}

TDataMod::~TDataMod() = default;

void TDataMod::Fill(const MonthData& data, const Regional& regional) {
  Report.SetValue("Month", Variant::FromString(MonthTitle(data.Year, data.Month, regional)));
  for (const CnxRec& rec : data.Rows)
    Cnx.AddRecord({Variant::FromDouble(rec.Date), Variant::FromDouble(rec.Heure),
                   Variant::FromString(rec.Name), Variant::FromDate(rec.Duree),
                   Variant::FromString(rec.Ajustement)});
  for (const CnxTotal& total : data.Totals)
    CnxList.AddRecord(
        {Variant::FromString(total.Name), Variant::FromDouble(static_cast<double>(total.Duree))});
  Report.SetValue("DureeT", Variant::FromDouble(static_cast<double>(data.DureeT)));
}

void WriteMonthWorkbook(const MonthData& data, const Regional& regional,
                        const std::filesystem::path& target, const std::string& templateName) {
  TDataMod module;
  module.Report.SetTemplate(templateName);
  module.Fill(data, regional);
  module.Report.SetFileName(target.string());
  // Generated in memory, then put in place whole.
  std::ostringstream out(std::ios::binary);
  module.Report.Run(&out);
  if (!ReplaceFileAtomically(target, out.str()))
    throw ReportError(Format("Can't write to file \"%s\". Check it is not in use by another user",
                             target.string().c_str()));
}

}  // namespace chronolin
