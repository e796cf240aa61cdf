// Growing a one-row band: N copies of the band row inserted under it, once by a single
// insert-and-copy call and once by N calls of one row each. The band row holds a number, a text
// and a formula on its own row (=A2*2); a total =SUM(A2:A3) sits under a spacer row, so every
// insertion grows its range. The per-call run reports the mean time of a call over its first
// and its last 1,000 calls: their ratio shows how a call's cost grows with the rows already
// there. The band run copies a band row holding a note and a picture: every copy clones both
// shapes with object ids of their own, so 32,000 copies come close to the 65,535 a sheet numbers.
//   cmake -S . -B /tmp/bench-build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
//     -DCHRONOLIN_BENCH=ON -DCHRONOLIN_BUILD_TESTS=OFF   (one command)
//   cmake --build /tmp/bench-build --target xls_edit_bench && /tmp/bench-build/bench/xls_edit_bench
#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <stdexcept>

#include <benchmark/benchmark.h>

#include "../tests/xls/band_drawing.h"
#include "../tests/xls/biff_builder.h"
#include "xls/cells/formula_record.h"
#include "xls/workbook.h"

namespace chronolin {
namespace {

using namespace bifftest;

constexpr int kBandRow = 1;   // 0-based: row 2 as a user counts
constexpr int kTotalRow = 3;  // row 4, under the spacer row 3

Bytes Formula(std::uint16_t row, std::uint16_t col, const Bytes& tokens) {
  return Rec(0x0006, Cat({W({row, col, 15}), Bytes(8), W({0}), D(0),
                          W({static_cast<std::uint16_t>(tokens.size())}), tokens}));
}

void LoadBand(TWorkbook& workbook) {
  // =A2*2 with a relative row (ptgRef, ptgInt, ptgMul); =SUM(A2:A3) (ptgArea, ptgFuncVar).
  const Bytes twice = Cat({Bytes{0x44}, W({kBandRow, 0xC000}), Bytes{0x1E}, W({2}), Bytes{0x05}});
  const Bytes sum = Cat({Bytes{0x25}, W({kBandRow, kBandRow + 1, 0, 0}), Bytes{0x22, 1}, W({4})});
  workbook.Load(Workbook({Cat({Row(0), LabelSst(0, 0, 0), Row(kBandRow), Number(kBandRow, 0, 7),
                               LabelSst(kBandRow, 1, 1), Formula(kBandRow, 2, twice),
                               Row(kTotalRow), Formula(kTotalRow, 0, sum)})},
                         {}, {"Durée", "Connexion"}));
}

// The total must have moved down by `inserted` rows with its range grown by as many.
void CheckTotal(TWorkbook& workbook, int inserted) {
  const auto row = static_cast<std::uint16_t>(kTotalRow + inserted);
  const auto* total =
      dynamic_cast<TFormulaRecord*>(workbook.WorkSheet(0)->Cells().CellList().Find(row, 0));
  if (total == nullptr || total->TokenLength() < 9 ||
      biff::Get16(total->Tokens() + 3) != kBandRow + 1 + inserted) {
    throw std::logic_error("the total did not follow the inserted rows");
  }
}

void ReportMemory(benchmark::State& state) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_OneCall(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    TWorkbook workbook;
    LoadBand(workbook);
    state.ResumeTiming();
    workbook.InsertAndCopyRows(0, kBandRow, kBandRow, kBandRow + 1, rows, false);
    state.PauseTiming();
    CheckTotal(workbook, rows);
    state.ResumeTiming();
  }
  ReportMemory(state);
}

void BM_OneRowPerCall(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  const int rows = static_cast<int>(state.range(0));
  const int window = rows < 4000 ? rows / 4 : 1000;
  double first_us = 0;
  double last_us = 0;
  for (auto _ : state) {
    state.PauseTiming();
    TWorkbook workbook;
    LoadBand(workbook);
    state.ResumeTiming();
    Clock::time_point mark = Clock::now();
    for (int i = 0; i < rows; ++i) {
      if (i == window) {
        first_us = std::chrono::duration<double, std::micro>(Clock::now() - mark).count() / window;
      }
      if (i == rows - window) mark = Clock::now();
      workbook.InsertAndCopyRows(0, kBandRow, kBandRow, kBandRow + 1, 1, false);
    }
    last_us = std::chrono::duration<double, std::micro>(Clock::now() - mark).count() / window;
    state.PauseTiming();
    CheckTotal(workbook, rows);
    state.ResumeTiming();
  }
  state.counters["first_calls_us"] = first_us;
  state.counters["last_calls_us"] = last_us;
  state.counters["calls_averaged"] = window;
  ReportMemory(state);
}

void BM_BandWithDrawing(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  const BandWorkbook band = BandWithNoteAndPicture();
  for (auto _ : state) {
    state.PauseTiming();
    TWorkbook workbook;
    workbook.Load(Workbook({band.sheet}, band.globals));
    state.ResumeTiming();
    workbook.InsertAndCopyRows(0, 1, 1, 2, rows, false);
    state.PauseTiming();
    if (workbook.WorkSheet(0)->Drawing().ObjectTotal() != 2u * (rows + 1u)) {
      throw std::logic_error("the band's shapes were not all copied");
    }
    state.ResumeTiming();
  }
  ReportMemory(state);
}

BENCHMARK(BM_OneCall)->Arg(5000)->Arg(60000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_OneRowPerCall)
    ->Arg(5000)
    ->Arg(20000)
    ->Arg(40000)
    ->Arg(60000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_BandWithDrawing)
    ->Arg(8000)
    ->Arg(10000)
    ->Arg(16000)
    ->Arg(20000)
    ->Arg(32000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
}  // namespace chronolin

BENCHMARK_MAIN();
