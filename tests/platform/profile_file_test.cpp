#include "platform/profile_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <functional>
#include <iterator>

#include "support/files.h"
#include "support/scratch_dir.h"

namespace chronolin {
namespace {

namespace fs = std::filesystem;

// Runs `body` in a child process and returns its report ("" for success). Root ignores
// permission bits, so with `unprivileged` a root test run drops to "nobody" first.
std::string InChild(bool unprivileged, const std::function<std::string()>& body) {
  int fds[2];
  if (::pipe(fds) != 0) return "pipe";
  if (::fork() == 0) {
    const bool dropped =
        !unprivileged || ::geteuid() != 0 || (::setgid(65534) == 0 && ::setuid(65534) == 0);
    const std::string result = dropped ? body() : "cannot drop privileges";
    [[maybe_unused]] auto n = ::write(fds[1], result.data(), result.size());
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string report;
  char buffer[512];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) report.append(buffer, n);
  ::close(fds[0]);
  ::wait(nullptr);
  return report;
}

class ProfileFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = scratch_.path();
    fs::permissions(dir_, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
  }
  fs::path Ini() const { return dir_ / "Chronolin.ini"; }
  void Put(std::string_view text) const { testing::WriteFile(Ini(), std::string(text)); }
  static std::string Slurp(const fs::path& p) { return testing::ReadFile(p); }
  std::size_t FilesInDir() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
  }
  // "" when a write is refused with the expected message.
  static std::string RefusedWrite(const fs::path& path) {
    try {
      ProfileFile(path).WriteString("Paramètres", "AutoRun", "1");
      return "no error";
    } catch (const ProfileWriteError& e) {
      return e.what() == "Impossible d'écrire dans " + path.string() ? "" : e.what();
    }
  }

  testing::TempDir scratch_;
  fs::path dir_;
};

TEST_F(ProfileFileTest, ReadsNamesWithoutRegardToCaseAndValuesAfterTheFirstEquals) {
  Put("orphan=before any section\r\n"
      "[PARAMÈTRES]\r\n"
      "; Durée=commented out\r\n"
      "  autorun =  1  \r\n"
      "no equals sign here\r\n"
      "Appli=a=b,c,d\r\n"
      "[Mon FAI]\r\n"
      "DURÉE=01:02:03\r\n"
      "[paramètres]\r\n"
      "AutoRun=0\r\n"
      "Extra=second copy\r\n");
  ProfileFile f(Ini());
  EXPECT_EQ(f.ReadString("Paramètres", "AutoRun", "?"), "1");
  EXPECT_EQ(f.ReadString("paramètres", "APPLI", "?"), "a=b,c,d");
  EXPECT_EQ(f.ReadString("mon fai", "Durée", "?"), "01:02:03");
  EXPECT_EQ(f.ReadString("Paramètres", "Extra", "?"), "?");  // in the duplicate only
  EXPECT_EQ(f.ReadString("", "orphan", "?"), "?");
  EXPECT_EQ(f.ReadString("Paramètres", "no equals sign here", "?"), "?");
  EXPECT_EQ(f.ReadString("Paramètres", "; Durée", "?"), "?");
  EXPECT_FALSE(f.ValueExists("Mon FAI", "AutoRun"));
  EXPECT_EQ(f.ReadSections(), (std::vector<std::string>{"PARAMÈTRES", "Mon FAI"}));
  EXPECT_EQ(f.ReadSectionValues("paramètres"),
            (std::vector<std::string>{"autorun =  1", "Appli=a=b,c,d"}));

  ProfileFile missing(dir_ / "absent.ini");
  EXPECT_EQ(missing.ReadString("A", "B", "dflt"), "dflt");
  EXPECT_TRUE(missing.ReadSections().empty());
}

TEST_F(ProfileFileTest, IntegersAreStrictDecimal) {
  Put("[N]\nsigned=-17\nplus=+5\nblanks= 12 \nhex=0x10\ntrailing=12ab\nempty=\nsign=-\n"
      "max=2147483647\nmin=-2147483648\nover=2147483648\nunder=-2147483649\nfloat=1.5\n");
  ProfileFile f(Ini());
  const std::pair<const char*, int> cases[] = {
      {"signed", -17},          {"plus", 5},   {"blanks", 12}, {"hex", -1},
      {"trailing", -1},         {"empty", -1}, {"sign", -1},   {"max", 2147483647},
      {"min", -2147483647 - 1}, {"over", -1},  {"under", -1},  {"float", -1}};
  for (const auto& [key, expected] : cases) EXPECT_EQ(f.ReadInteger("N", key, -1), expected) << key;
  EXPECT_TRUE(f.ReadBool("N", "signed", false));
  EXPECT_TRUE(f.ReadBool("N", "float", true));
  EXPECT_FALSE(f.ReadBool("N", "float", false));
}

TEST_F(ProfileFileTest, WritesKeepEveryOtherLineAndTheFileLineEndings) {
  Put("; written by hand\r\n"
      "[Paramètres]\r\n"
      "  AUTORUN = 0\r\n"
      "weird line\r\n"
      "Cnx=Mon FAI\r\n"
      "\r\n"
      "[Mon FAI]\r\n"
      "Durée=00:10:00");  // no final line break
  ProfileFile f(Ini());
  f.WriteString("paramètres", "AutoRun", "1");
  f.WriteString("Paramètres", "Visible", "0");
  f.WriteString("Mon FAI", "StartEvent", "2");
  f.WriteString("Nouveau", "Durée", "00:00:00");
  EXPECT_EQ(Slurp(Ini()),
            "; written by hand\r\n[Paramètres]\r\nAUTORUN=1\r\nweird line\r\nCnx=Mon FAI\r\n"
            "Visible=0\r\n\r\n[Mon FAI]\r\nDurée=00:10:00\r\nStartEvent=2\r\n\r\n"
            "[Nouveau]\r\nDurée=00:00:00\r\n");

  Put("[A]\nx=1\n");
  f.WriteInteger("A", "y", -2);
  f.WriteBool("B", "z", true);
  EXPECT_EQ(Slurp(Ini()), "[A]\nx=1\ny=-2\n\n[B]\nz=1\n");
}

TEST_F(ProfileFileTest, DuplicatedSectionsAndErasing) {
  Put("[A]\r\nk=1\r\n[B]\r\nb=1\r\n[a]\r\nk=2\r\n");
  ProfileFile f(Ini());
  f.WriteString("A", "k", "3");
  EXPECT_EQ(Slurp(Ini()), "[A]\r\nk=3\r\n[B]\r\nb=1\r\n[a]\r\nk=2\r\n");
  // Every copy goes, or the duplicate would resurface as the section.
  f.EraseSection("A");
  EXPECT_EQ(Slurp(Ini()), "[B]\r\nb=1\r\n");

  const auto stamp = fs::last_write_time(Ini());
  f.EraseSection("Absent");
  EXPECT_EQ(fs::last_write_time(Ini()), stamp);
  ProfileFile(dir_ / "absent.ini").EraseSection("A");
  EXPECT_FALSE(fs::exists(dir_ / "absent.ini"));
}

TEST_F(ProfileFileTest, UnrepresentableNamesAndValuesAreRejectedAndTheFileKept) {
  Put("[A]\r\nk=1\r\n");
  ProfileFile f(Ini());
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"A", "k", "two\r\nlines"}, {"A", "k", "x\ny"}, {"A\r", "k", "v"},  {"A\n", "k", "v"},
      {"A", "k=v", "v"},          {"A", "  ", "v"},   {"A", "[k]", "v"}, {"A", ";k", "v"}};
  for (const auto& [section, key, value] : cases) {
    EXPECT_THROW(f.WriteString(section, key, value), std::invalid_argument) << section << key;
  }
  EXPECT_THROW(f.ReplaceSection("A", {{"1", "ok"}, {"2", "bad\n"}}), std::invalid_argument);
  EXPECT_EQ(Slurp(Ini()), "[A]\r\nk=1\r\n");
}

TEST_F(ProfileFileTest, RefusedWritesReportThePathAndLeaveTheOldFileWhole) {
  const std::string original = "[Paramètres]\r\nAutoRun=0\r\n";
  Put(original);
  fs::permissions(dir_, fs::perms::owner_write, fs::perm_options::remove);
  const auto readOnlyDir = InChild(true, [&] { return RefusedWrite(Ini()); });
  if (readOnlyDir == "cannot drop privileges") GTEST_SKIP() << readOnlyDir;
  EXPECT_EQ(readOnlyDir, "");

  // A read-only file in a directory open to all: rename() alone would replace it.
  fs::permissions(dir_, fs::perms::all);
  fs::permissions(Ini(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_EQ(InChild(true, [&] { return RefusedWrite(Ini()); }), "");

  EXPECT_EQ(RefusedWrite(dir_ / "missing" / "Chronolin.ini"), "");
  EXPECT_EQ(Slurp(Ini()), original);
  EXPECT_EQ(FilesInDir(), 1u);
}

TEST_F(ProfileFileTest, AWriteFailingHalfwayLeavesNoTemporaryAndTheOldFileWhole) {
  const std::string original = "[Paramètres]\r\nAutoRun=0\r\n";
  Put(original);
  // The file size limit fails the temporary's write after mkstemp has created it.
  EXPECT_EQ(InChild(false,
                    [&] {
                      std::signal(SIGXFSZ, SIG_IGN);
                      const rlimit limit{8, 8};
                      ::setrlimit(RLIMIT_FSIZE, &limit);
                      return RefusedWrite(Ini());
                    }),
            "");
  EXPECT_EQ(Slurp(Ini()), original);
  EXPECT_EQ(FilesInDir(), 1u);
}

TEST_F(ProfileFileTest, RewritesKeepPermissionsAndSymbolicLinks) {
  const auto real = dir_ / "real.ini";
  std::ofstream(real) << "[A]\r\nk=1\r\n";
  const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(real, mode);
  fs::create_symlink(real, Ini());
  ProfileFile(Ini()).WriteString("A", "k", "2");
  EXPECT_TRUE(fs::is_symlink(Ini()));
  EXPECT_EQ(Slurp(real), "[A]\r\nk=2\r\n");
  EXPECT_EQ(fs::status(real).permissions(), mode);
}

}  // namespace
}  // namespace chronolin

namespace chronolin {
namespace {

TEST_F(ProfileFileTest, SectionNamesHoldingBracketsAndLeftoversWithoutAName) {
  Put("[Appli]\r\n1=/bin/a\r\n=orphan\r\n[Cassé\r\n2=/bin/b\r\n");
  ProfileFile f(Ini());
  // Lines under a header that never closes belong to no section; "=x" names no key.
  EXPECT_EQ(f.ReadSectionValues("Appli"), (std::vector<std::string>{"1=/bin/a"}));
  EXPECT_EQ(f.ReadSections(), (std::vector<std::string>{"Appli"}));

  f.WriteString("Orange [3G]", "Durée", "00:01:00");
  f.WriteString("Orange [3G]", "Durée", "00:02:00");
  EXPECT_EQ(f.ReadString("orange [3g]", "Durée", "?"), "00:02:00");
  EXPECT_EQ(f.ReadSections(), (std::vector<std::string>{"Appli", "Orange [3G]"}));

  // A batch is all or nothing, checked before the file is touched.
  const std::string before = Slurp(Ini());
  EXPECT_THROW(f.Apply({{"B", "k", "1"}, {"Bad\nname", "k", "1"}}), std::invalid_argument);
  EXPECT_EQ(Slurp(Ini()), before);
  f.Apply({{"B", "k", "1"}, {"Orange [3G]", "", "", true}});
  EXPECT_EQ(f.ReadSections(), (std::vector<std::string>{"Appli", "B"}));
  EXPECT_TRUE(SameProfileName(" FOURNISSEUR ", "Fournisseur"));
}

}  // namespace
}  // namespace chronolin
