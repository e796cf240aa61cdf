// Loading and saving a large workbook: 65,536 rows of 10 columns (five numbers, five texts),
// the largest sheet BIFF8 holds. Reports the peak resident memory and the size of the file the
// save produces.
//   cmake --preset release -DCHRONOLIN_BENCH=ON && cmake --build build/release --target xls_bench
//   build/release/bench/xls_bench
// With CHRONOLIN_XLS_BENCH_FILE set, the saved file is kept at that path (for timing other
// programs' load + save of the same file).
#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "common/text_codec.h"
#include "xls/cells/rk_value.h"
#include "xls/compound_file/xls_storage.h"
#include "xls/records/biff_bytes.h"
#include "xls/records/biff_stream.h"
#include "xls/workbook.h"
#include "xls/workbook_file.h"

namespace chronolin {
namespace {

constexpr std::uint32_t kRows = 65536;
constexpr std::uint16_t kColumns = 10;

void Record(std::vector<std::uint8_t>& out, std::uint16_t id,
            const std::vector<std::uint8_t>& body) {
  biff::Put16(out, id);
  biff::Put16(out, static_cast<std::uint16_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
}

std::vector<std::uint8_t> Bof(std::uint16_t kind) {
  std::vector<std::uint8_t> b;
  for (const std::uint16_t w :
       {std::uint16_t{0x0600}, kind, std::uint16_t{0x0DBB}, std::uint16_t{0x07CC}})
    biff::Put16(b, w);
  biff::Put32(b, 0);
  biff::Put32(b, 0x0600);
  return b;
}

std::string Text(std::uint32_t row, std::uint16_t column) {
  static const char* const kNames[] = {"Modem", "RNIS", "Câble", "Hôtel", "Bureau", "Maison"};
  // One column unique per row, the others drawn from a few names as a journal repeats them.
  if (column == 5) return "Connexion n°" + std::to_string(row);
  return std::string(kNames[(row + column) % 6]) + " " + std::to_string(column);
}

// The SST body is split into CONTINUE records by whole strings, as writers do.
void WriteSst(std::vector<std::uint8_t>& out, const std::vector<std::string>& strings) {
  std::vector<std::vector<std::uint8_t>> bodies(1);
  biff::Put32(bodies[0], kRows * 5);
  biff::Put32(bodies[0], static_cast<std::uint32_t>(strings.size()));
  for (const auto& s : strings) {
    const std::string latin1 = Utf8ToLatin1(s);
    if (bodies.back().size() + 3 + latin1.size() > 8224) bodies.emplace_back();
    biff::Put16(bodies.back(), static_cast<std::uint16_t>(latin1.size()));
    biff::Put8(bodies.back(), 0);
    bodies.back().insert(bodies.back().end(), latin1.begin(), latin1.end());
  }
  for (std::size_t i = 0; i < bodies.size(); ++i) Record(out, i == 0 ? 0x00FC : 0x003C, bodies[i]);
}

std::vector<std::uint8_t> MakeStream() {
  std::vector<std::string> strings;
  std::vector<std::uint32_t> index(static_cast<std::size_t>(kRows) * kColumns);
  {
    std::map<std::string, std::uint32_t> ids;
    for (std::uint32_t r = 0; r < kRows; ++r) {
      for (std::uint16_t c = 5; c < kColumns; ++c) {
        auto [it, fresh] = ids.emplace(Text(r, c), static_cast<std::uint32_t>(strings.size()));
        if (fresh) strings.push_back(it->first);
        index[r * kColumns + c] = it->second;
      }
    }
  }
  std::vector<std::uint8_t> out;
  Record(out, 0x0809, Bof(0x0005));
  std::vector<std::uint8_t> sheet = {0, 0, 0, 0, 0, 0, 6, 0};
  for (const char c : std::string("Lignes")) sheet.push_back(static_cast<std::uint8_t>(c));
  Record(out, 0x0085, sheet);
  WriteSst(out, strings);
  Record(out, 0x000A, {});
  Record(out, 0x0809, Bof(0x0010));
  for (std::uint32_t r = 0; r < kRows; ++r) {
    std::vector<std::uint8_t> row;
    for (const std::uint16_t w :
         {static_cast<std::uint16_t>(r), std::uint16_t{0}, kColumns, std::uint16_t{255},
          std::uint16_t{0}, std::uint16_t{0}, std::uint16_t{0x100}, std::uint16_t{15}}) {
      biff::Put16(row, w);
    }
    Record(out, 0x0208, row);
    for (std::uint16_t c = 0; c < kColumns; ++c) {
      std::vector<std::uint8_t> cell;
      biff::Put16(cell, static_cast<std::uint16_t>(r));
      biff::Put16(cell, c);
      biff::Put16(cell, 15);
      if (c >= 5) {
        biff::Put32(cell, index[r * kColumns + c]);
        Record(out, 0x00FD, cell);
      } else if (const double v = r * 1.5 + c; c % 2 == 0 && EncodeRK(v)) {
        biff::Put32(cell, *EncodeRK(v));
        Record(out, 0x027E, cell);
      } else {
        cell.resize(14);
        biff::SetDouble(cell.data() + 6, r / 7.0 + c);
        Record(out, 0x0203, cell);
      }
    }
  }
  Record(out, 0x023E, {0xB6, 0x06, 0, 0, 0, 0, 0x40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  Record(out, 0x000A, {});
  return out;
}

const std::vector<std::uint8_t>& Stream() {
  static const std::vector<std::uint8_t> stream = MakeStream();
  return stream;
}

void BM_LoadSave(benchmark::State& state) {
  const auto& stream = Stream();
  std::size_t saved = 0;
  for (auto _ : state) {
    TWorkbook workbook;
    workbook.Load(stream);
    TMemoryOutStream out;
    workbook.Save(out);
    saved = out.Bytes().size();
    benchmark::DoNotOptimize(out.Bytes().data());
  }
  // The file as the report engine writes it: the stream inside a compound document.
  TWorkbook workbook;
  workbook.Load(stream);
  TXlsStorageList storages;
  const char* keep = std::getenv("CHRONOLIN_XLS_BENCH_FILE");
  const auto path = keep != nullptr
                        ? std::filesystem::path(keep)
                        : std::filesystem::temp_directory_path() / "chronolin-xls-bench.xls";
  std::filesystem::remove(path);
  SaveWorkbookFile(path.string(), storages, workbook);
  state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(path));
  if (keep == nullptr) std::filesystem::remove(path);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
  state.counters["stream_bytes"] = static_cast<double>(saved);
  state.counters["cells"] = static_cast<double>(kRows) * kColumns;
}
BENCHMARK(BM_LoadSave)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace chronolin

BENCHMARK_MAIN();
