#pragma once
// Every section and key of "Chronolin.ini", with its encoding and its default, in one place.
// Each call opens the file for one operation (through ProfileFile) and releases it.
#include <filesystem>
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
}  // namespace keys

inline constexpr std::string_view kZeroDuree = "00:00:00";

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

  std::vector<std::string> Sections() const;
  void EraseSection(std::string_view section);

  // "Appli": at most kMaxApplis records, in file order, whatever the keys.
  TAppliList ReadApplis() const;
  // Erases the section (a failure to erase is ignored), then writes keys "1".."n".
  void WriteApplis(const TAppliList& applis);

 private:
  ProfileFile file_;
  const Regional& regional_;
};

}  // namespace chronolin
