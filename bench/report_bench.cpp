// The report engine over the spreadsheet file: a one-row band (four tags, a note on one cell,
// a total and a page break below) filled with N records of a memory table, then saved. The
// same without the note tells the share of copying notes with their rows.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <filesystem>
#include <string>

#include "report/data_module.h"
#include "report/mem_table.h"
#include "report/report_no_db.h"
#include "report/xls_file/xls_file.h"

#ifndef CHRONOLIN_BENCH_DATA
#define CHRONOLIN_BENCH_DATA "tests/data"
#endif

namespace chronolin {
namespace {

void FillBand(benchmark::State& state, const char* template_name) {
  const auto records = static_cast<std::int32_t>(state.range(0));
  TDataModule module;
  TMemTable cnx(&module);
  cnx.SetName("Cnx");
  for (const char* column : {"Name", "Duree", "Date", "Remark"}) cnx.Columns().Add(column);
  for (std::int32_t k = 0; k < records; ++k) {
    cnx.AddRecord({Variant::FromString("Name " + std::to_string(k)), Variant::FromDouble(k * 1.5),
                   Variant::FromDate(45000.0 + k / 1440.0), Variant::FromString("(Conn.)")});
  }
  TXLSAdapter adapter(&module);
  TReportNoDB report(&module);
  report.SetAdapter(&adapter);
  report.SetTemplate(std::string(CHRONOLIN_BENCH_DATA) + "/report/" + template_name);
  report.SetValue("Month", Variant::FromString("Mars 2024"));
  // Saved to a file as a user's run is: a string stream growing to the workbook's size would
  // time its own copies.
  namespace fs = std::filesystem;
  const fs::path out =
      fs::temp_directory_path() / ("chronolin_report_bench_" + std::to_string(::getpid()) + ".xls");
  report.SetFileName(out.string());
  std::uintmax_t size = 0;
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove(out);  // the engine never saves over a file
    state.ResumeTiming();
    report.Run();
    size = fs::file_size(out);
  }
  fs::remove(out);
  state.counters["bytes"] = static_cast<double>(size);
  state.SetItemsProcessed(state.iterations() * records);
}

void BM_BandWithNote(benchmark::State& state) {
  FillBand(state, "band.xls");
}
void BM_BandWithoutNote(benchmark::State& state) {
  FillBand(state, "band_plain.xls");
}

BENCHMARK(BM_BandWithNote)
    ->Arg(3000)
    ->Arg(6000)
    ->Arg(30000)
    ->Arg(60000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BandWithoutNote)->Arg(30000)->Arg(60000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace chronolin

BENCHMARK_MAIN();
