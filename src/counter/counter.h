#pragma once
// The counting heart of the main window: follows the selected phonebook entry's connection once
// a tick, counts from its start event and delay, keeps the monthly total, journals every counted
// connection and starts and closes the configured applications. Plain C++: the window reaches
// it through its operations and it reaches the window only through CounterView.
#include <cstdint>
#include <string>
#include <vector>

#include "counter/app_launcher.h"
#include "counter/connexion.h"
#include "counter/counter_view.h"
#include "counter/journal.h"
#include "platform/clock.h"
#include "platform/internet_state.h"
#include "platform/ras_provider.h"
#include "settings/appli.h"
#include "settings/settings_file.h"

namespace chronolin {

inline constexpr char kUnlistedConnexionText[] =
    "La connexion détectée n'est pas recensée !\rQuittez puis relancez Chronolin.";
inline constexpr char kNoConnexionText[] = "Aucune connexion installée !";
inline constexpr char kErrorTitle[] = "Erreur !";
inline constexpr char kConfirmationTitle[] = "Confirmation";
inline constexpr char kQuitDuringConnexionText[] = "Connexion en cours !\rQuitter ?";
inline constexpr char kResetCurrentText[] = "Mettre à zéro la durée courante ?";
inline constexpr char kDialErrorTitle[] = "Erreur";

// The message of a dial the provider refused: the entry, the provider's reason, the code.
std::string DialErrorText(const std::string& entry, const std::string& reason,
                          std::uint32_t code);

// Visibility of the counter window.
inline constexpr std::uint8_t kVisibleAlways = 0;
inline constexpr std::uint8_t kVisibleWhileCounting = 1;
inline constexpr std::uint8_t kVisibleNever = 2;

struct CounterServices {
  RasProvider& ras;
  Clock& clock;
  SettingsFile& settings;
  Journal& journal;
  CounterView& view;
  AppLauncher* launcher = nullptr;  // none: no applications are started or closed
};

class TCounter {
 public:
  explicit TCounter(const CounterServices& services);

  // The start-up of the main window: the phonebook menu, the settings (with the monthly reset
  // when a new month has begun), the selected entry's values and the first paint. False when
  // the phonebook is empty: the message has been shown and the program must end.
  bool Start();

  // The one-second tick.
  void TimerTimer();

  bool StartEventReached(TConnexion& connexion);
  void SelectConnexion(const std::string& name);
  void LoadConnexionSettings();
  void SaveDuree(const std::string& name);
  void MonthlyReset();
  void SetOffLine();

  bool BuildConnexionMenu();
  void LoadSettings();
  void SaveSettings();

  // Menu commands.
  void SelectedCnxClick();                    // hang up while counting, else dial
  void CnxClick(const std::string& caption);  // another entry: select, dial or hang up, save
  void RaZDCClick();                          // reset the current duration, after confirmation
  // The close request: true when the program may end (confirmed, or nothing counted).
  bool FormClose();
  // The session is ending: hang up, one tick to close the connection, save.
  void SessionEnd();
  // The settings dialog was confirmed with this visibility rule.
  void ApplyVisibleMode(std::uint8_t mode);

  // State read by the window.
  const TConnexion& Connexion() const { return connexion_; }
  bool Counting() const { return counting_; }
  std::int32_t MonthTotal() const { return monthTotal_; }
  std::int32_t DisplayTotal() const { return displayTotal_; }
  std::int32_t Current() const { return current_; }
  std::uint8_t VisibleMode() const { return visibleMode_; }
  bool SetOffLineState() const { return setOffLineState_; }
  void SetSetOffLineState(bool value) { setOffLineState_ = value; }
  const ConnexionMenu& Menu() const { return menu_; }
  TAppliList& Applis() { return applis_; }
  // The entry's stored total as written in the settings file.
  std::string ReadStoredDuree(const std::string& name) const;

 private:
  void RunTick();
  bool TickNotCounting();
  void TickCounting();
  void EndConnexion();
  void ApplicationsStep();
  std::uint32_t ElapsedMs() const;
  TDateTime Today() const;
  bool HasMenuItem(const std::string& caption) const;
  void ReportErrors(const std::vector<std::string>& errors);

  RasProvider& ras_;
  Clock& clock_;
  SettingsFile& settings_;
  Journal& journal_;
  CounterView& view_;
  AppLauncher* launcher_;
  InternetState internet_;

  TConnexion connexion_;
  bool counting_ = false;
  std::int32_t monthTotal_ = 0;
  std::int32_t displayTotal_ = 0;
  std::int32_t current_ = 0;
  std::uint8_t visibleMode_ = kVisibleAlways;
  bool setOffLineState_ = true;
  ConnexionMenu menu_;
  TAppliList applis_;
  bool inTick_ = false;
};

}  // namespace chronolin
