// The desktop notifications against a stand-in notification service (python3-dbusmock's
// notification daemon template) on a private bus.
#include "platform/dbus_notifier.h"

#include <signal.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/files.h"

namespace chronolin {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

std::string FirstLine(FILE* out) {
  char buffer[512];
  if (!out || !std::fgets(buffer, sizeof buffer, out)) return {};
  std::string line = buffer;
  if (!line.empty() && line.back() == '\n') line.pop_back();
  return line;
}

template <typename F>
bool WaitFor(F&& condition) {
  for (int i = 0; i < 100; ++i) {
    QCoreApplication::processEvents();
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return condition();
}

class DbusNotifierTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (std::system("test -x /usr/bin/dbus-daemon && "
                    "/usr/bin/python3 -c 'import dbusmock' 2>/dev/null") != 0) {
      skipReason_ = "needs dbus-daemon and python3-dbusmock";
      return;
    }
    // Signals reach their slots through an event loop.
    if (!QCoreApplication::instance()) {
      static int argc = 1;
      static char name[] = "platform_tests";
      static char* argv[] = {name, nullptr};
      app_ = new QCoreApplication(argc, argv);
    }
    bus_ = popen("exec /usr/bin/dbus-daemon --config-file=" CHRONOLIN_TEST_DATA
                 "/nm/bus.conf --nofork --print-address=1 --print-pid=1 2>/dev/null",
                 "re");
    address_ = FirstLine(bus_);
    busPid_ = std::atoi(FirstLine(bus_).c_str());
    if (address_.empty() || busPid_ <= 0) skipReason_ = "dbus-daemon did not start";
  }
  static void TearDownTestSuite() {
    if (busPid_ > 0) kill(busPid_, SIGTERM);
    if (bus_) pclose(bus_);
    bus_ = nullptr;
    busPid_ = 0;
  }

  void SetUp() override {
    if (!skipReason_.empty()) GTEST_SKIP() << skipReason_;
    char pattern[] = "/tmp/chronolin-notify-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    StopService();
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  std::string Session() const { return "DBUS_SESSION_BUS_ADDRESS='" + address_ + "' "; }

  void StartService() {
    service_ = popen((Session() +
                      "exec /usr/bin/python3 -m dbusmock --template "
                      "notification_daemon -l " +
                      (dir_ / "calls.log").string() + " >/dev/null 2>&1 & echo $!")
                         .c_str(),
                     "re");
    servicePid_ = std::atoi(FirstLine(service_).c_str());
    const std::string owned =
        Session() +
        "/usr/bin/dbus-send --session --print-reply --dest=org.freedesktop.DBus "
        "/org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner "
        "string:org.freedesktop.Notifications 2>/dev/null | grep -q true";
    ASSERT_TRUE(WaitFor([&] { return std::system(owned.c_str()) == 0; }));
  }
  void StopService() {
    if (servicePid_ > 0) kill(servicePid_, SIGTERM);
    if (service_) pclose(service_);
    service_ = nullptr;
    servicePid_ = 0;
  }
  // The service says the user pressed the action `key` of notification `id`.
  void Press(std::uint32_t id, const std::string& key) {
    const std::string command =
        "/usr/bin/python3 -c \"import dbus; b = dbus.bus.BusConnection('" + address_ +
        "'); o = b.get_object('org.freedesktop.Notifications', "
        "'/org/freedesktop/Notifications'); o.EmitSignal('org.freedesktop.Notifications', "
        "'ActionInvoked', 'us', [dbus.UInt32(" +
        std::to_string(id) + "), '" + key + "'], dbus_interface='org.freedesktop.DBus.Mock')\"";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
  std::string Calls() const { return testing::ReadFile(dir_ / "calls.log"); }

  static inline std::string skipReason_;
  static inline std::string address_;
  static inline FILE* bus_ = nullptr;
  static inline pid_t busPid_ = 0;
  static inline QCoreApplication* app_ = nullptr;
  fs::path dir_;
  FILE* service_ = nullptr;
  pid_t servicePid_ = 0;
};

TEST_F(DbusNotifierTest, ShowsTheNoticeWithItsActionAndReportsThePress) {
  ASSERT_NO_FATAL_FAILURE(StartService());
  DbusNotifier notifier(address_);
  std::vector<std::pair<std::uint32_t, std::string>> pressed;
  notifier.SetOnAction(
      [&](std::uint32_t id, const std::string& key) { pressed.emplace_back(id, key); });
  const std::uint32_t first = notifier.Notify({"Quota de Fournisseur : 80 % atteint", "", {}});
  const std::uint32_t notice = notifier.Notify(
      {"Déconnexion dans 30 s", "Quota atteint", {{"cancel", "Annuler la déconnexion"}}, 0});
  EXPECT_GT(first, 0u);
  EXPECT_GT(notice, first);
  const std::string calls = Calls();
  EXPECT_THAT(calls, HasSubstr("Notify \"Chronolin\" 0 \"chronolin\" \"Quota de Fournisseur"));
  EXPECT_THAT(calls, HasSubstr("[\"cancel\", \"Annuler la déconnexion\"]"));

  ASSERT_NO_FATAL_FAILURE(Press(notice, "cancel"));
  ASSERT_TRUE(WaitFor([&] { return !pressed.empty(); }));
  EXPECT_EQ(pressed.front(), std::make_pair(notice, std::string("cancel")));

  notifier.Close(notice);
  EXPECT_THAT(Calls(), HasSubstr("CloseNotification " + std::to_string(notice)));
}

TEST_F(DbusNotifierTest, WithoutTheServiceNothingIsShown) {
  DbusNotifier notifier(address_);
  EXPECT_EQ(notifier.Notify({"Quota de Fournisseur : 80 % atteint", "", {}}), 0u);
  notifier.Close(0);
  DbusNotifier nowhere("unix:path=/nonexistent/bus");
  EXPECT_EQ(nowhere.Notify({"Quota", "", {}}), 0u);
  // No session bus anywhere: none is started for the occasion.
  const auto env = [](const char* name) {
    const char* value = std::getenv(name);
    return std::string(value ? value : "");
  };
  const std::string address = env("DBUS_SESSION_BUS_ADDRESS");
  const std::string runtime = env("XDG_RUNTIME_DIR");
  ::setenv("DBUS_SESSION_BUS_ADDRESS", "", 1);
  ::setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
  EXPECT_EQ(DbusNotifier().Notify({"Quota", "", {}}), 0u);
  ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
  ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
}

}  // namespace
}  // namespace chronolin
