#include "settings/settings_file.h"

#include <utility>

namespace chronolin {

SettingsFile::SettingsFile(std::filesystem::path path, const Regional& regional)
    : file_(std::move(path)), regional_(regional) {}

bool SettingsFile::ReadAutoRun() const {
  return file_.ReadBool(keys::kParametres, keys::kAutoRun, false);
}
void SettingsFile::WriteAutoRun(bool value) {
  file_.WriteBool(keys::kParametres, keys::kAutoRun, value);
}

int SettingsFile::ReadVisible() const {
  return file_.ReadInteger(keys::kParametres, keys::kVisible, 0);
}
void SettingsFile::WriteVisible(int value) {
  file_.WriteInteger(keys::kParametres, keys::kVisible, value);
}

bool SettingsFile::ReadSetOffLineState() const {
  return file_.ReadBool(keys::kParametres, keys::kSetOffLineState, true);
}
void SettingsFile::WriteSetOffLineState(bool value) {
  file_.WriteBool(keys::kParametres, keys::kSetOffLineState, value);
}

// The date was written in the regional short format of its day; after a change of regional
// settings it may no longer parse, and then the run counts as today's.
TDateTime SettingsFile::ReadLastRun(TDateTime today) const {
  const auto text = file_.ReadString(keys::kParametres, keys::kLastRun, "");
  return regional_.ParseShortDate(text).value_or(today);
}
void SettingsFile::WriteLastRun(TDateTime day) {
  file_.WriteString(keys::kParametres, keys::kLastRun, regional_.FormatShortDate(DatePart(day)));
}

std::string SettingsFile::ReadCnx() const {
  return file_.ReadString(keys::kParametres, keys::kCnx, "");
}
void SettingsFile::WriteCnx(std::string_view name) {
  file_.WriteString(keys::kParametres, keys::kCnx, name);
}

std::string SettingsFile::ReadProvider() const {
  return file_.ReadString(keys::kParametres, keys::kProvider, "");
}
void SettingsFile::WriteProvider(std::string_view name) {
  file_.WriteString(keys::kParametres, keys::kProvider, name);
}

std::optional<CountCheckpoint> SettingsFile::ReadCheckpoint() const {
  if (!file_.ValueExists(keys::kComptage, keys::kCnx)) return std::nullopt;
  CountCheckpoint checkpoint;
  checkpoint.Name = file_.ReadString(keys::kComptage, keys::kCnx, "");
  checkpoint.Date = file_.ReadString(keys::kComptage, keys::kDate, "");
  checkpoint.Time = file_.ReadString(keys::kComptage, keys::kHeure, "");
  checkpoint.Marker = file_.ReadString(keys::kComptage, keys::kMarqueur, "");
  checkpoint.Seconds = file_.ReadInteger(keys::kComptage, keys::kSecondes, 0);
  return checkpoint;
}

void SettingsFile::Commit(const SettingsBatch& batch) {
  file_.Apply(batch.Changes());
}

void SettingsBatch::Write(std::string_view section, std::string_view key, std::string value) {
  changes_.push_back({std::string(section), std::string(key), std::move(value)});
}
void SettingsBatch::WriteDuree(std::string_view entry, std::string_view duree) {
  Write(entry, keys::kDuree, std::string(duree));
}
void SettingsBatch::EraseSection(std::string_view section) {
  changes_.push_back({std::string(section), {}, {}, true});
}
void SettingsBatch::WriteLastRun(TDateTime day) {
  Write(keys::kParametres, keys::kLastRun, regional_.FormatShortDate(DatePart(day)));
}
void SettingsBatch::WriteCnx(std::string_view name) {
  Write(keys::kParametres, keys::kCnx, std::string(name));
}
void SettingsBatch::WriteWindowPos(int x, int y) {
  Write(keys::kWindowPos, keys::kX, std::to_string(x));
  Write(keys::kWindowPos, keys::kY, std::to_string(y));
}
void SettingsBatch::WriteCheckpoint(const CountCheckpoint& checkpoint) {
  Write(keys::kComptage, keys::kCnx, checkpoint.Name);
  Write(keys::kComptage, keys::kDate, checkpoint.Date);
  Write(keys::kComptage, keys::kHeure, checkpoint.Time);
  Write(keys::kComptage, keys::kMarqueur, checkpoint.Marker);
  Write(keys::kComptage, keys::kSecondes, std::to_string(checkpoint.Seconds));
}
void SettingsBatch::RemoveCheckpoint() {
  EraseSection(keys::kComptage);
}
void SettingsBatch::WriteQuotaWarned(std::string_view entry, int percent) {
  Write(entry, keys::kQuotaAvis, std::to_string(percent));
}

int SettingsFile::ReadWindowX(int defaultValue) const {
  return file_.ReadInteger(keys::kWindowPos, keys::kX, defaultValue);
}
int SettingsFile::ReadWindowY(int defaultValue) const {
  return file_.ReadInteger(keys::kWindowPos, keys::kY, defaultValue);
}
void SettingsFile::WriteWindowPos(int x, int y) {
  file_.WriteInteger(keys::kWindowPos, keys::kX, x);
  file_.WriteInteger(keys::kWindowPos, keys::kY, y);
}

std::string SettingsFile::ReadDuree(std::string_view entry, std::string_view defaultValue) const {
  return file_.ReadString(entry, keys::kDuree, defaultValue);
}
void SettingsFile::WriteDuree(std::string_view entry, std::string_view duree) {
  file_.WriteString(entry, keys::kDuree, duree);
}
bool SettingsFile::HasDuree(std::string_view entry) const {
  return file_.ValueExists(entry, keys::kDuree);
}

int SettingsFile::ReadStartEvent(std::string_view entry) const {
  return file_.ReadInteger(entry, keys::kStartEvent, 2);
}
void SettingsFile::WriteStartEvent(std::string_view entry, int value) {
  file_.WriteInteger(entry, keys::kStartEvent, value);
}

int SettingsFile::ReadStartDelay(std::string_view entry) const {
  return file_.ReadInteger(entry, keys::kStartDelay, 0);
}
void SettingsFile::WriteStartDelay(std::string_view entry, int value) {
  file_.WriteInteger(entry, keys::kStartDelay, value);
}

bool SettingsFile::ReadRazAutoForDialog(std::string_view entry) const {
  return file_.ReadBool(entry, keys::kRazAuto, true);
}
bool SettingsFile::ReadRazAutoForReset(std::string_view entry) const {
  return file_.ReadBool(entry, keys::kRazAuto, false);
}
void SettingsFile::WriteRazAuto(std::string_view entry, bool value) {
  file_.WriteBool(entry, keys::kRazAuto, value);
}

std::string SettingsFile::ReadQuota(std::string_view entry) const {
  return file_.ReadString(entry, keys::kQuota, "");
}
void SettingsFile::WriteQuota(std::string_view entry, std::string_view quota) {
  file_.WriteString(entry, keys::kQuota, quota);
}
bool SettingsFile::HasQuota(std::string_view entry) const {
  return file_.ValueExists(entry, keys::kQuota);
}
int SettingsFile::ReadQuotaAction(std::string_view entry) const {
  return file_.ReadInteger(entry, keys::kQuotaAction, 0);
}
void SettingsFile::WriteQuotaAction(std::string_view entry, int value) {
  file_.WriteInteger(entry, keys::kQuotaAction, value);
}
bool SettingsFile::HasQuotaAction(std::string_view entry) const {
  return file_.ValueExists(entry, keys::kQuotaAction);
}
int SettingsFile::ReadQuotaWarned(std::string_view entry) const {
  return file_.ReadInteger(entry, keys::kQuotaAvis, 0);
}

std::vector<std::string> SettingsFile::Sections() const {
  return file_.ReadSections();
}
void SettingsFile::EraseSection(std::string_view section) {
  file_.EraseSection(section);
}

TAppliList SettingsFile::ReadApplis() const {
  TAppliList applis;
  for (const auto& line : file_.ReadSectionValues(keys::kAppli)) {
    if (applis.size() == kMaxApplis) break;
    std::string_view value = std::string_view(line).substr(line.find('=') + 1);
    const auto first = value.find_first_not_of(" \t");
    value = first == std::string_view::npos
                ? std::string_view()
                : value.substr(first, value.find_last_not_of(" \t") - first + 1);
    TAppli appli = ParseAppliValue(value);
    if (appli.CmdLine.find_first_not_of(" \t") == std::string::npos) continue;
    applis.push_back(std::move(appli));
  }
  return applis;
}

// The old list goes and the new one comes in a single rewrite, so an interrupted save cannot
// leave half a list. With nothing to write it is a plain erase whose failure, as ever, is
// ignored: the file then keeps its old list whole.
void SettingsFile::WriteApplis(const TAppliList& applis) {
  std::vector<std::pair<std::string, std::string>> entries;
  for (std::size_t i = 0; i < applis.size() && i < kMaxApplis; ++i) {
    entries.emplace_back(std::to_string(i + 1), FormatAppliValue(applis[i]));
  }
  if (entries.empty()) {
    try {
      file_.EraseSection(keys::kAppli);
    } catch (const ProfileWriteError&) {
    }
    return;
  }
  file_.ReplaceSection(keys::kAppli, entries);
}

}  // namespace chronolin
