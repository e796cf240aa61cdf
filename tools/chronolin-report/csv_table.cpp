#include "csv_table.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace chronolin::cli {

namespace {

[[noreturn]] void Fail(std::size_t line, const std::string& reason) {
  throw CsvError("line " + std::to_string(line) + ": " + reason);
}

}  // namespace

CsvTable ParseCsv(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a byte order mark
  std::vector<std::vector<std::string>> records;
  std::vector<std::size_t> record_lines;
  std::vector<std::string> record;
  std::string field;
  std::size_t line = 1;
  std::size_t record_line = 1;
  std::size_t i = 0;
  bool at_field_start = true;

  auto end_record = [&] {
    record.push_back(std::move(field));
    field.clear();
    const std::size_t width = record.size();
    records.push_back(std::move(record));
    record_lines.push_back(record_line);
    record.clear();
    record.reserve(width);  // the next record is most likely as wide
    at_field_start = true;
  };

  while (i < text.size()) {
    const char c = text[i];
    if (at_field_start && c == '"') {
      // A quoted field runs to the next quote not doubled.
      const std::size_t opened = line;
      ++i;
      for (;;) {
        if (i >= text.size()) Fail(opened, "a quoted field is not closed");
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            field.push_back('"');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        if (text[i] == '\n') ++line;
        field.push_back(text[i++]);
      }
      at_field_start = false;
      if (i < text.size() && text[i] != ',' && text[i] != '\n' &&
          !(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
        Fail(line, "text after the closing quote of a field");
      }
      continue;
    }
    if (c == ',') {
      record.push_back(std::move(field));
      field.clear();
      at_field_start = true;
      ++i;
    } else if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
      i += c == '\r' ? 2 : 1;
      end_record();
      record_line = ++line;
    } else if (c == '"') {
      Fail(line, "a quote inside a field that does not start with one");
    } else {
      field.push_back(c);
      at_field_start = false;
      ++i;
    }
  }
  if (!at_field_start || !record.empty()) end_record();

  if (records.empty()) throw CsvError("no header line with the column names");
  CsvTable table;
  table.columns = std::move(records.front());
  table.rows.reserve(records.size() - 1);
  for (std::size_t r = 1; r < records.size(); ++r) {
    if (records[r].size() != table.columns.size()) {
      Fail(record_lines[r], std::to_string(records[r].size()) + " fields where the header has " +
                                std::to_string(table.columns.size()));
    }
    table.rows.push_back(std::move(records[r]));
  }
  return table;
}

CsvTable ReadCsvFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw CsvError(path + ": " + std::strerror(errno));
  // Read in large pieces straight into one string: a table of many records is read once.
  std::string content;
  std::string piece(1 << 16, '\0');
  while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) || in.gcount() > 0) {
    content.append(piece.data(), static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad()) throw CsvError(path + ": read error");
  try {
    return ParseCsv(content);
  } catch (const CsvError& e) {
    throw CsvError(path + ": " + e.what());
  }
}

}  // namespace chronolin::cli
