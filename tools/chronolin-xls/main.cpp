// chronolin-xls: a developer's look into workbook files through the same path the report
// engine takes (storage list, "Workbook" stream, workbook model).
//   chronolin-xls roundtrip IN OUT   load IN and save it as OUT
//   chronolin-xls dump IN            storages, sheets, record counts, strings and names
#include <cstdio>
#include <exception>
#include <map>
#include <string>

#include "common/text_codec.h"
#include "xls/biff_stream.h"
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
  SaveWorkbookFile(out, storages, workbook);
}

int Usage() {
  std::fprintf(stderr, "usage: chronolin-xls roundtrip IN OUT\n       chronolin-xls dump IN\n");
  return 2;
}

}  // namespace
}  // namespace chronolin

int main(int argc, char** argv) {
  using namespace chronolin;
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  try {
    if (command == "roundtrip" && argc == 4) {
      Roundtrip(argv[2], argv[3]);
    } else if (command == "dump" && argc == 3) {
      Dump(argv[2]);
    } else {
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
