#pragma once
// Reading a CSV table: UTF-8 text, fields separated by commas, quoted as RFC 4180 says (a
// quoted field may hold commas, line breaks and doubled quotes), records ending in CR LF or LF;
// the first record names the columns. Field bytes are kept as they are, so a quoted field may
// also carry binary data (an image for a picture tag).
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace chronolin::cli {

class CsvError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct CsvTable {
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;
};

// CsvError naming the line for a stray or missing quote, a record whose field count differs
// from the header's, or a text without a header.
CsvTable ParseCsv(std::string_view text);
// CsvError "FILE: reason" when the file cannot be read or parsed.
CsvTable ReadCsvFile(const std::string& path);

}  // namespace chronolin::cli
