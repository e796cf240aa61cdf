// chronolin-xls: a developer's look into workbook files through the same path the report
// engine takes (storage list, "Workbook" stream, workbook model).
//   chronolin-xls roundtrip IN OUT   load IN and save it as OUT
//   chronolin-xls dump IN            storages, sheets, record counts, strings and names
// Edits, with sheets, rows and columns counted from 1 as a user counts them:
//   set IN OUT SHEET ROW COL VALUE                 a number, or else text
//   insert-copy-rows IN OUT SHEET FIRST LAST DEST COUNT [--formulas-only]
//   delete-rows IN OUT SHEET FIRST COUNT
//   copy-sheet IN OUT SOURCE POSITION COUNT
//   comment IN OUT SHEET ROW INDEX TEXT
//   picture IN OUT SHEET ROW INDEX FILE TYPE       TYPE: EMF, WMF, JPEG or PNG
#if __has_include(<malloc.h>)
#include <malloc.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/text_codec.h"
#include "xls/records/biff_stream.h"
#include "xls/workbook_file.h"

namespace chronolin {
namespace {

// Element names may start with a control character ("\x05SummaryInformation").
std::string Printable(const std::u16string& name) {
  std::string out;
  for (const char c : Utf16ToUtf8(name)) {
    if (static_cast<unsigned char>(c) < 0x20) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned>(c));
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

void DumpStorages(const TXlsStorageList& list, int depth) {
  for (std::size_t i = 0; i < list.Count(); ++i) {
    const TXlsStorage& node = list.Item(i);
    const std::string name = Printable(node.Name());
    if (node.Children().Count() > 0 || node.Data().empty()) {
      std::printf("%*sstorage %s (%zu elements)\n", depth * 2, "", name.c_str(),
                  node.Children().Count());
      DumpStorages(node.Children(), depth + 1);
    } else {
      std::printf("%*sstream %s (%zu bytes)\n", depth * 2, "", name.c_str(), node.Data().size());
    }
  }
}

void DumpRecordCounts(const std::vector<std::uint8_t>& stream) {
  std::map<std::uint16_t, std::size_t> counts;
  TBiffReader reader(stream);
  RecordHeader header;
  while (reader.ReadHeader(header) && header.id != 0) {
    ++counts[header.id];
    if (header.size > reader.Remaining()) break;
    reader.ReadBytes(header.size);
  }
  std::printf("records:\n");
  for (const auto& [id, n] : counts) std::printf("  0x%04x %zu\n", id, n);
}

const char* BuiltInName(char16_t code) {
  static const char* const kNames[] = {
      "Consolidate_Area", "Auto_Open",       "Auto_Close",   "Extract",        "Database",
      "Criteria",         "Print_Area",      "Print_Titles", "Recorder",       "Data_Form",
      "Auto_Activate",    "Auto_Deactivate", "Sheet_Title",  "_FilterDatabase"};
  return code < std::size(kNames) ? kNames[code] : "?";
}

void Dump(const std::string& file) {
  TXlsStorageList storages;
  TWorkbook workbook;
  LoadWorkbookFile(file, storages, workbook);
  std::printf("storages:\n");
  DumpStorages(storages, 1);
  std::printf("sheets:\n");
  for (std::size_t i = 0; i < workbook.SheetCount(); ++i) {
    std::printf("  %zu %s \"%s\"\n", i, workbook.IsWorksheet(i) ? "worksheet" : "chart",
                Utf16ToUtf8(workbook.SheetName(i)).c_str());
  }
  DumpRecordCounts(storages.FindStream(kWorkbookStreamName));
  std::printf("sst: %zu strings\n", workbook.Globals().SST().Count());
  const TWorkbookGlobals& globals = workbook.Globals();
  std::printf("names:\n");
  for (std::size_t i = 0; i < globals.Names().Count(); ++i) {
    const TNameRecord& name = *globals.Names().Name(i);
    const std::u16string text = name.Name();
    const std::string shown =
        name.IsBuiltIn() && !text.empty() ? BuiltInName(text[0]) : Utf16ToUtf8(text);
    const TNamedRange r = name.Range(globals.References());
    std::printf("  \"%s\"", shown.c_str());
    if (name.SheetIndex() != 0) std::printf(" local to sheet %d", name.SheetIndex() - 1);
    if (r.first_row >= 0) {
      std::printf(", range: sheet %d rows %d-%d columns %d-%d", r.sheet, r.first_row, r.last_row,
                  r.first_column, r.last_column);
    }
    std::printf("\n");
  }
}

void Roundtrip(const std::string& in, const std::string& out) {
  TXlsStorageList storages;
  TWorkbook workbook;
  LoadWorkbookFile(in, storages, workbook);
  DropWorkbookStream(storages);
  SaveWorkbookFile(out, storages, workbook);
}

// A whole number as a user counts (from 1 unless `from` says otherwise).
int Count(const char* text, const char* what, int from = 1) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || errno != 0 || value < from || value > 1000000) {
    throw std::invalid_argument(std::string("invalid ") + what + ": " + text);
  }
  return static_cast<int>(value);
}

void Edit(const std::string& in, const std::string& out, const std::function<void(TWorkbook&)>& f) {
  TXlsStorageList storages;
  TWorkbook workbook;
  LoadWorkbookFile(in, storages, workbook);
  DropWorkbookStream(storages);
  f(workbook);
  SaveWorkbookFile(out, storages, workbook);
}

TWorkSheet& Sheet(TWorkbook& workbook, const char* text) {
  const int sheet = Count(text, "sheet") - 1;
  if (static_cast<std::size_t>(sheet) >= workbook.SheetCount() || !workbook.IsWorksheet(sheet)) {
    throw std::invalid_argument(std::string("no worksheet ") + text);
  }
  return *workbook.WorkSheet(static_cast<std::size_t>(sheet));
}

Variant CellValue(const std::string& text) {
  char* end = nullptr;
  const double number = std::strtod(text.c_str(), &end);
  if (!text.empty() && *end == '\0') return Variant::FromDouble(number);
  return Variant::FromString(text);
}

TPictureType PictureType(const std::string& name) {
  if (name == "EMF") return TPictureType::kEmf;
  if (name == "WMF") return TPictureType::kWmf;
  if (name == "JPEG") return TPictureType::kJpeg;
  if (name == "PNG") return TPictureType::kPng;
  throw std::invalid_argument("picture type must be EMF, WMF, JPEG or PNG: " + name);
}

std::vector<std::uint8_t> ReadFile(const std::string& name) {
  std::ifstream file(name, std::ios::binary);
  if (!file) throw std::invalid_argument("cannot read " + name);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {});
}

bool RunEdit(int argc, char** argv) {
  const std::string command = argv[1];
  if (argc < 4) return false;
  const std::string in = argv[2];
  const std::string out = argv[3];
  char** a = argv + 4;
  const int n = argc - 4;
  if (command == "set" && n == 4) {
    Edit(in, out, [&](TWorkbook& w) {
      Sheet(w, a[0]).SetCell(Count(a[1], "row") - 1, Count(a[2], "column") - 1, CellValue(a[3]));
    });
  } else if (command == "insert-copy-rows" &&
             (n == 5 || (n == 6 && std::string(a[5]) == "--formulas-only"))) {
    Edit(in, out, [&](TWorkbook& w) {
      w.InsertAndCopyRows(Count(a[0], "sheet") - 1, Count(a[1], "row") - 1, Count(a[2], "row") - 1,
                          Count(a[3], "row") - 1, Count(a[4], "count", 0), n == 6);
    });
  } else if (command == "delete-rows" && n == 3) {
    Edit(in, out, [&](TWorkbook& w) {
      w.DeleteRows(Count(a[0], "sheet") - 1, Count(a[1], "row") - 1, Count(a[2], "count", 0));
    });
  } else if (command == "copy-sheet" && n == 3) {
    Edit(in, out, [&](TWorkbook& w) {
      w.InsertSheets(Count(a[0], "sheet") - 1, Count(a[1], "position") - 1,
                     Count(a[2], "count", 0));
    });
  } else if (command == "comment" && n == 4) {
    Edit(in, out, [&](TWorkbook& w) {
      Sheet(w, a[0]).SetCommentText(Count(a[1], "row") - 1, Count(a[2], "index") - 1,
                                    Utf8ToUtf16(a[3]));
    });
  } else if (command == "picture" && n == 5) {
    const std::vector<std::uint8_t> bytes = ReadFile(a[3]);
    const TPictureType type = PictureType(a[4]);
    Edit(in, out, [&](TWorkbook& w) {
      TWorkSheet& sheet = Sheet(w, a[0]);
      // The pictures anchored at the row, in drawing order.
      const int row = Count(a[1], "row") - 1;
      const int index = Count(a[2], "index") - 1;
      int seen = 0;
      const auto& pictures = sheet.Drawing().Pictures();
      for (std::size_t i = 0; i < pictures.size(); ++i) {
        if (sheet.Drawing().PictureRow(i) != row) continue;
        if (seen++ == index) {
          sheet.Drawing().ReplacePicture(i, bytes, type, w.Globals().DrawingGroup());
          return;
        }
      }
      throw std::invalid_argument("no such picture");
    });
  } else {
    return false;
  }
  return true;
}

constexpr const char* kUsage =
    "usage: chronolin-xls roundtrip IN OUT\n"
    "       chronolin-xls dump IN\n"
    "       chronolin-xls set IN OUT SHEET ROW COL VALUE\n"
    "       chronolin-xls insert-copy-rows IN OUT SHEET FIRST LAST DEST COUNT "
    "[--formulas-only]\n"
    "       chronolin-xls delete-rows IN OUT SHEET FIRST COUNT\n"
    "       chronolin-xls copy-sheet IN OUT SOURCE POSITION COUNT\n"
    "       chronolin-xls comment IN OUT SHEET ROW INDEX TEXT\n"
    "       chronolin-xls picture IN OUT SHEET ROW INDEX FILE TYPE\n"
    "       chronolin-xls --help | --version\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace
}  // namespace chronolin

int main(int argc, char** argv) {
  using namespace chronolin;
#ifdef M_MMAP_THRESHOLD
  // One file in, one file out: buffers of a few megabytes (the file, its stream, the saved
  // stream) are freed and taken again. Keeping freed memory for the next one spares the
  // process faulting fresh pages in for each, which costs more than the work on them.
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "--help" || command == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (command == "--version") {
    std::puts("chronolin-xls " CHRONOLIN_VERSION);
    return 0;
  }
  try {
    if (command == "roundtrip" && argc == 4) {
      Roundtrip(argv[2], argv[3]);
    } else if (command == "dump" && argc == 3) {
      Dump(argv[2]);
    } else if (!RunEdit(argc, argv)) {
      return Usage();
    }
  } catch (const std::exception& e) {
    std::string text = e.what();
    for (char& c : text) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    std::fprintf(stderr, "%s\n", text.c_str());
    return 1;
  }
  return 0;
}
