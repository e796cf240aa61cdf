#include "counter/counter.h"

#include <algorithm>
#include <exception>
#include <limits>

#include "counter/duree.h"
#include "counter/quota.h"

namespace chronolin {
namespace {

// Raises a flag for a scope and puts back its earlier value on every way out.
class FlagGuard {
 public:
  explicit FlagGuard(bool& flag) : flag_(flag), before_(flag) { flag_ = true; }
  ~FlagGuard() { flag_ = before_; }
  FlagGuard(const FlagGuard&) = delete;
  FlagGuard& operator=(const FlagGuard&) = delete;

 private:
  bool& flag_;
  bool before_;
};

// Runs a write and turns its failure into a message to show later, so that one refused write
// does not stop the rest of the end of a connection.
template <typename F>
void Collect(std::vector<std::string>& errors, F&& write) {
  try {
    write();
  } catch (const std::exception& e) {
    errors.emplace_back(e.what());
  }
}

}  // namespace

TCounter::TCounter(const CounterServices& services)
    : ras_(services.ras),
      clock_(services.clock),
      settings_(services.settings),
      journal_(services.journal),
      view_(services.view),
      launcher_(services.launcher),
      internet_(services.ras) {}

TDateTime TCounter::Today() const { return DatePart(clock_.Now()); }

std::uint32_t TCounter::ElapsedMs() const {
  // Unsigned difference: a tick count that wrapped past 2^32 meanwhile changes nothing.
  return clock_.GetTickCount() - connexion_.StartTick;
}

namespace {

// (year, month) of `later` after that of `earlier`: a day of a new month. A day in an earlier
// month (a clock set wrong once) is not.
bool IsLaterMonth(TDateTime later, TDateTime earlier) {
  const DateParts a = DecodeDate(later);
  const DateParts b = DecodeDate(earlier);
  return a.year > b.year || (a.year == b.year && a.month > b.month);
}

}  // namespace

bool TCounter::Start() {
  current_ = 0;
  counting_ = false;
  applis_.clear();
  // A connection a crash left counted goes to its entry's total before anything else, before
  // the monthly reset in particular, so that it lands in its own month.
  RecoverCheckpoint();

  std::vector<std::string> entries;
  const std::uint32_t result = ras_.RasEnumEntriesA(entries);
  if (result == ERROR_RASMAN_CANNOT_INITIALIZE) {
    // The service is not up yet (a start with the session): without the phonebook neither the
    // reset nor the choice of the entry can be made, so both wait for it.
    rasReady_ = false;
    LoadWindowSettings();
    totalsDay_ = settings_.ReadLastRun(Today());
    connexion_.Name = settings_.ReadCnx();
    menu_.SelectedCaption = connexion_.Name;
    view_.ConnexionMenuChanged();
    applis_ = settings_.ReadApplis();
  } else {
    if (result != 0) entries.clear();
    if (!BuildConnexionMenu(std::move(entries))) {
      // Nothing else runs: with no phonebook the monthly reset would take every entry for a
      // removed one and erase its total.
      return false;
    }
    LoadSettings();
  }
  LoadConnexionSettings();
  connexion_.Handle = 0;
  connexion_.StartTick = 0;
  connexion_.AppsLaunched = false;
  view_.SetHint(HintText());
  view_.PaintCounter();
  return true;
}

// A tick while the service was not up at start: the rest of the start once it answers.
bool TCounter::FinishStart() {
  std::vector<std::string> entries;
  const std::uint32_t result = ras_.RasEnumEntriesA(entries);
  if (result != 0) return false;
  if (entries.empty()) {
    // Up but with nothing to follow: said once, and the counter stays idle.
    if (!emptyPhonebookShown_) {
      emptyPhonebookShown_ = true;
      view_.MessageBox(kNoConnexionText, kErrorTitle, MsgIcon::Error, MsgButtons::Ok);
    }
    return false;
  }
  BuildConnexionMenu(std::move(entries));
  rasReady_ = true;
  const TDateTime today = Today();
  if (IsLaterMonth(today, totalsDay_)) TryMonthlyReset();
  else totalsDay_ = today;
  SelectStoredEntry();
  LoadConnexionSettings();
  SaveSettings();
  view_.SetHint(HintText());
  view_.PaintCounter();
  return true;
}

bool TCounter::BuildConnexionMenu(std::vector<std::string> entries) {
  menu_.Items.clear();
  for (auto& entry : entries) menu_.Items.push_back({std::move(entry), true});
  if (menu_.Items.empty()) {
    view_.MessageBox(kNoConnexionText, kErrorTitle, MsgIcon::Error, MsgButtons::Ok);
    return false;
  }
  menu_.ConnexionsVisible = menu_.Items.size() > 1;
  view_.ConnexionMenuChanged();
  return true;
}

void TCounter::LoadWindowSettings() {
  if (view_.HasWindow()) {
    const WindowPos fallback = view_.DefaultWindowPos();
    WindowPos pos;
    pos.Y = settings_.ReadWindowY(fallback.Y);
    pos.X = settings_.ReadWindowX(fallback.X);
    view_.SetWindowPos(pos);
  }

  setOffLineState_ = settings_.ReadSetOffLineState();
  const int visible = settings_.ReadVisible();
  visibleMode_ = static_cast<std::uint8_t>(visible);
  view_.SetWindowVisible(visibleMode_ == kVisibleAlways);
}

void TCounter::LoadSettings() {
  LoadWindowSettings();

  const TDateTime today = Today();
  totalsDay_ = today;
  try {
    const TDateTime last = settings_.ReadLastRun(today);
    if (IsLaterMonth(today, last)) {
      totalsDay_ = last;
      TryMonthlyReset();
    }
  } catch (const std::exception&) {
    // A last run that cannot be decoded is no new month.
  }

  SelectStoredEntry();
  applis_ = settings_.ReadApplis();
  SaveSettings();
}

void TCounter::SelectStoredEntry() {
  connexion_.Name = settings_.ReadCnx();
  bool found = false;
  if (!connexion_.Name.empty()) {
    for (auto& item : menu_.Items) {
      if (item.Caption == connexion_.Name) {
        item.Visible = false;
        found = true;
        break;
      }
    }
  }
  if (!found && !menu_.Items.empty()) {
    menu_.Items.front().Visible = false;
    connexion_.Name = menu_.Items.front().Caption;
  }
  menu_.SelectedCaption = connexion_.Name;
  view_.SetHint(connexion_.Name);
  view_.ConnexionMenuChanged();
}

// While a reset is due the last run stays in the month of the totals, so that a restart still
// makes it; otherwise it is today.
TDateTime TCounter::LastRunToWrite() const {
  const TDateTime today = Today();
  try {
    return IsLaterMonth(today, totalsDay_) ? totalsDay_ : today;
  } catch (const std::exception&) {
    return today;
  }
}

void TCounter::SaveSettings() {
  if (!Store(true, counting_)) settingsUnsaved_ = true;
}

bool TCounter::Store(bool windowSettings, bool keepCheckpoint, std::vector<std::string>* later) {
  SettingsBatch batch = settings_.Batch();
  if (windowSettings) {
    if (Storable(connexion_.Name)) batch.WriteCnx(connexion_.Name);
    batch.WriteLastRun(LastRunToWrite());
    if (view_.HasWindow()) {
      const WindowPos pos = view_.GetWindowPos();
      batch.WriteWindowPos(pos.X, pos.Y);
    }
  }
  for (const auto& [name, seconds] : unsavedTotals_)
    batch.WriteDuree(name, SecondsToStoredDuree(seconds));
  if (keepCheckpoint) {
    const std::int32_t seconds = connexion_.Connected ? current_ : 0;
    if (Storable(connexion_.Name)) {
      batch.WriteCheckpoint({connexion_.Name, journal_.DateText(connexion_.StartDate),
                             journal_.TimeText(connexion_.StartTime),
                             StartMarker(connexion_.StartEvent, connexion_.StartDelay), seconds});
      checkpointSeconds_ = current_;
    }
  } else if (!recoveryPending_) {
    batch.RemoveCheckpoint();
  }
  try {
    settings_.Commit(batch);
  } catch (const std::exception& e) {
    ReportOnce(e.what(), later);
    return false;
  }
  // The file takes writes again: a later refusal is worth saying again.
  shownErrors_.erase(ProfileWriteError(settings_.Path()).what());
  unsavedTotals_.clear();
  if (windowSettings) settingsUnsaved_ = false;
  return true;
}

bool TCounter::Storable(const std::string& name) {
  try {
    CheckProfileSectionName(name);
    return true;
  } catch (const std::invalid_argument& e) {
    if (unstorable_.insert(name).second) view_.ShowError(e.what());
    return false;
  }
}

void TCounter::ReportOnce(const std::string& message, std::vector<std::string>* later) {
  if (!shownErrors_.insert(message).second) return;
  if (later)
    later->push_back(message);
  else
    view_.ShowError(message);
}

void TCounter::WriteCheckpoint() {
  if (!Store(false, true)) settingsUnsaved_ = true;
}

void TCounter::RecoverCheckpoint() {
  recoveryPending_ = false;
  std::optional<CountCheckpoint> checkpoint;
  try {
    checkpoint = settings_.ReadCheckpoint();
  } catch (const std::exception&) {
  }
  if (!checkpoint) return;
  const bool book = checkpoint->Seconds > 0 && Storable(checkpoint->Name);
  if (book) {
    const auto unsaved = unsavedTotals_.find(checkpoint->Name);
    const std::int32_t before = unsaved != unsavedTotals_.end()
                                    ? unsaved->second
                                    : DureeToSeconds(settings_.ReadDuree(checkpoint->Name));
    unsavedTotals_[checkpoint->Name] = before + checkpoint->Seconds;
  }
  // The total and the end of the checkpoint in one write: booked once, whatever happens next.
  if (!Store(false, false)) {
    if (book) unsavedTotals_.erase(checkpoint->Name);
    recoveryPending_ = true;
    return;
  }
  if (!book) return;
  if (connexion_.Name == checkpoint->Name) {
    monthTotal_ += checkpoint->Seconds;
    displayTotal_ += checkpoint->Seconds;
  }
  try {
    journal_.WriteLine(ConnexionLine(checkpoint->Date, checkpoint->Time, checkpoint->Name,
                                     SecondsToDuree(checkpoint->Seconds), checkpoint->Marker) +
                       std::string(kInterruptedRemark));
  } catch (const std::exception& e) {
    view_.ShowError(e.what());
  }
}

void TCounter::FlushPending() {
  if (recoveryPending_ && !counting_) RecoverCheckpoint();
  if (settingsUnsaved_ || !unsavedTotals_.empty()) SaveSettings();
}

void TCounter::CheckNewMonth() {
  bool due = false;
  try {
    due = IsLaterMonth(Today(), totalsDay_);
  } catch (const std::exception&) {
  }
  if (!due || !TryMonthlyReset()) return;
  LoadConnexionSettings();
  view_.PaintCounter();
}

bool TCounter::TryMonthlyReset() {
  try {
    MonthlyReset();
  } catch (const std::exception& e) {
    // The totals stay and the last run keeps their month: the reset is tried again.
    ReportOnce(e.what());
    return false;
  }
  totalsDay_ = Today();
  shownErrors_.clear();
  return true;
}

void TCounter::LoadConnexionSettings() {
  const auto unsaved = unsavedTotals_.find(connexion_.Name);
  monthTotal_ = unsaved != unsavedTotals_.end()
                    ? unsaved->second
                    : DureeToSeconds(settings_.ReadDuree(connexion_.Name));
  displayTotal_ = monthTotal_;
  const int event = settings_.ReadStartEvent(connexion_.Name);
  // A value that does not fit must not wrap into a valid event.
  connexion_.StartEvent = (event >= 0 && event <= 255) ? static_cast<std::uint8_t>(event) : 255;
  connexion_.StartDelay = settings_.ReadStartDelay(connexion_.Name);

  quota_ = std::max(DureeToSeconds(settings_.ReadQuota(connexion_.Name)), 0);
  quotaAction_ = settings_.ReadQuotaAction(connexion_.Name);
  if (quota_ > 0) {
    int& warned = quotaWarned_[connexion_.Name];
    warned = std::max(warned, settings_.ReadQuotaWarned(connexion_.Name));
  }
  if (quota_ > 0 || hintWithQuota_) {
    hintWithQuota_ = quota_ > 0;
    view_.SetHint(HintText());
  }
}

std::string TCounter::HintText() const {
  return QuotaHint(connexion_.Name, displayTotal_, quota_);
}

std::string TCounter::ReadStoredDuree(const std::string& name) const {
  const auto unsaved = unsavedTotals_.find(name);
  if (unsaved != unsavedTotals_.end()) return SecondsToDuree(unsaved->second);
  return settings_.ReadDuree(name);
}

void TCounter::SaveDuree(const std::string& name) {
  settings_.WriteDuree(name, SecondsToStoredDuree(displayTotal_));
}

// Compared as the file compares section names: "[FOURNISSEUR]" is the entry "Fournisseur".
bool TCounter::HasMenuItem(const std::string& caption) const {
  for (const auto& item : menu_.Items)
    if (SameProfileName(item.Caption, caption)) return true;
  return false;
}

void TCounter::SelectConnexion(const std::string& name) {
  for (auto& item : menu_.Items) item.Visible = item.Caption != name;
  connexion_.Name = name;
  view_.SetHint(name);
  menu_.SelectedCaption = name;
  view_.ConnexionMenuChanged();
  LoadConnexionSettings();
  view_.PaintCounter();
}

void TCounter::MonthlyReset() {
  const std::vector<std::string> sections = settings_.Sections();
  std::vector<std::string> lines;
  SettingsBatch batch = settings_.Batch();
  for (const auto& section : sections) {
    // A new month: its quota warnings are yet to be given, whether the total restarts or not.
    if (settings_.ReadQuotaWarned(section) != 0) batch.WriteQuotaWarned(section, 0);
    if (!settings_.HasDuree(section) || !settings_.ReadRazAutoForReset(section)) continue;
    if (settings_.ReadDuree(section) != kZeroDuree) {
      lines.push_back(section + " - " + settings_.ReadDuree(section, "0"));
      batch.WriteDuree(section, kZeroDuree);
    }
  }
  for (const auto& section : sections) {
    if (settings_.HasDuree(section) && !HasMenuItem(section)) batch.EraseSection(section);
  }
  // The month is closed in the same write: a reset done is never done twice.
  batch.WriteLastRun(Today());
  // The block goes to the journal before any total is cleared: if the journal cannot be
  // written, the totals stay as they were instead of vanishing unrecorded. A file that would
  // refuse the totals is found out first, so the block is not journalled twice.
  if (!settings_.Writable()) throw ProfileWriteError(settings_.Path());
  if (!lines.empty()) journal_.AppendMonthlyTotals(lines);
  settings_.Commit(batch);
  quotaWarned_.clear();
}

void TCounter::SetOffLine() { internet_.SetOffLine(); }

bool TCounter::StartEventReached(TConnexion& connexion) {
  RASCONNSTATUSA status;
  if (ras_.RasGetConnectStatusA(connexion.Handle, status) != 0) return false;
  const std::int32_t state = status.rasconnstate;
  if (state > RASCS_Connected) return false;
  bool reached = false;
  switch (connexion.StartEvent) {
    case kStartNumbering: reached = state >= RASCS_ConnectDevice; break;
    case kStartAuthentication: reached = state >= RASCS_Authenticate; break;
    case kStartConnection: reached = state == RASCS_Connected; break;
    default: reached = false; break;
  }
  connexion.Connected = state == RASCS_Connected;
  return reached;
}

void TCounter::TimerTimer() {
  // A message box opened by this tick runs its own event loop; further ticks wait for it
  // instead of piling up more boxes.
  if (inTick_) return;
  FlagGuard guard(inTick_);
  RunTick();
}

void TCounter::RunTick() {
  if (!rasReady_ && !FinishStart()) return;
  FlushPending();
  if (!counting_) {
    CheckNewMonth();
    const bool followed = TickNotCounting();
    CheckQuota();
    if (!followed) return;
  } else {
    TickCounting();
    CheckQuota();
    // A connection counted across the month's end went to the old month: the reset follows.
    if (!counting_) CheckNewMonth();
  }
  ApplicationsStep();
}

bool TCounter::TickNotCounting() {
  RASCONNA connection;
  std::uint32_t count = 0;
  if (ras_.RasEnumConnectionsA(connection, count) != 0) return false;
  if (count != 1 || connection.hrasconn != quotaHungUpHandle_) quotaHungUpHandle_ = 0;
  if (count != 1) return false;
  // A line hung up at its quota may take a moment to go: it is not a new connection.
  if (quotaHungUpHandle_ != 0) return false;

  const std::string& name = connection.szEntryName;
  if (name != connexion_.Name) {
    if (HasMenuItem(name)) SelectConnexion(name);
    if (connexion_.Name != name) {
      view_.MessageBox(kUnlistedConnexionText, kErrorTitle, MsgIcon::Error, MsgButtons::Ok);
      return false;
    }
  }

  if (connexion_.Handle != connection.hrasconn) {
    // Another connection than the one waited for (that one vanished): its own start event,
    // delay and applications.
    connexion_.StartTick = 0;
    connexion_.AppsLaunched = false;
  }
  connexion_.Handle = connection.hrasconn;
  connexion_.Connected = false;
  if (menu_.ConnexionsVisible) {
    menu_.ConnexionsVisible = false;
    view_.ConnexionMenuChanged();
  }

  if (StartEventReached(connexion_)) {
    current_ = 0;
    if (connexion_.StartTick == 0) connexion_.StartTick = clock_.GetTickCount();
    const std::int64_t waited = ElapsedMs();
    if (waited > static_cast<std::int64_t>(connexion_.StartDelay) * 1000) {
      connexion_.StartTick = clock_.GetTickCount();
      const TDateTime now = clock_.Now();
      connexion_.StartDate = DatePart(now);
      connexion_.StartTime = TimePart(now);
      counting_ = true;
      hangUpCancelled_ = false;
      quotaHungUp_ = false;
      checkpointSeconds_ = 0;
      WriteCheckpoint();
      if (visibleMode_ == kVisibleWhileCounting) view_.SetWindowVisible(true);
    }
  }
  return true;
}

void TCounter::TickCounting() {
  if (StartEventReached(connexion_)) {
    current_ = static_cast<std::int32_t>(ElapsedMs() / 1000);
    displayTotal_ = monthTotal_ + current_;
    if (current_ - checkpointSeconds_ >= kCheckpointSeconds) WriteCheckpoint();
  } else {
    EndConnexion();
  }
  view_.PaintCounter();
}

void TCounter::EndConnexion() {
  current_ = connexion_.Connected ? static_cast<std::int32_t>(ElapsedMs() / 1000) : 0;
  monthTotal_ += current_;
  displayTotal_ = monthTotal_;
  counting_ = false;
  connexion_.Handle = 0;
  connexion_.StartTick = 0;
  if (hangUpPending_) EndHangUpNotice();
  const std::string_view remark = quotaHungUp_ ? kQuotaRemark : std::string_view();
  quotaHungUp_ = false;
  hangUpCancelled_ = false;

  // A refused write is reported once everything else is done: the applications are closed and
  // the offline state forced whatever happened to the files. The total and the end of the
  // checkpoint go in one write; a total the file refuses stays in memory for a later tick.
  std::vector<std::string> errors;
  if (current_ > 0 && Storable(connexion_.Name)) unsavedTotals_[connexion_.Name] = displayTotal_;
  if (!Store(false, false, &errors)) settingsUnsaved_ = true;
  if (visibleMode_ == kVisibleWhileCounting) view_.SetWindowVisible(false);
  menu_.ConnexionsVisible = menu_.Items.size() > 1;
  view_.ConnexionMenuChanged();
  connexion_.Duree = SecondsToDuree(current_);
  if (current_ > 0)
    Collect(errors, [&] { journal_.WriteJournalEntry(connexion_, false, remark); });
  if (launcher_) Collect(errors, [&] { launcher_->CloseApplis(); });
  if (setOffLineState_) SetOffLine();
  ReportErrors(errors);
}

void TCounter::ReportErrors(const std::vector<std::string>& errors) {
  for (const auto& message : errors) view_.ShowError(message);
}

void TCounter::ApplicationsStep() {
  if (static_cast<std::int32_t>(connexion_.Handle) <= 0) {
    connexion_.AppsLaunched = false;
    return;
  }
  if (connexion_.AppsLaunched) return;
  RASCONNSTATUSA status;
  if (ras_.RasGetConnectStatusA(connexion_.Handle, status) == 0 &&
      status.rasconnstate == RASCS_Connected) {
    connexion_.AppsLaunched = true;
    if (launcher_) launcher_->LaunchApplis();
  }
}

void TCounter::SelectedCnxClick() {
  if (counting_) {
    ras_.RasHangUpA(connexion_.Handle);
    return;
  }
  // The entry may have left the phonebook since the menu was built, or the service may refuse:
  // the user must see why nothing happens.
  if (const std::uint32_t rc = ras_.Dial(connexion_.Name); rc != ERROR_SUCCESS_RAS)
    view_.MessageBox(DialErrorText(connexion_.Name, ras_.ErrorText(rc), rc), kDialErrorTitle,
                     MsgIcon::Error, MsgButtons::Ok);
}

std::string DialErrorText(const std::string& entry, const std::string& reason,
                          std::uint32_t code) {
  return "Impossible de numéroter « " + entry + " » :\r" + reason + " (erreur " +
         std::to_string(code) + ")";
}

void TCounter::CnxClick(const std::string& caption) {
  // The counted connection's time belongs to its own entry: no switch while it lasts.
  if (counting_) return;
  SelectConnexion(caption);
  SelectedCnxClick();
  SaveSettings();
}

void TCounter::RaZDCClick() {
  const bool wasCounting = counting_;
  const HRASCONN handle = connexion_.Handle;
  if (view_.MessageBox(kResetCurrentText, kConfirmationTitle, MsgIcon::Question,
                       MsgButtons::YesNo) != MsgResult::Yes)
    return;
  // Ticks ran while the box was open: the answer is about the connection shown when it opened.
  if (counting_) {
    if (!wasCounting || connexion_.Handle != handle) return;  // one that began meanwhile
    connexion_.StartTick = clock_.GetTickCount();
    current_ = 0;
    displayTotal_ = monthTotal_;
    WriteCheckpoint();
  } else {
    current_ = 0;
  }
  view_.PaintCounter();
}

bool TCounter::FormClose() {
  if (!counting_) {
    SaveSettings();
    return true;
  }
  if (view_.MessageBox(kQuitDuringConnexionText, kConfirmationTitle, MsgIcon::Question,
                       MsgButtons::YesNo) != MsgResult::Yes)
    return false;
  // The box ran its own loop: the connection may have ended meanwhile, and then the tick has
  // already booked and journalled it.
  if (!counting_) {
    SaveSettings();
    return true;
  }
  current_ = connexion_.Connected ? static_cast<std::int32_t>(ElapsedMs() / 1000) : 0;
  displayTotal_ = monthTotal_ + current_;
  if (current_ >= 1 && Storable(connexion_.Name)) unsavedTotals_[connexion_.Name] = displayTotal_;
  // The total, the window settings and the end of the checkpoint in one write.
  std::vector<std::string> errors;
  Store(true, false, &errors);
  if (current_ >= 1) {
    connexion_.Duree = SecondsToDuree(current_);
    const std::string_view remark = quotaHungUp_ ? kQuotaRemark : std::string_view();
    Collect(errors, [&] { journal_.WriteJournalEntry(connexion_, true, remark); });
  }
  ReportErrors(errors);
  return true;
}

void TCounter::SessionEnd() {
  if (counting_) {
    ras_.RasHangUpA(connexion_.Handle);
    // Past the re-entry guard: a tick left waiting on one of its boxes must not keep the
    // connection from being closed and journalled before the session goes.
    FlagGuard guard(inTick_);
    RunTick();
  }
  SaveSettings();
}

void TCounter::ApplyVisibleMode(std::uint8_t mode) {
  visibleMode_ = mode;
  switch (mode) {
    case kVisibleAlways: view_.SetWindowVisible(true); break;
    case kVisibleWhileCounting: view_.SetWindowVisible(counting_); break;
    default: view_.SetWindowVisible(false); break;
  }
}

void TCounter::CheckQuota() {
  if (quota_ <= 0) {
    // The quota was taken away meanwhile.
    if (hangUpPending_) EndHangUpNotice();
    return;
  }
  const std::string& name = connexion_.Name;
  int& warned = quotaWarned_[name];
  const std::vector<int> reached = QuotaThresholdsReached(displayTotal_, quota_, warned);
  if (!reached.empty()) {
    warned = reached.back();
    StoreQuotaWarned(name, warned);
    for (const int percent : reached)
      view_.QuotaWarning(QuotaWarningText(name, percent, displayTotal_, quota_));
  }
  HangUpStep();
  view_.SetHint(HintText());
}

void TCounter::HangUpStep() {
  const bool due = counting_ && quotaAction_ == kQuotaActionHangUp && displayTotal_ >= quota_ &&
                   !hangUpCancelled_ && !quotaHungUp_;
  if (!due) {
    if (hangUpPending_) EndHangUpNotice();
    return;
  }
  if (!hangUpPending_) {
    hangUpPending_ = true;
    hangUpNoticeTick_ = clock_.GetTickCount();
    menu_.CancelHangUpVisible = true;
    view_.ConnexionMenuChanged();
    view_.QuotaHangUpNotice(QuotaHangUpText(connexion_.Name, kQuotaHangUpNoticeSeconds),
                            kQuotaHangUpNoticeSeconds);
    return;
  }
  // Unsigned difference, as for the connection's duration.
  if (clock_.GetTickCount() - hangUpNoticeTick_ <
      static_cast<std::uint32_t>(kQuotaHangUpNoticeSeconds) * 1000)
    return;
  EndHangUpNotice();
  const std::uint32_t rc = ras_.RasHangUpA(connexion_.Handle);
  if (rc == ERROR_SUCCESS_RAS) {
    // Closed at once rather than at the next tick: it ends when it was hung up.
    quotaHungUp_ = true;
    quotaHungUpHandle_ = connexion_.Handle;
    EndConnexion();
    view_.PaintCounter();
  } else {
    // Not tried again every second: the user hears why and keeps the line.
    hangUpCancelled_ = true;
    view_.ShowError(ras_.ErrorText(rc));
  }
}

void TCounter::EndHangUpNotice() {
  hangUpPending_ = false;
  menu_.CancelHangUpVisible = false;
  view_.ConnexionMenuChanged();
  view_.QuotaHangUpNoticeEnded();
}

void TCounter::CancelHangUp() {
  if (!hangUpPending_) return;
  hangUpCancelled_ = true;
  EndHangUpNotice();
}

void TCounter::StoreQuotaWarned(const std::string& name, int percent) {
  if (!Storable(name)) return;
  SettingsBatch batch = settings_.Batch();
  batch.WriteQuotaWarned(name, percent);
  try {
    settings_.Commit(batch);
  } catch (const std::exception& e) {
    ReportOnce(e.what());
  }
}

}  // namespace chronolin
