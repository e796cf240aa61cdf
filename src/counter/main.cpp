// Chronolin without its window: the counter of the main window, ticking once a second and
// printing what the window shows. The window replaces the console view; the rest stays.
#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <exception>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

#include "components/tick_timer.h"
#include "counter/console_view.h"
#include "counter/counter.h"
#include "counter/journal.h"
#include "platform/app_paths.h"
#include "platform/clock.h"
#include "platform/instance_lock.h"
#include "platform/ras_provider.h"
#include "platform/regional.h"
#include "settings/settings_file.h"

namespace {

int signalPipe[2] = {-1, -1};

void OnSignal(int signo) {
  const char byte = static_cast<char>(signo);
  [[maybe_unused]] const auto n = ::write(signalPipe[1], &byte, 1);
}

void InstallSignals() {
  ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe);
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signo : {SIGINT, SIGTERM, SIGHUP}) sigaction(signo, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace chronolin;
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("Chrono-lin");

  InstanceLock lock;
  if (!lock.Acquired()) {
    std::fprintf(stderr, "[Erreur !] Chrono-lin déjà actif !\n");
    return 1;
  }

  try {
    std::unique_ptr<RasProvider> ras = MakeRasProvider();
    std::unique_ptr<Clock> clock = MakeSystemClock();
    const Regional regional = Regional::FromEnvironment();
    SettingsFile settings(SettingsPath(), regional);
    Journal journal(JournalPath(), regional);
    ConsoleView view;
    TCounter counter({*ras, *clock, settings, journal, view, nullptr});
    view.Attach(&counter);

    std::fprintf(stdout, "Chronolin : fichiers dans %s, accès distant « %s »\n",
                 ProgramDirectory().c_str(), ras->Name().c_str());
    if (!counter.Start()) return 1;

    TTickTimer timer(1000, [&](TTickTimer&) {
      try {
        counter.TimerTimer();
      } catch (const std::exception& e) {
        view.ShowError(e.what());
      }
      view.PrintStatus();
    });
    timer.SetEnabled(true);

    InstallSignals();
    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
      char signo = 0;
      if (::read(signalPipe[0], &signo, 1) != 1) return;
      try {
        if (signo == SIGINT) {
          // Ctrl+C is the user's quit: the close request, confirmed.
          if (counter.FormClose()) app.quit();
        } else {
          // The session is ending: hang up and close the connection, save, end.
          counter.SessionEnd();
          app.quit();
        }
      } catch (const std::exception& e) {
        view.ShowError(e.what());
        app.quit();
      }
    });
    view.PrintStatus();
    return app.exec();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "[Chrono-lin] %s\n", e.what());
    return 1;
  }
}
