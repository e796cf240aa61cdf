// Real workbooks through chronolin-xls: each fixture round-trips into a file that independent
// readers accept with the same content, that round-trips again to the same bytes, and whose
// workbook stream has no index records and exact sheet offsets.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "biff_builder.h"
#include "support/files.h"
#include "support/run_tool.h"
#include "xls/compound_file/xls_storage.h"
#include "xls/records/record_ids.h"
#include "xls/workbook.h"

namespace chronolin {
namespace {

namespace fs = std::filesystem;
using namespace bifftest;

using ShellRun = testing::ToolRun;

ShellRun Shell(const std::string& command) {
  return testing::RunCommand(command);
}

std::string Quote(const std::string& s) {
  return testing::ShellQuote(s);
}
std::string Tool() {
  return CHRONOLIN_XLS_TOOL;
}

Bytes ReadFile(const std::string& path) {
  return testing::ReadBytes(path);
}

std::vector<std::string> Fixtures() {
  std::vector<std::string> paths;
  for (const auto& e : fs::directory_iterator(std::string(CHRONOLIN_TEST_DATA) + "/xls")) {
    if (e.path().extension() == ".xls") paths.push_back(e.path().string());
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

class WorkbookFixtures : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("chronolin-xls-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // IN → OUT through the tool; returns OUT's path.
  std::string RoundTrip(const std::string& in, const std::string& name) {
    const std::string out = (dir_ / name).string();
    const ShellRun run = Shell(Tool() + " roundtrip " + Quote(in) + " " + Quote(out));
    EXPECT_EQ(run.status, 0) << in << ": " << run.output;
    return out;
  }

  fs::path dir_;
};

bool HavePythonReaders() {
  return Shell("/usr/bin/python3 -c 'import xlrd, olefile'").status == 0;
}

TEST_F(WorkbookFixtures, RoundTripsAreStableAndKeepEveryStream) {
  const auto fixtures = Fixtures();
  ASSERT_GE(fixtures.size(), 3u);
  const bool gsf = Shell("command -v gsf").status == 0;
  for (const auto& in : fixtures) {
    const std::string name = fs::path(in).stem().string();
    const std::string once = RoundTrip(in, name + ".1.xls");
    const std::string twice = RoundTrip(once, name + ".2.xls");
    EXPECT_EQ(ReadFile(once), ReadFile(twice)) << name << ": the second round trip changed bytes";

    // The workbook stream: no index records, every BOUNDSHEET offset at its sheet's BOF.
    TXlsStorageList storages;
    storages.LoadFromFile(once);
    const Bytes stream = storages.FindStream(kWorkbookStreamName);
    const auto records = Records(stream);
    std::vector<std::uint32_t> offsets;
    for (const auto& r : records) {
      EXPECT_NE(r.id, rid::kDimensions) << name;
      EXPECT_NE(r.id, rid::kIndex) << name;
      EXPECT_NE(r.id, rid::kDbCell) << name;
      if (r.id == rid::kBoundSheet) offsets.push_back(biff::Get32(r.body.data()));
    }
    ASSERT_FALSE(offsets.empty());
    for (const std::uint32_t offset : offsets) {
      ASSERT_LT(offset + 8u, stream.size()) << name;
      EXPECT_EQ(biff::Get16(stream.data() + offset), rid::kBof) << name << " offset " << offset;
      const std::uint16_t kind = biff::Get16(stream.data() + offset + 6);
      EXPECT_TRUE(kind == rid::kBofWorksheet || kind == rid::kBofChart) << name;
    }

    if (gsf) {
      auto list = [](const std::string& path) {
        std::string out = Shell("gsf list " + Quote(path)).output;
        return out.substr(out.find('\n') + 1);  // drop the line naming the file
      };
      std::string a = list(in), b = list(once);
      // Sizes of "Workbook" differ by design; compare kinds and names.
      auto strip = [](const std::string& text) {
        std::string result, line;
        std::istringstream lines(text);
        while (std::getline(lines, line)) {
          std::istringstream fields(line);
          std::string kind, size, element;
          fields >> kind >> size;
          std::getline(fields, element);
          result += kind + element + "\n";
        }
        return result;
      };
      EXPECT_EQ(strip(a), strip(b)) << name;
    }
    if (HavePythonReaders()) {
      const ShellRun compare =
          Shell("/usr/bin/python3 " +
                Quote(std::string(CHRONOLIN_TEST_DATA) + "/../xls/xlrd_compare.py") + " " +
                Quote(in) + " " + Quote(once));
      EXPECT_EQ(compare.status, 0) << name << ":\n" << compare.output;
    }
  }
  if (!gsf)
    GTEST_SKIP() << "gsf (libgsf-bin) is not installed: stream lists checked by olefile only";
  if (!HavePythonReaders()) GTEST_SKIP() << "python3-xlrd or python3-olefile is missing";
}

// Copying a sheet is how the report makes one sheet per page; a copy must write exactly what
// its source writes, drawings, notes and strings included.
TEST_F(WorkbookFixtures, ClonedSheetsSaveToTheSameBytes) {
  for (const auto& in : Fixtures()) {
    TXlsStorageList storages;
    storages.LoadFromFile(in);
    TWorkbook workbook;
    workbook.Load(storages.FindStream(kWorkbookStreamName));
    Save(workbook);  // numbers the shared strings
    for (std::size_t i = 0; i < workbook.SheetCount(); ++i) {
      const std::vector<std::int32_t> before = [&] {
        std::vector<std::int32_t> counts;
        for (std::size_t k = 0; k < workbook.Globals().SST().Count(); ++k) {
          counts.push_back(workbook.Globals().SST()[k]->ref_count);
        }
        return counts;
      }();
      TMemoryOutStream original, copy;
      workbook.Sheet(i).SaveToStream(original);
      {
        std::unique_ptr<TSheet> clone = workbook.Sheet(i).Clone();
        clone->SaveToStream(copy);
        EXPECT_EQ(clone->TotalSize(), static_cast<std::int64_t>(copy.Bytes().size()));
      }
      EXPECT_EQ(copy.Bytes(), original.Bytes()) << in << " sheet " << i;
      // The clone's cells took and gave back their string references.
      for (std::size_t k = 0; k < before.size(); ++k) {
        EXPECT_EQ(workbook.Globals().SST()[k]->ref_count, before[k]);
      }
    }
  }
}

TEST_F(WorkbookFixtures, DumpShowsSheetsStringsAndNames) {
  const ShellRun run =
      Shell(Tool() + " dump " + Quote(std::string(CHRONOLIN_TEST_DATA) + "/xls/gnm_charts.xls"));
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("stream Workbook"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find(" chart \""), std::string::npos) << run.output;
  EXPECT_NE(run.output.find(" worksheet \""), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("0x0809 "), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("sst: "), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("\"Print_Area\" local to sheet"), std::string::npos) << run.output;
}

TEST_F(WorkbookFixtures, ErrorsAreOneLineAndExitStatusOne) {
  const std::string text = (dir_ / "plain.txt").string();
  std::ofstream(text) << "not a workbook\n";
  ShellRun run = Shell(Tool() + " dump " + Quote(text));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output, "The file \"" + text + "\" is invalid\n");

  // An existing target is not overwritten.
  const std::string in = std::string(CHRONOLIN_TEST_DATA) + "/xls/lo_strings.xls";
  run = Shell(Tool() + " roundtrip " + Quote(in) + " " + Quote(text));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
  EXPECT_EQ(ReadFile(text), Latin1("not a workbook\n"));
}

}  // namespace
}  // namespace chronolin
