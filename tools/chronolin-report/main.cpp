// chronolin-report: fills a report template from CSV tables and saves the new workbook.
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/text_codec.h"
#include "csv_table.h"
#include "options.h"
#include "report/data_module.h"
#include "report/mem_table.h"
#include "report/report_no_db.h"
#include "report/xls_file/xls_file.h"
#include "typed_value.h"

#ifndef CHRONOLIN_VERSION
#define CHRONOLIN_VERSION "unknown"
#endif

namespace chronolin::cli {
namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// The data module of one run: its tables and the report, all owned here.
class ReportModule {
 public:
  explicit ReportModule(const Options& options) : report_(&module_), adapter_(&module_) {
    for (const TableOption& option : options.tables) AddTable(option);
    // Masters first: setting a master field drops the records already added.
    for (const DetailOption& detail : options.details) LinkDetail(detail);
    std::vector<Variant> values;
    for (std::size_t i = 0; i < options.tables.size(); ++i) {
      csv_[i].ForEachRow([&](std::span<const std::string_view> row) {
        values.clear();
        for (const std::string_view field : row) values.push_back(TypedValue(field));
        tables_[i]->AddRecord(values);
      });
      // The text of a table goes as soon as its values are in.
      csv_[i] = CsvTable();
    }
    csv_.clear();
    for (const ValueOption& value : options.values) {
      report_.SetValue(value.name, TypedValue(value.value));
    }
    report_.SetTemplate(options.template_name);
    report_.SetFileName(options.out);
    report_.SetAdapter(&adapter_);
    report_.SetAutoClose(false);
    if (options.pages) {
      report_.SetPagesDataSet(Table(options.pages->name));
      report_.SetPagesDataField(options.pages->field);
    }
  }

  void Run() { report_.Run(); }

 private:
  void AddTable(const TableOption& option) {
    csv_.push_back(ReadCsvFile(option.file));
    auto table = std::make_unique<TMemTable>(&module_);
    table->SetName(option.name);
    for (const std::string& column : csv_.back().Columns()) table->Columns().Add(column);
    tables_.push_back(std::move(table));
  }

  void LinkDetail(const DetailOption& detail) {
    TMemTable* table = Table(detail.name);
    TMemTable* master = Table(detail.master);
    if (master->Columns().IndexOf(detail.field) < 0) {
      throw std::runtime_error("--detail " + detail.name + "=" + detail.master + ":" +
                               detail.field + ": the table \"" + detail.master +
                               "\" has no column \"" + detail.field + "\"");
    }
    table->SetMasterTable(master);
    table->SetMasterField(detail.field);
  }

  TMemTable* Table(const std::string& name) const {
    for (const auto& table : tables_) {
      if (EqualsIgnoreCase(table->Name(), name)) return table.get();
    }
    return nullptr;  // the options were checked: never reached
  }

  TDataModule module_;
  std::vector<CsvTable> csv_;  // while the tables are built
  std::vector<std::unique_ptr<TMemTable>> tables_;
  TReportNoDB report_;
  TXLSAdapter adapter_;
};

// A large report is a model of many small records built in one go. The heap is reserved up
// front (address space only: a page counts as used once touched) and backed by huge pages
// where the system allows them, which spares most page faults and address translations.
// Nothing changes where the reservation or the advice is refused.
void PrepareHeap() {
  constexpr std::size_t kReserve = std::size_t{512} << 20;
  constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
  auto* const before = static_cast<char*>(::sbrk(0));
  // Freed memory stays with the process, so that the reserved top is never given back early.
  ::mallopt(M_TRIM_THRESHOLD, static_cast<int>(kReserve * 2));
  // Large blocks come from the heap too, so that they share its pages.
  ::mallopt(M_MMAP_THRESHOLD, 32 << 20);
  ::mallopt(M_TOP_PAD, static_cast<int>(kReserve));
  // More than the heap has, so that it grows now (volatile: the pair must not be optimised away).
  void* volatile block = std::malloc(std::size_t{1} << 20);
  std::free(block);
  ::mallopt(M_TOP_PAD, 128 * 1024);
  auto* const after = static_cast<char*>(::sbrk(0));
  if (before == reinterpret_cast<char*>(-1) || after < before + kReserve) return;
  const auto start = (reinterpret_cast<std::uintptr_t>(before) + kHugePage - 1) & ~(kHugePage - 1);
  const auto end = reinterpret_cast<std::uintptr_t>(after) & ~(kHugePage - 1);
  if (end > start) ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

int Main(const std::vector<std::string>& args) {
  Options options;
  try {
    options = ParseOptions(args);
  } catch (const UsageError& e) {
    std::cerr << "chronolin-report: " << e.what() << "\n" << kUsage << "\n";
    return kExitUsage;
  }
  if (options.help) {
    std::cout << kUsage << "\n\n" << kHelp;
    return 0;
  }
  if (options.version) {
    std::cout << "chronolin-report " << CHRONOLIN_VERSION << "\n";
    return 0;
  }

  PrepareHeap();
  namespace fs = std::filesystem;
  std::error_code ec;
  const bool existed = fs::exists(fs::symlink_status(options.out, ec));
  try {
    ReportModule module(options);
    module.Run();
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "chronolin-report: " << e.what() << "\n";
  }
  // The engine saves last and all at once; should anything still fail after that, the
  // result of a failed run is not left behind.
  if (!existed) fs::remove(options.out, ec);
  return kExitFailed;
}

}  // namespace
}  // namespace chronolin::cli

int main(int argc, char** argv) {
  return chronolin::cli::Main(std::vector<std::string>(argv + 1, argv + argc));
}
