// Chronolin: the counter window, its tray icon and popup menu, one instance per user.
// `chronolin --console` runs the same counter without a window, printing once a second what
// the window would show (for machines without a display). `chronolin --export YYYY-MM FILE`
// writes a month of the journal to a workbook and ends.
#include <sys/socket.h>
#include <unistd.h>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>

#include "components/default_colormap.h"
#include "components/french_texts.h"
#include "components/tick_timer.h"
#include "counter/console_view.h"
#include "counter/counter.h"
#include "counter/journal.h"
#include "counter/launcher.h"
#include "counter/main_form.h"
#include "export/data_mod.h"
#include "export/export_command.h"
#include "platform/app_paths.h"
#include "platform/clock.h"
#include "platform/dbus_notifier.h"
#include "platform/instance_lock.h"
#include "platform/ras_provider.h"
#include "platform/regional.h"
#include "settings/settings_file.h"

namespace {

using namespace chronolin;

constexpr const char* kUsage =
    "Usage : chronolin [--console]\n"
    "        chronolin --export AAAA-MM FICHIER\n"
    "        chronolin --help | --version\n"
    "\n"
    "Compte le temps de connexion de l'entrée choisie de l'annuaire d'accès distant.\n"
    "Sans option, la fenêtre du compteur et son icône de notification.\n"
    "  --console   le même compteur sans fenêtre, affiché une fois par seconde\n"
    "  --export    exporte le journal du mois AAAA-MM vers le classeur FICHIER\n"
    "  --help      affiche cette aide\n"
    "  --version   affiche la version\n"
    "\n"
    "Environnement : CHRONOLIN_HOME (dossier de Chronolin.ini et Connexions.txt),\n"
    "CHRONOLIN_RAS (sim, nm ou pppd), CHRONOLIN_RAS_DIR (état de la ligne simulée).\n"
    "Voir aussi : man chronolin\n";

int signalPipe[2] = {-1, -1};

void OnSignal(int signo) {
  const char byte = static_cast<char>(signo);
  [[maybe_unused]] const auto n = ::write(signalPipe[1], &byte, 1);
}

// SIGINT, SIGTERM and SIGHUP reach `handler` through the event loop, where it is safe to act.
std::unique_ptr<QSocketNotifier> InstallSignals(std::function<void(int)> handler) {
  ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe);
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signo : {SIGINT, SIGTERM, SIGHUP}) sigaction(signo, &action, nullptr);
  auto notifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
  QObject::connect(notifier.get(), &QSocketNotifier::activated, [handler = std::move(handler)] {
    char signo = 0;
    if (::read(signalPipe[0], &signo, 1) == 1) handler(signo);
  });
  return notifier;
}

// The session manager's end of session arrives as a request to quit the application.
class SessionEndFilter : public QObject {
 public:
  explicit SessionEndFilter(TMainForm& form) : form_(form) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit) {
      form_.SessionEndHook();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  TMainForm& form_;
};

// What both ways of running share. The launcher is made before the counter so that it outlives
// it; it is bound to the counter's list once that exists. The provider is the one the settings
// remember, once there is one.
struct ProgramServices {
  Regional regional = Regional::FromEnvironment();
  SettingsFile settings{SettingsPath(), regional};
  RasSelection selection = SelectRasProvider(settings.ReadProvider());
  std::unique_ptr<RasProvider>& ras = selection.provider;
  std::unique_ptr<Clock> clock = MakeSystemClock();
  Journal journal{JournalPath(), regional};
  std::unique_ptr<Launcher> launcher = MakeAppLauncher();

  // The provider found by looking around is kept for later starts, once the counter runs on
  // it. A file that refuses it only means the choice is made again next time.
  void RememberProvider() {
    if (!selection.remember) return;
    try {
      settings.WriteProvider(ras->Name());
    } catch (const std::exception&) {
    }
  }
};

int RunConsole(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(kApplicationTitle);

  InstanceLock lock;
  if (!lock.Acquired()) {
    std::fprintf(stderr, "[%s] %s\n", kErrorTitle, kAlreadyRunningText);
    return 1;
  }

  try {
    ProgramServices services;
    auto& [regional, settings, selection, ras, clock, journal, launcher] = services;
    ConsoleView view;
    TCounter counter({*ras, *clock, settings, journal, view, launcher.get()});
    launcher->Bind(counter.Applis());
    view.Attach(&counter);

    std::fprintf(stdout, "Chronolin : fichiers dans %s, accès distant « %s »\n",
                 ProgramDirectory().c_str(), ras->Name().c_str());
    if (!counter.Start()) return 1;
    services.RememberProvider();

    TTickTimer timer(1000, [&](TTickTimer&) {
      try {
        counter.TimerTimer();
      } catch (const std::exception& e) {
        view.ShowError(e.what());
      }
      view.PrintStatus();
    });
    timer.SetEnabled(true);

    const auto notifier = InstallSignals([&](int signo) {
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
    std::fprintf(stderr, "[%s] %s\n", kApplicationTitle, e.what());
    return 1;
  }
}

int RunWindow(int argc, char** argv) {
  QApplication app(argc, argv);
  QCoreApplication::setApplicationName(kApplicationTitle);
  InstallFrenchTexts(app);
  UseDefaultColormaps(app);
  // The window may be hidden, and closing the journal viewer must not end the program: it ends
  // when the counter window's close is confirmed or the session ends.
  QApplication::setQuitOnLastWindowClosed(false);

  InstanceLock lock;
  if (!lock.Acquired()) {
    std::fprintf(stderr, "[%s] %s\n", kErrorTitle, kAlreadyRunningText);
    ShowMessageBox(kAlreadyRunningText, kErrorTitle, MsgIcon::Error, MsgButtons::Ok);
    return 1;
  }

  try {
    ProgramServices services;
    auto& [regional, settings, selection, ras, clock, journal, launcher] = services;
    DbusNotifier desktop;
    TMainForm form({*ras, *clock, settings, journal, launcher.get(), &desktop});
    launcher->Bind(form.Counter().Applis());

    // Without a phonebook nothing runs and nothing is saved; an end of session during that
    // start-up needs no more than the default end.
    if (!form.FormCreate()) return 1;
    services.RememberProvider();

    SessionEndFilter sessionEnd(form);
    app.installEventFilter(&sessionEnd);
    const auto notifier = InstallSignals([&](int signo) {
      if (signo == SIGINT)
        form.close();  // the user's quit, confirmed like the menu's
      else
        form.SessionEndHook();
    });
    return app.exec();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "[%s] %s\n", kApplicationTitle, e.what());
    ShowMessageBox(e.what(), kApplicationTitle, MsgIcon::Error, MsgButtons::Ok);
    return 1;
  }
}

// Silent on success; one French line on standard error and status 1 when nothing was written.
int RunExport(int argc, char** argv) {
  const auto request =
      argc == 4 ? ParseExportArguments(argv[2], argv[3]) : std::optional<ExportRequest>();
  if (!request) {
    std::fprintf(stderr, "%s\n", kExportUsage);
    return 2;
  }
  const Regional regional = Regional::FromEnvironment();
  const std::string error =
      ExportMonth(JournalPath(), *request, regional,
                  [&](const MonthData& data, const std::filesystem::path& target) {
                    WriteMonthWorkbook(data, regional, target);
                  });
  if (error.empty()) return 0;
  std::fprintf(stderr, "[%s] %s\n", kApplicationTitle, error.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  // Answered before any Qt application exists, so they work without a display.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::puts("chronolin " CHRONOLIN_VERSION);
      return 0;
    }
  }
  if (argc >= 2 && std::strcmp(argv[1], "--export") == 0) return RunExport(argc, argv);
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--console") == 0) return RunConsole(argc, argv);
  return RunWindow(argc, argv);
}
