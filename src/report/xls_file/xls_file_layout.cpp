// Sizes, formats, colours and the other layout operations of the spreadsheet file. On a chart
// sheet they do nothing, and readers give the defaults of the interface.
#include <array>

#include "common/format.h"
#include "report/xls_file/xls_file.h"
#include "xls/compound_file/xls_error.h"

namespace chronolin {

namespace {

constexpr std::uint16_t kShowGridLines = 0x0002;

std::uint16_t CheckedSize(std::int32_t value, std::int32_t max, const char* what) {
  if (value < 0 || value > max) throw XlsError(Format("Invalid %s (%d)", what, value));
  return static_cast<std::uint16_t>(value);
}

// A BIFF8 string of a record body at `at`: length (8- or 16-bit), options, characters.
std::u16string BodyString(const std::vector<std::uint8_t>& body, std::size_t at, int length_width) {
  if (at + static_cast<std::size_t>(length_width) + 1 > body.size()) return {};
  std::size_t length = body[at];
  if (length_width == 2) length |= static_cast<std::size_t>(body[at + 1]) << 8;
  at += static_cast<std::size_t>(length_width);
  const std::uint8_t options = body[at++];
  if (options & 0x08) at += 2;  // rich-text run count
  if (options & 0x04) at += 4;  // far-east data size
  std::u16string text;
  const bool wide = (options & 0x01) != 0;
  for (std::size_t i = 0; i < length; ++i) {
    if (wide) {
      if (at + 2 > body.size()) break;
      text.push_back(static_cast<char16_t>(body[at] | (body[at + 1] << 8)));
      at += 2;
    } else {
      if (at >= body.size()) break;
      text.push_back(body[at++]);
    }
  }
  return text;
}

std::u16string BuiltInFormat(std::uint16_t index) {
  static constexpr std::array<const char16_t*, 50> kTexts = {u"",
                                                             u"0",
                                                             u"0.00",
                                                             u"#,##0",
                                                             u"#,##0.00",
                                                             u"",
                                                             u"",
                                                             u"",
                                                             u"",
                                                             u"0%",
                                                             u"0.00%",
                                                             u"0.00E+00",
                                                             u"?/?",
                                                             u"# ?\?/?\?",
                                                             u"DD.MM.YY",
                                                             u"DD. MMM YY",
                                                             u"DD. MMM",
                                                             u"MMM YY",
                                                             u"h:mm AM/PM",
                                                             u"h:mm:ss AM/PM",
                                                             u"hh:mm",
                                                             u"hh:mm:ss",
                                                             u"DD.MM.YYYY hh:mm",
                                                             u"",
                                                             u"",
                                                             u"",
                                                             u"",
                                                             u"",
                                                             u"",
                                                             u"",
                                                             u"",
                                                             u"",
                                                             u"",
                                                             u"",
                                                             u"",
                                                             u"",
                                                             u"",
                                                             u"\"#,##0 _$;-#,##0 _$\"",
                                                             u"\"#,##0 _$;[Red]-#,##0 _$\"",
                                                             u"\"#,##0.00 _$;-#,##0.00 _$\"",
                                                             u"\"#,##0.00 _$;[Red]-#,##0.00 _$\"",
                                                             u"",
                                                             u"",
                                                             u"",
                                                             u"",
                                                             u"\"mm:ss\"",
                                                             u"[h]:mm:ss",
                                                             u"mm:ss,0",
                                                             u"\"##0.0E+0\"",
                                                             u"@"};
  return index < kTexts.size() ? kTexts[index] : u"";
}

TXlsBorderStyle BorderStyle(unsigned bits) {
  return bits <= static_cast<unsigned>(TXlsBorderStyle::SlantedDashDot)
             ? static_cast<TXlsBorderStyle>(bits)
             : TXlsBorderStyle::None;
}

}  // namespace

std::int32_t TXLSFile::GetColumnWidth(std::int32_t col) {
  const TWorkSheet* sheet = Work();
  return sheet == nullptr ? kChartColumnWidth
                          : static_cast<std::int32_t>(sheet->ColumnWidth(col - 1));
}

std::int32_t TXLSFile::GetRowHeight(std::int32_t row) {
  const TWorkSheet* sheet = Work();
  return sheet == nullptr ? kChartRowHeight : sheet->RowHeight(row - 1);
}

void TXLSFile::SetColumnWidth(std::int32_t col, std::int32_t width) {
  if (TWorkSheet* sheet = Work())
    sheet->SetColumnWidth(col - 1, CheckedSize(width, 0xFFFF, "column width"));
}

void TXLSFile::SetRowHeight(std::int32_t row, std::int32_t height) {
  if (TWorkSheet* sheet = Work())
    sheet->SetRowHeight(row - 1, CheckedSize(height, 0x7FFF, "row height"));
}

std::int32_t TXLSFile::DefaultColumnWidth() {
  const TWorkSheet* sheet = Work();
  return sheet == nullptr ? kChartDefaultColumnWidth
                          : static_cast<std::int32_t>(sheet->DefaultColumnWidth());
}

std::int32_t TXLSFile::DefaultRowHeight() {
  const TWorkSheet* sheet = Work();
  return sheet == nullptr ? kChartDefaultRowHeight : sheet->DefaultRowHeight();
}

bool TXLSFile::GetRowAutoHeight(std::int32_t row) {
  const TWorkSheet* sheet = Work();
  return sheet == nullptr ? kChartRowAutoHeight : sheet->RowAutoHeight(row - 1);
}

void TXLSFile::SetRowAutoHeight(std::int32_t row, bool autoHeight) {
  if (TWorkSheet* sheet = Work()) sheet->SetRowAutoHeight(row - 1, autoHeight);
}

std::int32_t TXLSFile::GetColumnFormat(std::int32_t col) {
  const TWorkSheet* sheet = Work();
  return sheet == nullptr ? kChartFormat : sheet->ColumnFormat(col - 1);
}

std::int32_t TXLSFile::GetRowFormat(std::int32_t row) {
  const TWorkSheet* sheet = Work();
  return sheet == nullptr ? kChartFormat : sheet->RowFormat(row - 1);
}

void TXLSFile::SetColumnFormat(std::int32_t col, std::int32_t xf) {
  TWorkSheet* sheet = Work();
  if (sheet == nullptr) return;
  CheckFormat(xf);
  sheet->SetColumnFormat(col - 1, static_cast<std::uint16_t>(xf));
}

void TXLSFile::SetRowFormat(std::int32_t row, std::int32_t xf) {
  TWorkSheet* sheet = Work();
  if (sheet == nullptr) return;
  CheckFormat(xf);
  sheet->SetRowFormat(row - 1, static_cast<std::uint16_t>(xf));
}

TXlsColor TXLSFile::GetPaletteColor(std::int32_t index) {
  return Book().Globals().PaletteColor((index & 0x7F) - 1);
}

void TXLSFile::SetPaletteColor(std::int32_t index, TXlsColor color) {
  Book().Globals().SetPaletteColor((index & 0x7F) - 1, color);
}

bool TXLSFile::GetShowGridLines() {
  const TWorkSheet* sheet = Work();
  if (sheet == nullptr || sheet->Window2() == nullptr) return kChartShowGridLines;
  return (sheet->Window2()->Options() & kShowGridLines) != 0;
}

void TXLSFile::SetShowGridLines(bool value) {
  const TWorkSheet* sheet = Work();
  if (sheet == nullptr || sheet->Window2() == nullptr) return;
  TWindow2Record& window2 = *sheet->Window2();
  const std::uint16_t options = window2.Options();
  window2.SetOptions(
      static_cast<std::uint16_t>(value ? options | kShowGridLines : options & ~kShowGridLines));
}

void TXLSFile::GetMergedBounds(std::int32_t row, std::int32_t col, TXlsCellRange& range) {
  const TWorkSheet* sheet = Work();
  if (sheet == nullptr) {
    range = TXlsCellRange{row, col, row, col};
    return;
  }
  const TCellRange merged = sheet->MergedRange(row - 1, col - 1);
  range.Top = merged.first_row + 1;
  range.Left = merged.first_column + 1;
  range.Bottom = merged.last_row + 1;
  range.Right = merged.last_column + 1;
}

void TXLSFile::GetFormatDescription(std::int32_t xf, TXlsFormatDescription& format) {
  CheckFormat(xf);
  const TWorkbookGlobals& globals = Book().Globals();
  const TBaseRecord& record = *globals.XFs()[static_cast<std::size_t>(xf)];
  if (record.DataSize() < 20) throw XlsError(Format("Record with ID 0x%x is invalid", record.Id()));
  format = TXlsFormatDescription{};

  // Font 4 does not exist in the file: indexes above it are one too high.
  std::size_t font = record.Get16(0);
  if (font > 4) --font;
  if (font >= globals.Fonts().Count()) font = 0;
  if (font < globals.Fonts().Count()) {
    const TBaseRecord& f = *globals.Fonts()[font];
    if (f.DataSize() >= 16) {
      format.FontHeight = f.Get16(0);
      format.Italic = (f.Get16(2) & 0x0002) != 0;
      format.StrikeOut = (f.Get16(2) & 0x0008) != 0;
      format.FontColorIndex = static_cast<std::int32_t>(f.Get16(4)) - 8;
      format.Bold = f.Get16(6) == 700;
      format.Underline = f.Data()[10] != 0;
      format.FontName = BodyString(f.Data(), 14, 1);
    }
  }

  const std::uint16_t number_format = record.Get16(2);
  format.NumberFormat = BuiltInFormat(number_format);
  for (std::size_t i = 0; i < globals.Formats().Count(); ++i) {
    const TBaseRecord& f = *globals.Formats()[i];
    if (f.DataSize() >= 5 && f.Get16(0) == number_format) {
      format.NumberFormat = BodyString(f.Data(), 2, 2);
      break;
    }
  }

  const std::uint16_t protection = record.Get16(4);
  format.Locked = (protection & 0x0001) != 0;
  format.Hidden = (protection & 0x0002) != 0;
  const std::uint8_t align = record.Data()[6];
  format.HAlignment = align & 0x07;
  format.WrapText = (align & 0x08) != 0;
  format.VAlignment = (align >> 4) & 0x07;
  format.Rotation = record.Data()[7];
  format.Indent = record.Data()[8] & 0x0F;

  const std::uint32_t lines = record.Get32(10);
  const std::uint32_t colours = record.Get32(14);
  format.Left = {BorderStyle(lines & 0x0F), static_cast<std::int32_t>((lines >> 16) & 0x7F) - 7};
  format.Right = {BorderStyle((lines >> 4) & 0x0F),
                  static_cast<std::int32_t>((lines >> 23) & 0x7F) - 7};
  format.Top = {BorderStyle((lines >> 8) & 0x0F), static_cast<std::int32_t>(colours & 0x7F) - 7};
  format.Bottom = {BorderStyle((lines >> 12) & 0x0F),
                   static_cast<std::int32_t>((colours >> 7) & 0x7F) - 7};
  format.FillPattern = static_cast<std::int32_t>(colours >> 26);
  const std::uint16_t fill = record.Get16(18);
  format.FillForeColorIndex = static_cast<std::int32_t>(fill & 0x7F) - 8;
  format.FillBackColorIndex = static_cast<std::int32_t>((fill >> 7) & 0x7F) - 8;
}

}  // namespace chronolin
