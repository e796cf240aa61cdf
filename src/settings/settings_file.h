#pragma once
// Every section and key of "Chronolin.ini", with its encoding and its default, in one place.
// Each call opens the file for one operation (through ProfileFile) and releases it.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/date_time.h"
#include "platform/profile_file.h"
#include "platform/regional.h"
#include "settings/appli.h"

namespace chronolin {

namespace keys {
inline constexpr std::string_view kParametres = "Paramètres";
inline constexpr std::string_view kAutoRun = "AutoRun";
inline constexpr std::string_view kVisible = "Visible";
inline constexpr std::string_view kSetOffLineState = "SetOffLineState";
inline constexpr std::string_view kLastRun = "LastRun";
inline constexpr std::string_view kCnx = "Cnx";
inline constexpr std::string_view kWindowPos = "WindowPos";
inline constexpr std::string_view kX = "X";
inline constexpr std::string_view kY = "Y";
inline constexpr std::string_view kRazAuto = "RàZAuto";
inline constexpr std::string_view kStartDelay = "StartDelay";
inline constexpr std::string_view kStartEvent = "StartEvent";
inline constexpr std::string_view kDuree = "Durée";
inline constexpr std::string_view kAppli = "Appli";
inline constexpr std::string_view kProvider = "Provider";
// The entry's monthly allowance ("Durée" format; none when missing or zero), what to do when it
// is used up (0 warn, 1 warn then hang up), and the highest warning given this month (80, 100).
inline constexpr std::string_view kQuota = "Quota";
inline constexpr std::string_view kQuotaAction = "QuotaAction";
inline constexpr std::string_view kQuotaAvis = "QuotaAvis";
// The connection being counted, kept while it lasts so that a crash loses at most a minute.
// No "Durée" key: the monthly reset never takes it for an entry.
inline constexpr std::string_view kComptage = "Comptage";
inline constexpr std::string_view kDate = "Date";
inline constexpr std::string_view kHeure = "Heure";
inline constexpr std::string_view kMarqueur = "Marqueur";
inline constexpr std::string_view kSecondes = "Secondes";
}  // namespace keys

inline constexpr std::string_view kZeroDuree = "00:00:00";

// The counted connection as the journal would write it, and the seconds counted so far.
struct CountCheckpoint {
  std::string Name;
  std::string Date;    // regional short date, as journalled
  std::string Time;    // regional long time, as journalled
  std::string Marker;  // "(Conn.)", "(Num. + 15 s)"...
  std::int32_t Seconds = 0;
};

// Several writes made as one: the file takes all of them or none.
class SettingsBatch {
 public:
  explicit SettingsBatch(const Regional& regional) : regional_(regional) {}

  void WriteDuree(std::string_view entry, std::string_view duree);
  void EraseSection(std::string_view section);
  void WriteLastRun(TDateTime day);
  void WriteCnx(std::string_view name);
  void WriteWindowPos(int x, int y);
  void WriteCheckpoint(const CountCheckpoint& checkpoint);
  void RemoveCheckpoint();
  void WriteQuotaWarned(std::string_view entry, int percent);

  bool Empty() const { return changes_.empty(); }
  const std::vector<ProfileChange>& Changes() const { return changes_; }

 private:
  void Write(std::string_view section, std::string_view key, std::string value);

  const Regional& regional_;
  std::vector<ProfileChange> changes_;
};

class SettingsFile {
 public:
  SettingsFile(std::filesystem::path path, const Regional& regional);

  const std::filesystem::path& Path() const { return file_.Path(); }
  ProfileFile& Profile() { return file_; }

  // "Paramètres"
  bool ReadAutoRun() const;  // default false
  void WriteAutoRun(bool value);
  int ReadVisible() const;  // default 0
  void WriteVisible(int value);
  bool ReadSetOffLineState() const;  // default true
  void WriteSetOffLineState(bool value);
  // Default `today` when missing or written in a format that no longer parses.
  TDateTime ReadLastRun(TDateTime today) const;
  void WriteLastRun(TDateTime day);
  std::string ReadCnx() const;  // default ""
  void WriteCnx(std::string_view name);
  // The remote-access provider once chosen ("sim", "nm", "pppd"); default "".
  std::string ReadProvider() const;
  void WriteProvider(std::string_view name);

  // The counted connection left by a program that did not end normally; nullopt when none.
  std::optional<CountCheckpoint> ReadCheckpoint() const;

  SettingsBatch Batch() const { return SettingsBatch(regional_); }
  // All of the batch or nothing. Throws as the single writes do.
  void Commit(const SettingsBatch& batch);
  // Whether the file would take a write now.
  bool Writable() const { return file_.Writable(); }

  // "WindowPos"; the defaults depend on the screen and are the caller's.
  int ReadWindowX(int defaultValue) const;
  int ReadWindowY(int defaultValue) const;
  void WriteWindowPos(int x, int y);  // "X" then "Y"

  // Per-entry sections.
  std::string ReadDuree(std::string_view entry, std::string_view defaultValue = kZeroDuree) const;
  void WriteDuree(std::string_view entry, std::string_view duree);
  bool HasDuree(std::string_view entry) const;
  int ReadStartEvent(std::string_view entry) const;  // default 2
  void WriteStartEvent(std::string_view entry, int value);
  int ReadStartDelay(std::string_view entry) const;  // default 0
  void WriteStartDelay(std::string_view entry, int value);
  // The dialog shows a missing key as checked; the monthly reset leaves such an entry alone.
  bool ReadRazAutoForDialog(std::string_view entry) const;  // default true
  bool ReadRazAutoForReset(std::string_view entry) const;   // default false
  void WriteRazAuto(std::string_view entry, bool value);
  // The quota as written ("" when none), its action (default 0) and the warnings given.
  std::string ReadQuota(std::string_view entry) const;
  void WriteQuota(std::string_view entry, std::string_view quota);
  bool HasQuota(std::string_view entry) const;
  int ReadQuotaAction(std::string_view entry) const;
  void WriteQuotaAction(std::string_view entry, int value);
  bool HasQuotaAction(std::string_view entry) const;
  int ReadQuotaWarned(std::string_view entry) const;  // default 0

  std::vector<std::string> Sections() const;
  void EraseSection(std::string_view section);

  // "Appli": at most kMaxApplis records, in file order, whatever the keys; a line without a
  // command line is no application.
  TAppliList ReadApplis() const;
  // Erases the section (a failure to erase is ignored), then writes keys "1".."n".
  void WriteApplis(const TAppliList& applis);

 private:
  ProfileFile file_;
  const Regional& regional_;
};

}  // namespace chronolin
