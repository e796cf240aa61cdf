#pragma once
// Bands: rows of a template repeated once per record. A band is a defined name beginning with
// "__" (after any "sheet!" part) on the active sheet; the data sets it repeats over are named
// in it, each closed by "__" ("__A__B__" repeats over A and B).
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace chronolin {

class IXlsDataSet;
class TExcelFile;

struct TExcelBand;
using TExcelBandList = std::vector<std::unique_ptr<TExcelBand>>;
// One entry per data-set name of the band, nullptr where no data set has that name.
using TDataSetArray = std::vector<IXlsDataSet*>;

struct TExcelBand {
  std::int32_t FirstRow = 0;  // 1-based template rows
  std::int32_t LastRow = 0;
  std::int32_t NameIndex = 0;  // 1-based
  TExcelBandList SubBands;     // top to bottom
  TDataSetArray DataSets;

  std::int32_t Height() const { return LastRow - FirstRow + 1; }
};

// A band name of the active sheet as read from the file.
struct TBandName {
  std::int32_t Index = 0;  // 1-based name index
  std::int32_t FirstRow = 0;
  std::int32_t LastRow = 0;
  std::string Text;  // the name without any "sheet!" part
};

// The band names of the active sheet, in name order. Names without a usable row range are
// left out.
std::vector<TBandName> ReadBandNames(TExcelFile& file);

// The data-set names listed in a band name: "__A__B__" gives A and B; a trailing name not
// closed by "__" is ignored.
std::vector<std::string> BandDataSetNames(const std::string& bandName);

// The outermost band starting first within from..to whose range differs from
// excludedFirst..excludedLast: smallest first row, then largest last row; on a tie the later
// name wins. nullopt when there is none.
std::optional<TBandName> FindBand(const std::vector<TBandName>& names, std::int32_t from,
                                  std::int32_t to, std::int32_t excludedFirst,
                                  std::int32_t excludedLast);

// The main band of the sheet (rows 1..65535) with its nested bands; nullptr when there is none.
// Data sets are resolved by `lookup` (nullptr: missing).
std::unique_ptr<TExcelBand> BuildMainBand(
    const std::vector<TBandName>& names,
    const std::function<IXlsDataSet*(const std::string&)>& lookup);

}  // namespace chronolin
