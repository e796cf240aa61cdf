#pragma once
// The report engine: opens a template through a TExcelFile, makes one sheet per record of an
// optional pages data set, expands the bands of each sheet once per record of their data sets,
// replaces the tags by their values and saves the result. Where data sets and properties come
// from is left to a derived class (TReportNoDB finds them on a data module).
//
// Tags ("##" data set "##" field, "##" data set "##*", "#." name) stand for a whole cell
// value, note text or picture name; see report_tags.cpp.
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "common/variant.h"
#include "report/band.h"
#include "report/component.h"
#include "report/excel_file.h"
#include "report/prop_list.h"
#include "report/xls_data_set.h"

namespace chronolin {

using TOnGenerateEvent = std::function<void(TObject* sender, TExcelFile& excelApp)>;
using TOnGeneratePageEvent = std::function<void(TObject* sender, TExcelFile& excelApp)>;
// FieldName is the whole tag text of the cell (UTF-8); the handler may change the value.
using TOnGetCellValue =
    std::function<void(TObject* sender, const std::string& fieldName, Variant& fieldValue)>;

// Row markers the engine acts on after filling a sheet: the text of a first-column cell.
inline constexpr char16_t kDeleteRowMark[] = u"...delete row...";
inline constexpr char16_t kPageBreakMark[] = u"...page break...";

enum class TBandValueKind : std::uint8_t {
  Constant = 0,
  NamedValue = 1,
  Field = 2,
  Property = 3,
  FullDataSet = 4,
};

// One parsed template cell, note text or picture name.
struct TOneBandValue {
  std::int32_t Column = 0;  // offset from the main band's first column
  std::string Text;         // the text as read (UTF-8)
  TBandValueKind Kind = TBandValueKind::Constant;
  Variant Value;  // as read, or the named value
  std::int32_t XF = -1;
  std::shared_ptr<IXlsField> Field;
  const TPropInfo* PropInfo = nullptr;
  std::string Index;  // the index part of a "#." tag
  std::string PropName;
};
// The cached template cells of one row of the main band, in column order.
using TBandValue = std::vector<TOneBandValue>;
using TBandValueList = std::vector<TBandValue>;

// A "##data set##*" tag met while filling.
struct TFullDataSet {
  std::string Text;
  std::int32_t Row = 0;  // 0-based output row of the tag
  std::int32_t Column = 0;
};

// The data sets a run had to open, closed again when the run ends, whatever happens.
class TExcelDbList {
 public:
  TExcelDbList() = default;
  TExcelDbList(const TExcelDbList&) = delete;
  TExcelDbList& operator=(const TExcelDbList&) = delete;
  ~TExcelDbList() { CloseAll(); }

  void Add(IXlsDataSet* dataSet) { items_.push_back(dataSet); }
  void CloseAll();

 private:
  std::vector<IXlsDataSet*> items_;
};

class TCustomReport : public TComponent {
 public:
  explicit TCustomReport(TComponent* owner = nullptr);
  ~TCustomReport() override;

  const std::string& Template() const { return template_; }
  void SetTemplate(std::string name) { template_ = std::move(name); }
  const std::string& FileName() const { return file_name_; }
  void SetFileName(std::string name) { file_name_ = std::move(name); }
  bool AutoClose() const { return auto_close_; }
  void SetAutoClose(bool value) { auto_close_ = value; }
  const std::string& PagesDataField() const { return pages_data_field_; }
  void SetPagesDataField(std::string name) { pages_data_field_ = std::move(name); }
  TExcelAdapter* Adapter() const { return adapter_; }
  void SetAdapter(TExcelAdapter* adapter);

  TOnGenerateEvent OnBeforeGenerateWorkbook;
  TOnGenerateEvent OnAfterGenerateWorkbook;
  TOnGeneratePageEvent OnBeforeGeneratePage;
  TOnGeneratePageEvent OnAfterGeneratePage;
  TOnGetFileNameEvent OnGetFilename;
  TOnGetOutStreamEvent OnGetOutStream;
  TOnGetCellValue OnGetCellValue;

  // The named values of "#." tags.
  TPropList& Values() { return values_; }
  Variant Value(std::string_view name) { return values_.Value(name); }
  void SetValue(std::string_view name, const Variant& value) { values_.SetValue(name, value); }

  // Set by an event handler to stop the run; nothing is saved then. The engine never clears it.
  bool Canceled() const { return canceled_; }
  void SetCanceled(bool value) { canceled_ = value; }

  // Generates from Template and saves to FileName; with an output stream, saves to the stream.
  // Nothing is saved when the run fails or is cancelled.
  void Run();
  void Run(std::ostream* outStream);

  // Lookups of the data a template names.
  virtual IXlsDataSet* GetDataSet(const std::string& name) = 0;
  virtual const TPropInfo* GetPropertyInfo(const std::string& name) = 0;
  virtual Variant GetPropertyValue(const TPropInfo& property) = 0;
  virtual IXlsDataSet* GetPagesDataSet() = 0;
  virtual TComponent* GetDataModule() = 0;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  // What one run holds: its file, the data sets it opened, the band cache of the sheet being
  // filled and the full data sets met on it.
  struct RunData {
    explicit RunData(TExcelFile& f) : file(f) {}
    TExcelFile& file;
    TExcelDbList opened;
    bool useCache = false;
    TBandValueList cache;
    std::vector<TFullDataSet> fullDataSets;
  };

  void Generate(RunData& run, std::ostream* outStream);
  void GeneratePages(RunData& run, IXlsDataSet* pages);
  void RenamePage(RunData& run, IXlsDataSet& pages, std::int32_t sheet);
  // Expands and fills the active sheet; false when it has no main band.
  bool GenerateSheet(RunData& run);
  void InsertRows(RunData& run, TExcelBand& band, std::int32_t& offset);
  void FillBand(RunData& run, TExcelBand& band, std::int32_t& row, std::int32_t firstRow);
  void FillRow(RunData& run, std::int32_t templateRow, std::int32_t row, std::int32_t firstRow);
  void FillComments(RunData& run, std::int32_t row);
  void FillPictures(RunData& run, std::int32_t row);
  void FillFullDataSets(RunData& run);
  void OpenDataSet(RunData& run, IXlsDataSet& dataSet);
  void OpenBandDataSets(RunData& run, TExcelBand& band);

  // Tags (report_tags.cpp).
  TOneBandValue ParseValue(RunData& run, const Variant& value, std::int32_t column,
                           std::int32_t xf);
  Variant EvaluateValue(RunData& run, const TOneBandValue& value, std::int32_t row);
  Variant IndexedValue(const Variant& value, const TOneBandValue& tag);
  IXlsDataSet& RequireDataSet(const std::string& name);

  std::string template_;
  std::string file_name_;
  bool auto_close_ = false;
  std::string pages_data_field_;
  TExcelAdapter* adapter_ = nullptr;
  TPropList values_;
  bool canceled_ = false;
};

// The data set named between the first and the second "##" of a tag.
std::string TagDataSetName(const std::string& tag);
// A memo value as written: its text without carriage returns (a line break is a line feed).
Variant MemoText(const Variant& value);

}  // namespace chronolin
