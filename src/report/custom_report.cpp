#include "report/custom_report.h"

#include <algorithm>

#include "common/format.h"
#include "common/text_codec.h"
#include "report/report_error.h"
#include "report/sheet_name.h"

namespace chronolin {
namespace {

constexpr std::int32_t kMaxPages = 250;

// Disconnects the run's file however the run ends.
class TDisconnectGuard {
 public:
  explicit TDisconnectGuard(TExcelFile& file) : file_(file) {}
  TDisconnectGuard(const TDisconnectGuard&) = delete;
  TDisconnectGuard& operator=(const TDisconnectGuard&) = delete;
  ~TDisconnectGuard() {
    try {
      file_.Disconnect();
    } catch (...) {
    }
  }

 private:
  TExcelFile& file_;
};

// True while the band has a record to produce: a band over no data set, or over a missing one,
// produces its rows once.
bool HasRecords(const TExcelBand& band) {
  if (band.DataSets.empty()) return true;
  for (IXlsDataSet* dataSet : band.DataSets) {
    if (dataSet == nullptr || !dataSet->Eof()) return true;
  }
  return false;
}

// Moves every data set not at its end to its next record; true while one still has a record.
// A band without any data set found is produced once.
bool Advance(const TExcelBand& band) {
  bool present = false;
  for (IXlsDataSet* dataSet : band.DataSets) {
    if (dataSet == nullptr) continue;
    present = true;
    if (!dataSet->Eof()) dataSet->Next();
  }
  if (!present) return false;
  return std::any_of(band.DataSets.begin(), band.DataSets.end(),
                     [](IXlsDataSet* d) { return d != nullptr && !d->Eof(); });
}

}  // namespace

void TExcelDbList::CloseAll() {
  std::vector<IXlsDataSet*> items;
  items.swap(items_);
  for (IXlsDataSet* dataSet : items) {
    try {
      dataSet->Close();
    } catch (...) {
      // Closing is clean-up: a data set that cannot close must not hide the run's outcome.
    }
  }
}

TCustomReport::TCustomReport(TComponent* owner) : TComponent(owner) {}

TCustomReport::~TCustomReport() = default;

void TCustomReport::SetAdapter(TExcelAdapter* adapter) {
  if (adapter == adapter_) return;
  if (adapter_ != nullptr) RemoveFreeNotification(adapter_);
  adapter_ = adapter;
  if (adapter_ != nullptr) FreeNotification(adapter_);
}

void TCustomReport::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component == adapter_) adapter_ = nullptr;
  TComponent::Notification(component, operation);
}

void TCustomReport::Run() {
  Run(nullptr);
}

void TCustomReport::Run(std::ostream* outStream) {
  if (adapter_ == nullptr) throw ReportError(report_msg::kNoAdapter);
  std::unique_ptr<TExcelFile> file = adapter_->CreateExcelFile();
  file->Connect();
  TDisconnectGuard disconnect(*file);
  file->OpenFile(template_);
  RunData run(*file);
  Generate(run, outStream);
}

void TCustomReport::OpenDataSet(RunData& run, IXlsDataSet& dataSet) {
  if (dataSet.IsActive()) return;
  dataSet.Open();
  run.opened.Add(&dataSet);
}

void TCustomReport::Generate(RunData& run, std::ostream* outStream) {
  TExcelFile& file = run.file;
  IXlsDataSet* pages = GetPagesDataSet();
  if (pages != nullptr) OpenDataSet(run, *pages);
  if (OnBeforeGenerateWorkbook) OnBeforeGenerateWorkbook(this, file);

  GeneratePages(run, pages);
  if (canceled_) return;

  run.opened.CloseAll();
  file.SelectSheet(1);
  if (OnAfterGenerateWorkbook) OnAfterGenerateWorkbook(this, file);
  if (canceled_) return;

  try {
    file.Save(auto_close_, file_name_, outStream, OnGetOutStream, OnGetFilename);
  } catch (...) {
    try {
      file.CloseFile();
    } catch (...) {
    }
    throw;
  }
  if (auto_close_) {
    try {
      file.CloseFile();
    } catch (...) {
    }
  }
}

void TCustomReport::GeneratePages(RunData& run, IXlsDataSet* pages) {
  TExcelFile& file = run.file;
  std::int32_t templateSheet = 0;
  if (pages != nullptr) {
    templateSheet = file.GetActiveSheet();
    const std::int32_t count = pages->RecordCount();
    if (count > kMaxPages) throw ReportError(report_msg::kTooManySheets);
    if (count >= 2) file.InsertAndCopySheets(templateSheet, templateSheet + 1, count - 1);
  }

  const std::int32_t sheetCount = file.SheetCount();
  for (std::int32_t sheet = 1; sheet <= sheetCount && !canceled_; ++sheet) {
    if (OnBeforeGeneratePage) OnBeforeGeneratePage(this, file);
    if (!file.IsWorksheet(sheet)) continue;
    file.SetActiveSheet(sheet);
    run.fullDataSets.clear();
    if (GenerateSheet(run)) {
      if (canceled_) return;
      FillFullDataSets(run);
      if (canceled_) return;
      file.DeleteMarkedRows(kDeleteRowMark);
      file.MakePageBreaks(kPageBreakMark);
    }
    file.FinishPage();
    if (canceled_) return;
    file.FinishPageTags(u"##");
    if (OnAfterGeneratePage) OnAfterGeneratePage(this, file);

    if (pages != nullptr && sheet >= templateSheet && !pages->Eof()) {
      if (!pages_data_field_.empty()) RenamePage(run, *pages, sheet);
      pages->Next();
    }
    run.fullDataSets.clear();
  }
}

void TCustomReport::RenamePage(RunData& run, IXlsDataSet& pages, std::int32_t sheet) {
  TExcelFile& file = run.file;
  const Variant value = pages.FieldByName(pages_data_field_)->Value();
  const std::u16string wanted =
      value.IsEmpty() || value.IsNull() ? std::u16string() : value.ToWideString();
  // A name a spreadsheet program refuses (bad characters, too long, or the name of another
  // sheet ignoring case) would make a damaged workbook.
  std::vector<std::u16string> taken;
  const std::int32_t sheetCount = file.SheetCount();
  for (std::int32_t other = 1; other <= sheetCount; ++other) {
    if (other == sheet) continue;
    file.SetActiveSheet(other);
    taken.push_back(file.GetActiveSheetName());
  }
  file.SetActiveSheet(sheet);
  file.SetActiveSheetName(ValidSheetName(wanted, taken));
}

bool TCustomReport::GenerateSheet(RunData& run) {
  TExcelFile& file = run.file;
  run.cache.clear();
  const std::vector<TBandName> names = ReadBandNames(file);
  std::unique_ptr<TExcelBand> band =
      BuildMainBand(names, [this](const std::string& name) { return GetDataSet(name); });
  if (band == nullptr || canceled_) return false;

  file.SetBandColumns(band->NameIndex);
  run.useCache = file.CanOptimizeRead();
  if (run.useCache) {
    // Every constant or formatted cell of the band is read and parsed once per sheet; the row
    // copies then carry only formulas, and each output row is written from this cache.
    const std::int32_t lastOffset =
        file.NamedRangeLastCol(band->NameIndex) - file.NamedRangeFirstCol(band->NameIndex);
    run.cache.resize(static_cast<std::size_t>(band->Height()));
    for (std::int32_t row = band->FirstRow; row <= band->LastRow; ++row) {
      TBandValue& cells = run.cache[static_cast<std::size_t>(row - band->FirstRow)];
      for (std::int32_t offset = 0; offset <= lastOffset; ++offset) {
        TXlsCellValue cell = file.GetBandCellValueX(row, offset);
        if (cell.IsFormula || (cell.XF == -1 && cell.Value.IsEmpty())) continue;
        cells.push_back(ParseValue(run, cell.Value, offset, cell.XF));
      }
    }
  }

  std::int32_t offset = 0;
  InsertRows(run, *band, offset);
  if (canceled_) return true;
  file.BeginSheet();
  std::int32_t row = band->FirstRow - 1;
  FillBand(run, *band, row, band->FirstRow);
  if (canceled_) return true;
  file.EndSheet(row);
  return true;
}

void TCustomReport::OpenBandDataSets(RunData& run, TExcelBand& band) {
  for (IXlsDataSet* dataSet : band.DataSets) {
    if (dataSet != nullptr) OpenDataSet(run, *dataSet);
  }
}

// Pass 1: makes room for every record. `offset` maps template rows to output rows and grows
// by the rows the band produced.
void TCustomReport::InsertRows(RunData& run, TExcelBand& band, std::int32_t& offset) {
  if (canceled_) return;
  TExcelFile& file = run.file;
  OpenBandDataSets(run, band);
  // Counted from the first record, so the records walked below must start there too, whatever
  // an earlier run left.
  for (IXlsDataSet* dataSet : band.DataSets) {
    if (dataSet != nullptr) dataSet->First();
  }
  std::int32_t count = band.DataSets.empty() ? 1 : 0;
  for (IXlsDataSet* dataSet : band.DataSets) {
    count = std::max(count, dataSet == nullptr ? 1 : dataSet->RecordCount());
  }
  std::int32_t subHeights = 0;
  for (const auto& sub : band.SubBands) subHeights += sub->Height();
  const std::int32_t ownHeight = band.Height() - subHeights;

  if (count >= 2) {
    file.InsertAndCopyRows(band.FirstRow + offset, band.LastRow + offset, band.LastRow + offset + 1,
                           count - 1, run.useCache);
  } else if (count == 0) {
    file.DeleteRows(band.FirstRow + offset, band.Height());
  }

  if (band.SubBands.empty()) {
    offset += count * ownHeight;
  } else if (count > 0 && HasRecords(band)) {
    do {
      for (const auto& sub : band.SubBands) {
        InsertRows(run, *sub, offset);
        if (canceled_) return;
        offset -= sub->Height();
      }
      offset += subHeights + ownHeight;
    } while (Advance(band));
  }

  for (IXlsDataSet* dataSet : band.DataSets) {
    if (dataSet != nullptr) dataSet->First();
  }
}

// Pass 2: writes every record. `row` is the 0-based output row before the next one filled;
// `firstRow` the main band's first template row.
void TCustomReport::FillBand(RunData& run, TExcelBand& band, std::int32_t& row,
                             std::int32_t firstRow) {
  // From the first record, as pass 1 counted: a data set an earlier band walked to its end
  // (the same table listed twice) is listed again.
  for (IXlsDataSet* dataSet : band.DataSets) {
    if (dataSet != nullptr) dataSet->First();
  }
  if (!HasRecords(band)) return;
  do {
    std::size_t next = 0;
    for (std::int32_t r = band.FirstRow; r <= band.LastRow;) {
      if (canceled_) return;
      if (next < band.SubBands.size() && band.SubBands[next]->FirstRow == r) {
        TExcelBand& sub = *band.SubBands[next++];
        FillBand(run, sub, row, firstRow);
        r = sub.LastRow + 1;
        continue;
      }
      FillRow(run, r, row, firstRow);
      ++row;
      ++r;
    }
    if (canceled_) return;
  } while (Advance(band));
}

void TCustomReport::FillRow(RunData& run, std::int32_t templateRow, std::int32_t row,
                            std::int32_t firstRow) {
  TExcelFile& file = run.file;
  const std::int32_t outRow = row + 1;
  if (run.useCache) {
    TXlsCellValue cell;
    for (const TOneBandValue& value : run.cache[static_cast<std::size_t>(templateRow - firstRow)]) {
      cell.Value = EvaluateValue(run, value, row);
      cell.XF = value.XF;
      file.SetBandCellValueX(outRow, value.Column, cell);
    }
  } else {
    const std::int32_t cells = file.BandRowCellCount(outRow);
    for (std::int32_t offset = 0; offset < cells; ++offset) {
      const Variant read = file.GetBandCellValue(outRow, offset);
      if (read.IsEmpty()) continue;
      const TOneBandValue value = ParseValue(run, read, offset, -1);
      file.SetBandCellValue(outRow, offset, EvaluateValue(run, value, row));
    }
  }
  FillComments(run, row);
  FillPictures(run, row);
}

namespace {

bool StartsWithTag(const std::u16string& text) {
  return text.size() >= 2 && text[0] == u'#' && (text[1] == u'#' || text[1] == u'.');
}

TXlsImgTypes PictureTypeFromName(const std::string& name) {
  const std::string upper = ToUpperAscii(name);
  std::string type = "JPEG";
  if (auto at = upper.rfind("##"); at != std::string::npos) {
    type = upper.substr(at + 2);
  } else if (at = upper.rfind("#."); at != std::string::npos) {
    type = upper.substr(at + 2);
  }
  if (type == "EMF") return TXlsImgTypes::xli_Emf;
  if (type == "WMF") return TXlsImgTypes::xli_Wmf;
  if (type == "JPEG") return TXlsImgTypes::xli_Jpeg;
  if (type == "PNG") return TXlsImgTypes::xli_Png;
  throw ReportError(Format(report_msg::kDrawingType, type.c_str()));
}

// Image data as bytes: a text value holds them as they are; an array holds one byte per element.
std::string PictureBytes(const Variant& value) {
  if (value.Type() == VarType::String) return value.AsString();
  if (value.IsArray()) {
    std::string bytes;
    bytes.reserve(value.AsArray().Elements().size());
    for (const Variant& element : value.AsArray().Elements()) {
      bytes.push_back(static_cast<char>(element.ToInt32() & 0xFF));
    }
    return bytes;
  }
  return value.ToString();
}

}  // namespace

void TCustomReport::FillComments(RunData& run, std::int32_t row) {
  TExcelFile& file = run.file;
  const std::int32_t outRow = row + 1;
  for (std::int32_t i = file.CommentCount(outRow) - 1; i >= 0; --i) {
    const std::u16string text = file.GetComment(outRow, i);
    // A plain note stays as it is; only a tag can change it.
    if (!StartsWithTag(text)) continue;
    const TOneBandValue value = ParseValue(run, Variant::FromWideString(text), 0, -1);
    const Variant result = EvaluateValue(run, value, row);
    if (result.IsEmpty() || result.IsNull()) continue;
    const std::u16string replaced = result.ToWideString();
    if (replaced != text) file.SetComment(outRow, i, replaced);
  }
}

void TCustomReport::FillPictures(RunData& run, std::int32_t row) {
  TExcelFile& file = run.file;
  const std::int32_t outRow = row + 1;
  const std::int32_t count = file.PictureCount(outRow);
  for (std::int32_t i = 0; i < count; ++i) {
    const std::u16string name = file.GetPictureName(outRow, i);
    // An ordinary picture name is not a tag and needs no type: the picture stays as it is.
    if (!StartsWithTag(name)) continue;
    const std::string text = Utf16ToUtf8(name);
    const TXlsImgTypes type = PictureTypeFromName(text);
    const TOneBandValue value = ParseValue(run, Variant::FromString(text), 0, -1);
    const Variant result = EvaluateValue(run, value, row);
    // No value (a record without a picture, or past the end): the template's picture stays
    // rather than becoming an empty image.
    if (result.IsEmpty() || result.IsNull()) continue;
    if (result.IsText() && result.ToString() == text) continue;
    file.AssignPicture(outRow, i, type, PictureBytes(result));
  }
}

void TCustomReport::FillFullDataSets(RunData& run) {
  TExcelFile& file = run.file;
  auto& tables = run.fullDataSets;
  for (std::size_t k = 0; k < tables.size(); ++k) {
    if (canceled_) return;
    const TFullDataSet table = tables[k];
    IXlsDataSet& dataSet = RequireDataSet(TagDataSetName(table.Text));
    OpenDataSet(run, dataSet);
    const std::int32_t count = dataSet.RecordCount();
    dataSet.First();
    if (count < 1) {
      file.DeleteRows(table.Row + 2, 1);
    } else if (count >= 2) {
      // One record uses the row below the tag as it is: nothing to insert.
      file.InsertAndCopyRows(table.Row + 2, table.Row + 2, table.Row + 3, count - 1, false);
    }
    for (std::size_t j = k + 1; j < tables.size(); ++j) {
      if (tables[j].Row > table.Row) tables[j].Row += count - 1;
    }

    const std::int32_t fieldCount = dataSet.FieldCount();
    file.BeginFullTable(table.Row + 1, table.Column, table.Column + fieldCount - 1,
                        table.Row + count + 1);
    std::vector<std::shared_ptr<IXlsField>> fields;
    fields.reserve(static_cast<std::size_t>(std::max(fieldCount, 0)));
    for (std::int32_t i = 0; i < fieldCount; ++i) {
      fields.push_back(dataSet.GetField(i));
      file.SetTableCellValue(table.Row + 1, table.Column + i,
                             Variant::FromString(fields.back()->FieldName()));
    }
    for (std::int32_t record = 1; record <= count; ++record) {
      if (canceled_) return;
      for (std::int32_t i = 0; i < fieldCount; ++i) {
        IXlsField& field = *fields[static_cast<std::size_t>(i)];
        const Variant value = field.IsMemo() ? MemoText(field.Value()) : field.Value();
        file.SetTableCellValue(table.Row + record + 1, table.Column + i, value);
      }
      dataSet.Next();
    }
    file.EndFullTable();
  }
}

}  // namespace chronolin
