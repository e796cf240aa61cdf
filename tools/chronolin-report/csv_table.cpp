#include "csv_table.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace chronolin::cli {

namespace {

[[noreturn]] void Fail(std::size_t line, const std::string& reason) {
  throw CsvError("line " + std::to_string(line) + ": " + reason);
}

// Walks the records of a CSV text. A field is a view of the text itself unless it has doubled
// quotes, whose undoubled copy is kept with the record.
class CsvCursor {
 public:
  CsvCursor(std::string_view text, std::size_t at, std::size_t line)
      : text_(text), at_(at), line_(line) {}

  // False at the end of the text. The fields stay valid until the next call.
  bool Next();
  std::span<const std::string_view> Fields() const { return fields_; }
  std::size_t Line() const { return record_line_; }
  // Where the next record starts, and its line.
  std::size_t Offset() const { return at_; }
  std::size_t NextLine() const { return line_; }

 private:
  struct Piece {
    bool undoubled;  // in undoubled_, else in the text
    std::size_t begin;
    std::size_t size;
  };
  bool AtLineEnd(std::size_t i) const {
    return text_[i] == '\n' || (text_[i] == '\r' && i + 1 < text_.size() && text_[i + 1] == '\n');
  }
  void QuotedField();
  void PlainField();

  std::string_view text_;
  std::size_t at_;
  std::size_t line_;
  std::size_t record_line_ = 0;
  std::vector<Piece> pieces_;
  std::string undoubled_;
  std::vector<std::string_view> fields_;
};

bool CsvCursor::Next() {
  pieces_.clear();
  undoubled_.clear();
  fields_.clear();
  if (at_ >= text_.size()) return false;
  record_line_ = line_;
  for (;;) {
    if (at_ < text_.size() && text_[at_] == '"') {
      QuotedField();
    } else {
      PlainField();
    }
    if (at_ >= text_.size()) break;
    if (text_[at_] == ',') {
      ++at_;
      continue;
    }
    at_ += text_[at_] == '\r' ? 2 : 1;
    ++line_;
    break;
  }
  // The copies are complete: the views into them stay put.
  for (const Piece& piece : pieces_) {
    const std::string_view from = piece.undoubled ? std::string_view(undoubled_) : text_;
    fields_.push_back(from.substr(piece.begin, piece.size));
  }
  return true;
}

// A quoted field runs to the next quote not doubled.
void CsvCursor::QuotedField() {
  const std::size_t opened = line_;
  const std::size_t start = ++at_;
  std::size_t segment = start;
  bool doubled = false;
  std::size_t copy_begin = 0;
  for (;;) {
    if (at_ >= text_.size()) Fail(opened, "a quoted field is not closed");
    const char c = text_[at_];
    if (c == '"') {
      if (at_ + 1 < text_.size() && text_[at_ + 1] == '"') {
        if (!doubled) copy_begin = undoubled_.size();
        doubled = true;
        undoubled_.append(text_.substr(segment, at_ + 1 - segment));
        at_ += 2;
        segment = at_;
        continue;
      }
      break;
    }
    if (c == '\n') ++line_;
    ++at_;
  }
  if (doubled) {
    undoubled_.append(text_.substr(segment, at_ - segment));
    pieces_.push_back({true, copy_begin, undoubled_.size() - copy_begin});
  } else {
    pieces_.push_back({false, start, at_ - start});
  }
  ++at_;  // the closing quote
  if (at_ < text_.size() && text_[at_] != ',' && !AtLineEnd(at_)) {
    Fail(line_, "text after the closing quote of a field");
  }
}

void CsvCursor::PlainField() {
  const std::size_t start = at_;
  while (at_ < text_.size() && text_[at_] != ',' && !AtLineEnd(at_)) {
    if (text_[at_] == '"') Fail(line_, "a quote inside a field that does not start with one");
    ++at_;
  }
  pieces_.push_back({false, start, at_ - start});
}

}  // namespace

void CsvTable::ForEachRow(const std::function<void(std::span<const std::string_view>)>& row) const {
  CsvCursor cursor(text_, rows_at_, rows_line_);
  while (cursor.Next()) row(cursor.Fields());
}

CsvTable ParseCsv(std::string text) {
  CsvTable table;
  table.text_ = std::move(text);
  const std::string_view all = table.text_;
  const std::size_t start = all.starts_with("\xEF\xBB\xBF") ? 3 : 0;  // a byte order mark
  CsvCursor cursor(all, start, 1);
  if (!cursor.Next()) throw CsvError("no header line with the column names");
  for (const std::string_view name : cursor.Fields()) table.columns_.emplace_back(name);
  table.rows_at_ = cursor.Offset();
  table.rows_line_ = cursor.NextLine();
  // Every record is read once here, so that a table is refused before any of it is used. A
  // quote out of place anywhere is told before a record of the wrong width.
  std::size_t wrong_line = 0;
  std::size_t wrong_width = 0;
  while (cursor.Next()) {
    if (wrong_line == 0 && cursor.Fields().size() != table.columns_.size()) {
      wrong_line = cursor.Line();
      wrong_width = cursor.Fields().size();
    }
  }
  if (wrong_line != 0) {
    Fail(wrong_line, std::to_string(wrong_width) + " fields where the header has " +
                         std::to_string(table.columns_.size()));
  }
  return table;
}

CsvTable ReadCsvFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw CsvError(path + ": " + std::strerror(errno));
  // Read in large pieces straight into one string: a table of many records is read once.
  std::string content;
  std::error_code ec;
  if (const auto size = std::filesystem::file_size(path, ec); !ec) content.reserve(size);
  std::string piece(1 << 16, '\0');
  while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) || in.gcount() > 0) {
    content.append(piece.data(), static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad()) throw CsvError(path + ": read error");
  try {
    return ParseCsv(std::move(content));
  } catch (const CsvError& e) {
    throw CsvError(path + ": " + e.what());
  }
}

}  // namespace chronolin::cli
