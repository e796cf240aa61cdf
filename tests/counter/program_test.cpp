// The program without its window (--console), on the simulated line driven by chronolin-ras.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <chrono>
#include <functional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "counter/duree.h"
#include "fakes.h"
#include "platform/profile_file.h"

extern char** environ;

namespace chronolin::testing {
namespace {

using namespace std::chrono_literals;

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(Home());
    std::filesystem::create_directories(Runtime());
    env_ = {"CHRONOLIN_HOME=" + Home().string(),
            "CHRONOLIN_RAS_DIR=" + (dir.path() / "ras").string(),
            "XDG_RUNTIME_DIR=" + Runtime().string(),
            "CHRONOLIN_RAS=sim",
            "LC_ALL=C",
            "PATH=/usr/bin:/bin"};
  }
  void TearDown() override {
    for (pid_t pid : programs_) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
  }

  std::filesystem::path Home() const { return dir.path() / "home"; }
  std::filesystem::path Runtime() const { return dir.path() / "run"; }
  std::filesystem::path Out() const { return dir.path() / "out.txt"; }

  pid_t Spawn(const std::vector<std::string>& args, const std::filesystem::path& output) {
    std::vector<char*> argv, envp;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const auto& e : env_) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(rc, 0) << args[0];
    return pid;
  }

  int Run(const std::vector<std::string>& args, const std::filesystem::path& output) {
    const pid_t pid = Spawn(args, output);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  void Ras(std::vector<std::string> args) {
    args.insert(args.begin(), CHRONOLIN_RAS_TOOL);
    ASSERT_EQ(Run(args, dir.path() / "ras.txt"), 0) << ReadFile(dir.path() / "ras.txt");
  }

  pid_t StartProgram() {
    const pid_t pid = Spawn({CHRONOLIN_PROGRAM, "--console"}, Out());
    programs_.push_back(pid);
    return pid;
  }

  int Stop(pid_t pid, int signo) {
    ::kill(pid, signo);
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::erase(programs_, pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  static bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      if (condition()) return true;
      std::this_thread::sleep_for(50ms);
    }
    return condition();
  }

  std::string JournalText() const { return ReadFile(Home() / "Connexions.txt"); }
  std::int32_t StoredSeconds() const {
    return DureeToSeconds(
        ProfileFile(Home() / "Chronolin.ini").ReadString("Fournisseur", "Durée", ""));
  }

  TempDir dir;
  std::vector<std::string> env_;
  std::vector<pid_t> programs_;
};

TEST_F(ProgramTest, DroppedLineIsStoredAndJournalled) {
  Ras({"add", "Fournisseur"});
  const pid_t program = StartProgram();
  ASSERT_TRUE(WaitFor([&] { return ReadFile(Out()).find("inactif") != std::string::npos; }, 10s))
      << ReadFile(Out());
  Ras({"dial", "Fournisseur", "--auth-after", "0.2", "--connect-after", "0.4"});
  ASSERT_TRUE(WaitFor([&] { return ReadFile(Out()).find("comptage") != std::string::npos; }, 10s))
      << ReadFile(Out());
  std::this_thread::sleep_for(3s);
  Ras({"drop", "Fournisseur"});

  const std::regex line(
      R"(^\d\d/\d\d/\d{4} - \d\d:\d\d:\d\d - Fournisseur - \d\d:\d\d:\d\d \(Conn\.\)\r\n$)");
  ASSERT_TRUE(WaitFor([&] { return std::regex_match(JournalText(), line); }, 2s))
      << JournalText() << "\n"
      << ReadFile(Out());
  EXPECT_GE(StoredSeconds(), 3);
  EXPECT_EQ(Stop(program, SIGTERM), 0);
}

TEST_F(ProgramTest, SecondInstanceIsRefused) {
  Ras({"add", "Fournisseur"});
  const pid_t program = StartProgram();
  ASSERT_TRUE(WaitFor([&] { return ReadFile(Out()).find("inactif") != std::string::npos; }, 10s));
  const auto second = dir.path() / "second.txt";
  EXPECT_EQ(Run({CHRONOLIN_PROGRAM, "--console"}, second), 1);
  EXPECT_NE(ReadFile(second).find("Chrono-lin déjà actif !"), std::string::npos);
  Stop(program, SIGTERM);
}

TEST_F(ProgramTest, SessionEndHangsUpTheCountedConnection) {
  Ras({"add", "Fournisseur"});
  const pid_t program = StartProgram();
  Ras({"dial", "Fournisseur", "--auth-after", "0", "--connect-after", "0"});
  ASSERT_TRUE(WaitFor([&] { return ReadFile(Out()).find("comptage") != std::string::npos; }, 10s))
      << ReadFile(Out());
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(Stop(program, SIGTERM), 0);
  EXPECT_NE(JournalText().find(" - Fournisseur - 00:00:0"), std::string::npos) << JournalText();
  EXPECT_EQ(JournalText().find("arrêté"), std::string::npos);
  const auto status = dir.path() / "status.txt";
  Run({CHRONOLIN_RAS_TOOL, "status"}, status);
  EXPECT_EQ(ReadFile(status), "");
}

TEST_F(ProgramTest, EmptyPhonebookEndsTheProgram) {
  const auto out = dir.path() / "empty.txt";
  EXPECT_EQ(Run({CHRONOLIN_PROGRAM, "--console"}, out), 1);
  EXPECT_NE(ReadFile(out).find("Aucune connexion installée !"), std::string::npos);
}

}  // namespace
}  // namespace chronolin::testing
