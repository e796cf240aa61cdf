#pragma once
// Reading a CSV table: UTF-8 text, fields separated by commas, quoted as RFC 4180 says (a
// quoted field may hold commas, line breaks and doubled quotes), records ending in CR LF or LF;
// the first record names the columns. Field bytes are kept as they are, so a quoted field may
// also carry binary data (an image for a picture tag).
#include <cstddef>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace chronolin::cli {

class CsvError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A CSV text checked whole, its records read again one at a time when they are wanted: a large
// table is never held as one string per field.
class CsvTable {
 public:
  CsvTable() = default;

  const std::vector<std::string>& Columns() const { return columns_; }
  // Calls `row` with the fields of each record after the header, in order. The fields are
  // valid during the call only.
  void ForEachRow(const std::function<void(std::span<const std::string_view>)>& row) const;

 private:
  friend CsvTable ParseCsv(std::string text);
  std::vector<std::string> columns_;
  std::string text_;
  std::size_t rows_at_ = 0;  // where the record after the header starts
  std::size_t rows_line_ = 1;
};

// CsvError naming the line for a stray or missing quote, a record whose field count differs
// from the header's, or a text without a header.
CsvTable ParseCsv(std::string text);
// CsvError "FILE: reason" when the file cannot be read or parsed.
CsvTable ReadCsvFile(const std::string& path);

}  // namespace chronolin::cli
