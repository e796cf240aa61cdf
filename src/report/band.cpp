#include "report/band.h"

#include "common/text_codec.h"
#include "report/excel_file.h"

namespace chronolin {
namespace {

constexpr std::int32_t kMaxRow = 65535;

std::string AfterSheetPart(std::string name) {
  const auto bang = name.find('!');
  return bang == std::string::npos ? name : name.substr(bang + 1);
}

std::unique_ptr<TExcelBand> MakeBand(
    const TBandName& name, const std::function<IXlsDataSet*(const std::string&)>& lookup) {
  auto band = std::make_unique<TExcelBand>();
  band->FirstRow = name.FirstRow;
  band->LastRow = name.LastRow;
  band->NameIndex = name.Index;
  for (const std::string& dataSet : BandDataSetNames(name.Text)) {
    band->DataSets.push_back(lookup(dataSet));
  }
  return band;
}

void AddSubBands(TExcelBand& band, const std::vector<TBandName>& names,
                 const std::function<IXlsDataSet*(const std::string&)>& lookup) {
  // Only the band's own range is excluded: a nested band that fills the rest of the band after
  // an earlier one (its range then equals the range searched) is still found.
  std::int32_t from = band.FirstRow;
  while (from <= band.LastRow) {
    auto found = FindBand(names, from, band.LastRow, band.FirstRow, band.LastRow);
    if (!found) break;
    auto sub = MakeBand(*found, lookup);
    AddSubBands(*sub, names, lookup);
    from = sub->LastRow + 1;
    band.SubBands.push_back(std::move(sub));
  }
}

}  // namespace

std::vector<TBandName> ReadBandNames(TExcelFile& file) {
  std::vector<TBandName> names;
  const std::int32_t sheet = file.GetActiveSheet();
  const std::int32_t count = file.NamedRangeCount();
  for (std::int32_t i = 1; i <= count; ++i) {
    std::string text = AfterSheetPart(Utf16ToUtf8(file.GetNamedRangeName(i)));
    if (text.rfind("__", 0) != 0) continue;
    if (file.NamedRangeSheet(i) != sheet) continue;
    TBandName name{i, file.NamedRangeFirstRow(i), file.NamedRangeLastRow(i), std::move(text)};
    if (name.FirstRow < 1 || name.LastRow < name.FirstRow) continue;
    names.push_back(std::move(name));
  }
  return names;
}

std::vector<std::string> BandDataSetNames(const std::string& bandName) {
  std::string rest = AfterSheetPart(bandName);
  if (rest.rfind("__", 0) == 0) rest.erase(0, 2);
  std::vector<std::string> result;
  for (auto end = rest.find("__"); end != std::string::npos; end = rest.find("__")) {
    result.push_back(rest.substr(0, end));
    rest.erase(0, end + 2);
  }
  return result;
}

std::optional<TBandName> FindBand(const std::vector<TBandName>& names, std::int32_t from,
                                  std::int32_t to, std::int32_t excludedFirst,
                                  std::int32_t excludedLast) {
  const TBandName* best = nullptr;
  for (const TBandName& name : names) {
    if (name.FirstRow < from || name.LastRow > to) continue;
    if (name.FirstRow == excludedFirst && name.LastRow == excludedLast) continue;
    if (best == nullptr || name.FirstRow < best->FirstRow ||
        (name.FirstRow == best->FirstRow && name.LastRow >= best->LastRow)) {
      best = &name;
    }
  }
  if (best == nullptr) return std::nullopt;
  return *best;
}

std::unique_ptr<TExcelBand> BuildMainBand(
    const std::vector<TBandName>& names,
    const std::function<IXlsDataSet*(const std::string&)>& lookup) {
  auto found = FindBand(names, 1, kMaxRow, 1, kMaxRow);
  if (!found) return nullptr;
  auto band = MakeBand(*found, lookup);
  AddSubBands(*band, names, lookup);
  return band;
}

}  // namespace chronolin
