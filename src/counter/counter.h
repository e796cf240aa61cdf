#pragma once
// The counting heart of the main window: follows the selected phonebook entry's connection once
// a tick, counts from its start event and delay, keeps the monthly total, journals every counted
// connection and starts and closes the configured applications. Plain C++: the window reaches
// it through its operations and it reaches the window only through CounterView.
#include <cstdint>
#include <map>
#include <set>
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

// A counted connection's checkpoint is written this often (seconds): a crash loses no more.
inline constexpr std::int32_t kCheckpointSeconds = 60;

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

  // The start-up of the main window: a connection left counted by a program that did not end
  // normally, the phonebook menu, the settings (with the monthly reset when a new month has
  // begun), the selected entry's values and the first paint. False when the phonebook is
  // empty: the message has been shown and the program must end. A remote-access service that
  // is not up yet is waited for: the counter shows itself inactive and every tick asks again.
  bool Start();
  // Waiting for the remote-access service at start.
  bool WaitingForRas() const { return !rasReady_; }

  // The one-second tick.
  void TimerTimer();

  bool StartEventReached(TConnexion& connexion);
  void SelectConnexion(const std::string& name);
  void LoadConnexionSettings();
  void SaveDuree(const std::string& name);
  void MonthlyReset();
  void SetOffLine();

  bool BuildConnexionMenu(std::vector<std::string> entries);
  void LoadSettings();
  // The window settings, with the checkpoint of a counted connection and whatever an earlier
  // refused write left to store. A refusal is shown once; the values stay in memory and are
  // written at a later tick, when the file takes them again.
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
  // "Annuler la déconnexion": the announced hang-up at the quota does not happen; the line
  // stays up until it ends by itself.
  void CancelHangUp();

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
  // The selected entry's monthly quota in seconds, 0 when it has none.
  std::int32_t Quota() const { return quota_; }
  bool OverQuota() const { return quota_ > 0 && displayTotal_ >= quota_; }
  bool HangUpPending() const { return hangUpPending_; }
  TAppliList& Applis() { return applis_; }
  // The entry's stored total as written in the settings file.
  std::string ReadStoredDuree(const std::string& name) const;

 private:
  void RunTick();
  bool FinishStart();
  void LoadWindowSettings();
  void SelectStoredEntry();
  void FlushPending();
  void CheckNewMonth();
  bool TryMonthlyReset();
  void RecoverCheckpoint();
  void WriteCheckpoint();
  // Builds and stores one batch: the window settings when asked, the totals not yet stored,
  // and the checkpoint written (while counting) or removed. True when the file took it.
  // A refusal is shown at once, or added to `later` for the caller to show.
  bool Store(bool windowSettings, bool keepCheckpoint, std::vector<std::string>* later = nullptr);
  TDateTime LastRunToWrite() const;
  // Whether the file can hold this entry's section; if not, says so once.
  bool Storable(const std::string& name);
  void ReportOnce(const std::string& message, std::vector<std::string>* later = nullptr);
  bool TickNotCounting();
  void TickCounting();
  void EndConnexion();
  void ApplicationsStep();
  std::uint32_t ElapsedMs() const;
  TDateTime Today() const;
  bool HasMenuItem(const std::string& caption) const;
  void ReportErrors(const std::vector<std::string>& errors);
  // The quota's warnings and hang-up, after each tick.
  void CheckQuota();
  void HangUpStep();
  void EndHangUpNotice();
  void StoreQuotaWarned(const std::string& name, int percent);
  std::string HintText() const;

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

  bool rasReady_ = true;
  bool emptyPhonebookShown_ = false;
  // A day of the month the totals belong to: behind today's month while a reset is due.
  TDateTime totalsDay_ = 0;
  // Totals the file refused, by entry, written at a later tick.
  std::map<std::string, std::int32_t> unsavedTotals_;
  bool settingsUnsaved_ = false;
  // A checkpoint left by an earlier run that could not be booked yet.
  bool recoveryPending_ = false;
  std::int32_t checkpointSeconds_ = 0;
  std::set<std::string> shownErrors_;
  std::int32_t quota_ = 0;
  std::int32_t quotaAction_ = 0;
  // The highest warning given this month, by entry: kept here too, so that a file that refuses
  // it does not bring the warning back every second.
  std::map<std::string, int> quotaWarned_;
  bool hintWithQuota_ = false;
  bool hangUpPending_ = false;
  std::uint32_t hangUpNoticeTick_ = 0;
  // The user kept the counted line past its quota.
  bool hangUpCancelled_ = false;
  // The counted line was hung up because of its quota: its journal line says so.
  bool quotaHungUp_ = false;
  HRASCONN quotaHungUpHandle_ = 0;
  std::set<std::string> unstorable_;
};

}  // namespace chronolin
