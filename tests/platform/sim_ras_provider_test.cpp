#include "platform/sim_ras_provider.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <set>
#include <thread>
#include <utility>

namespace chronolin {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

class SimRasProviderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/sim_ras_provider_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    dir_ = root_ / "state";  // not created yet: the first write must create it
  }
  void TearDown() override { fs::remove_all(root_); }

  SimRasProvider Provider() {
    return SimRasProvider(dir_, [clock = clock_] { return *clock; });
  }
  void WriteFile(const std::string& name, const std::string& text) {
    fs::create_directories(dir_);
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }
  std::int32_t StateOf(SimRasProvider& ras, HRASCONN handle) {
    RASCONNSTATUSA status;
    EXPECT_EQ(ras.RasGetConnectStatusA(handle, status), 0u);
    return status.rasconnstate;
  }

  fs::path root_;
  fs::path dir_;
  std::shared_ptr<double> clock_ = std::make_shared<double>(1'700'000'000.0);
};

TEST_F(SimRasProviderTest, DefaultScheduleChangesStateExactlyAtItsBoundaries) {
  SimRasProvider ras = Provider();
  ASSERT_EQ(ras.AddEntry("Défaut"), 0u);
  const double start = *clock_;
  ASSERT_EQ(ras.Dial("Défaut"), 0u);
  std::vector<SimRasProvider::ActiveConnection> list;
  ASSERT_EQ(ras.ListConnections(list), 0u);
  const HRASCONN h = list.at(0).handle;
  for (auto [offset, state] : {std::pair{0.0, RASCS_ConnectDevice},
                               {0.999, RASCS_ConnectDevice},
                               {1.0, RASCS_Authenticate},
                               {1.999, RASCS_Authenticate},
                               {2.0, RASCS_Connected},
                               {3600.0, RASCS_Connected}}) {
    *clock_ = start + offset;
    EXPECT_EQ(StateOf(ras, h), state) << offset;
  }
  ASSERT_EQ(ras.RasHangUpA(h), 0u);
  const double inf = std::numeric_limits<double>::infinity();
  for (auto [auth, connect] : {std::pair{2.0, 1.0}, {-1.0, 1.0}, {0.0, inf}}) {
    EXPECT_EQ(ras.Dial("Défaut", auth, connect, nullptr), SimRasProvider::kErrorInvalidParameter);
  }
}

TEST_F(SimRasProviderTest, EnumConnectionsFillsOneAndAsksForRoomBeyond) {
  SimRasProvider ras = Provider();
  RASCONNA conn;
  std::uint32_t count = 99;
  std::vector<std::string> entries{"stale"};
  EXPECT_EQ(ras.RasEnumEntriesA(entries), 0u);
  EXPECT_TRUE(entries.empty());
  EXPECT_EQ(ras.RasEnumConnectionsA(conn, count), 0u);
  EXPECT_EQ(count, 0u);
  EXPECT_FALSE(fs::exists(dir_)) << "reads must not create the directory";

  ASSERT_EQ(ras.AddEntry("A"), 0u);
  ASSERT_EQ(ras.AddEntry("B"), 0u);
  HRASCONN a = 0, b = 0;
  ASSERT_EQ(ras.Dial("A", 1, 2, &a), 0u);
  ASSERT_EQ(ras.RasEnumConnectionsA(conn, count), 0u);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(conn.hrasconn, a);
  EXPECT_EQ(conn.szEntryName, "A");
  EXPECT_EQ(conn.szDeviceType, "modem");
  EXPECT_FALSE(conn.szDeviceName.empty());

  // Dialling an entry that is up again changes nothing.
  HRASCONN again = 0;
  ASSERT_EQ(ras.Dial("A", 1, 2, &again), 0u);
  EXPECT_EQ(again, a);
  ASSERT_EQ(ras.RasEnumConnectionsA(conn, count), 0u);
  EXPECT_EQ(count, 1u);

  ASSERT_EQ(ras.Dial("B", 1, 2, &b), 0u);
  EXPECT_EQ(ras.RasEnumConnectionsA(conn, count), ERROR_BUFFER_TOO_SMALL);
  EXPECT_EQ(count, 2u);
  ASSERT_EQ(ras.RasHangUpA(a), 0u);
  ASSERT_EQ(ras.RasEnumConnectionsA(conn, count), 0u);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(conn.hrasconn, b);
}

TEST_F(SimRasProviderTest, EndedConnectionsBecomeUnreadableAndHandlesAreNeverReused) {
  SimRasProvider ras = Provider();
  ASSERT_EQ(ras.AddEntry("A"), 0u);
  std::set<HRASCONN> seen;
  for (int i = 0; i < 3; ++i) {
    HRASCONN h = 0;
    ASSERT_EQ(ras.Dial("A", 0, 0, &h), 0u);
    EXPECT_TRUE(h > 0 && seen.insert(h).second) << "handle " << h << " reused";
    RASCONNSTATUSA status;
    const std::uint32_t ended = i == 0   ? ras.RasHangUpA(h)
                                : i == 1 ? ras.Drop("A")
                                         : ras.HangUp("A");
    EXPECT_EQ(ended, 0u);
    EXPECT_EQ(ras.RasGetConnectStatusA(h, status), ERROR_INVALID_HANDLE);
    EXPECT_EQ(ras.RasHangUpA(h), ERROR_INVALID_HANDLE);
  }
  EXPECT_EQ(ras.Drop("A"), SimRasProvider::kErrorNoConnection);
  EXPECT_EQ(ras.HangUp("A"), SimRasProvider::kErrorNoConnection);
  RASCONNSTATUSA status;
  EXPECT_EQ(ras.RasGetConnectStatusA(0, status), ERROR_INVALID_HANDLE);
}

TEST_F(SimRasProviderTest, PhonebookRulesAndTrickyNames) {
  SimRasProvider ras = Provider();
  const std::vector<std::string> names = {"Mon FAI - 56k", "tab\there", " a=b [x] ", "#1"};
  for (const auto& name : names) ASSERT_EQ(ras.AddEntry(name), 0u) << name;
  EXPECT_EQ(ras.AddEntry("Mon FAI - 56k"), SimRasProvider::kErrorAlreadyExists);
  for (const std::string& bad :
       std::vector<std::string>{"", "two\nlines", "cr\r", std::string("nul\0x", 5), "\xC3(",
                                "\xED\xA0\x80" /* surrogate */, "\xC0\xAF" /* overlong */}) {
    EXPECT_EQ(ras.AddEntry(bad), SimRasProvider::kErrorInvalidParameter);
  }
  std::vector<std::string> entries;
  ASSERT_EQ(ras.RasEnumEntriesA(entries), 0u);
  EXPECT_EQ(entries, names);

  EXPECT_EQ(ras.Dial("Nulle part"), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
  EXPECT_EQ(ras.Dial("tab"), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
  HRASCONN h = 0;
  ASSERT_EQ(ras.Dial("tab\there", 0, 0, &h), 0u);
  RASCONNA conn;
  std::uint32_t count = 0;
  ASSERT_EQ(ras.RasEnumConnectionsA(conn, count), 0u);
  EXPECT_EQ(conn.szEntryName, "tab\there");

  // Removing an entry keeps its line up but forbids dialling it again.
  ASSERT_EQ(ras.RemoveEntry("tab\there"), 0u);
  EXPECT_EQ(ras.RemoveEntry("tab\there"), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
  EXPECT_EQ(StateOf(ras, h), RASCS_Connected);
  ASSERT_EQ(ras.RasHangUpA(h), 0u);
  EXPECT_EQ(ras.Dial("tab\there"), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
}

TEST_F(SimRasProviderTest, CorruptStateIsSkippedNotFatal) {
  WriteFile("phonebook", "Good\n\n\xFF\xFE junk\nGood\nAlso good\r\nhalf-writ");
  WriteFile("connections",
            "next\tbanana\n"
            "conn\t7\t1\t2\t3\tGood\n"
            "conn\t0\t1\t2\t3\tZero handle\n"
            "conn\t8\t1\t0.5\t3\tAuth before dial\n"
            "conn\t9\tnan\t2\t3\tNot a time\n"
            "conn\t7\t1\t2\t3\tSame handle\n"
            "conn\t4294967296\t1\t2\t3\tToo big\n"
            "conn\t10\t1\t2\n"
            "random garbage\n\0\0\0"s);
  SimRasProvider ras = Provider();
  std::vector<std::string> entries;
  ASSERT_EQ(ras.RasEnumEntriesA(entries), 0u);
  EXPECT_EQ(entries, (std::vector<std::string>{"Good", "Also good", "half-writ"}));
  std::vector<SimRasProvider::ActiveConnection> list;
  ASSERT_EQ(ras.ListConnections(list), 0u);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].handle, 7u);

  // The unreadable "next" must not lead to handing out a live handle again.
  ASSERT_EQ(ras.AddEntry("New"), 0u);
  HRASCONN h = 0;
  ASSERT_EQ(ras.Dial("New", 0, 0, &h), 0u);
  EXPECT_GT(h, 7u);

  // A state file that cannot be read at all is an error, not a crash.
  fs::remove(dir_ / "phonebook");
  fs::create_directory(dir_ / "phonebook");
  EXPECT_EQ(ras.RasEnumEntriesA(entries), ERROR_CANNOT_OPEN_PHONEBOOK);
  EXPECT_EQ(ras.AddEntry("X"), ERROR_CANNOT_OPEN_PHONEBOOK);
}

TEST_F(SimRasProviderTest, ConcurrentWritersLoseNoUpdate) {
  constexpr int kThreads = 8, kPerThread = 15;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([this, t] {
      SimRasProvider ras(dir_);  // real clock; each call locks on its own descriptor
      for (int i = 0; i < kPerThread; ++i) {
        const std::string name = "t" + std::to_string(t) + " e" + std::to_string(i);
        EXPECT_EQ(ras.AddEntry(name), 0u);
      }
    });
  }
  for (auto& t : threads) t.join();
  std::vector<std::string> entries;
  ASSERT_EQ(Provider().RasEnumEntriesA(entries), 0u);
  EXPECT_EQ(entries.size(), std::size_t{kThreads * kPerThread});
}

TEST_F(SimRasProviderTest, SetOffLineRecordsAndNeverThrows) {
  SimRasProvider ras = Provider();
  ras.SetOffLine();
  *clock_ += 5;
  ras.SetOffLine();
  std::vector<double> times;
  ASSERT_EQ(ras.OffLineTimes(times), 0u);
  EXPECT_EQ(times, (std::vector<double>{*clock_ - 5, *clock_}));

  std::ofstream(root_ / "file") << "x";
  SimRasProvider broken(root_ / "file" / "sub");
  EXPECT_NO_THROW(broken.SetOffLine());
  EXPECT_EQ(broken.Name(), "sim");
}

}  // namespace
}  // namespace chronolin
