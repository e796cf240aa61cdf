#include "counter/counter.h"

#include <exception>
#include <limits>

#include "counter/duree.h"

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

bool TCounter::Start() {
  if (!BuildConnexionMenu()) {
    // Nothing else runs: with no phonebook the monthly reset would take every entry for a
    // removed one and erase its total.
    return false;
  }
  current_ = 0;
  counting_ = false;
  applis_.clear();
  LoadSettings();
  LoadConnexionSettings();
  connexion_.Handle = 0;
  connexion_.StartTick = 0;
  connexion_.AppsLaunched = false;
  view_.SetHint(connexion_.Name);
  view_.PaintCounter();
  return true;
}

bool TCounter::BuildConnexionMenu() {
  std::vector<std::string> entries;
  menu_.Items.clear();
  if (ras_.RasEnumEntriesA(entries) == 0) {
    for (auto& entry : entries) menu_.Items.push_back({std::move(entry), true});
  }
  if (menu_.Items.empty()) {
    view_.MessageBox(kNoConnexionText, kErrorTitle, MsgIcon::Error, MsgButtons::Ok);
    return false;
  }
  menu_.ConnexionsVisible = menu_.Items.size() > 1;
  view_.ConnexionMenuChanged();
  return true;
}

void TCounter::LoadSettings() {
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

  try {
    const TDateTime today = Today();
    const DateParts last = DecodeDate(settings_.ReadLastRun(today));
    const DateParts now = DecodeDate(today);
    // Compared as (year, month): a last run dated in a later year (a clock set wrong once) is
    // not a new month.
    if (last.year < now.year || (last.year == now.year && last.month < now.month)) MonthlyReset();
  } catch (const std::exception&) {
    // Start-up goes on whatever the reset met.
  }

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

  applis_ = settings_.ReadApplis();
  SaveSettings();
}

void TCounter::SaveSettings() {
  settings_.WriteCnx(connexion_.Name);
  settings_.WriteLastRun(Today());
  if (view_.HasWindow()) {
    const WindowPos pos = view_.GetWindowPos();
    settings_.WriteWindowPos(pos.X, pos.Y);
  }
}

void TCounter::LoadConnexionSettings() {
  monthTotal_ = DureeToSeconds(settings_.ReadDuree(connexion_.Name));
  displayTotal_ = monthTotal_;
  const int event = settings_.ReadStartEvent(connexion_.Name);
  // A value that does not fit must not wrap into a valid event.
  connexion_.StartEvent = (event >= 0 && event <= 255) ? static_cast<std::uint8_t>(event) : 255;
  connexion_.StartDelay = settings_.ReadStartDelay(connexion_.Name);
}

std::string TCounter::ReadStoredDuree(const std::string& name) const {
  return settings_.ReadDuree(name);
}

void TCounter::SaveDuree(const std::string& name) {
  settings_.WriteDuree(name, SecondsToStoredDuree(displayTotal_));
}

bool TCounter::HasMenuItem(const std::string& caption) const {
  for (const auto& item : menu_.Items)
    if (item.Caption == caption) return true;
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
  std::vector<std::string> toReset;
  for (const auto& section : sections) {
    if (!settings_.HasDuree(section) || !settings_.ReadRazAutoForReset(section)) continue;
    if (settings_.ReadDuree(section) != kZeroDuree) {
      lines.push_back(section + " - " + settings_.ReadDuree(section, "0"));
      toReset.push_back(section);
    }
  }
  // The block goes to the journal before any total is cleared: if the journal cannot be
  // written, the totals stay as they were instead of vanishing unrecorded.
  if (!lines.empty()) journal_.AppendMonthlyTotals(lines);
  for (const auto& section : toReset) settings_.WriteDuree(section, kZeroDuree);
  for (const auto& section : sections) {
    if (settings_.HasDuree(section) && !HasMenuItem(section)) settings_.EraseSection(section);
  }
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
  if (!counting_) {
    if (!TickNotCounting()) return;
  } else {
    TickCounting();
  }
  ApplicationsStep();
}

bool TCounter::TickNotCounting() {
  RASCONNA connection;
  std::uint32_t count = 0;
  if (ras_.RasEnumConnectionsA(connection, count) != 0) return false;
  if (count != 1) return false;

  const std::string& name = connection.szEntryName;
  if (name != connexion_.Name) {
    if (HasMenuItem(name)) SelectConnexion(name);
    if (connexion_.Name != name) {
      view_.MessageBox(kUnlistedConnexionText, kErrorTitle, MsgIcon::Error, MsgButtons::Ok);
      return false;
    }
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
      if (visibleMode_ == kVisibleWhileCounting) view_.SetWindowVisible(true);
    }
  }
  return true;
}

void TCounter::TickCounting() {
  if (StartEventReached(connexion_)) {
    current_ = static_cast<std::int32_t>(ElapsedMs() / 1000);
    displayTotal_ = monthTotal_ + current_;
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

  // A refused write is reported once everything else is done: the applications are closed and
  // the offline state forced whatever happened to the files.
  std::vector<std::string> errors;
  if (current_ > 0) Collect(errors, [&] { SaveDuree(connexion_.Name); });
  if (visibleMode_ == kVisibleWhileCounting) view_.SetWindowVisible(false);
  menu_.ConnexionsVisible = menu_.Items.size() > 1;
  view_.ConnexionMenuChanged();
  connexion_.Duree = SecondsToDuree(current_);
  if (current_ > 0) Collect(errors, [&] { journal_.WriteJournalEntry(connexion_, false); });
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
  SelectConnexion(caption);
  SelectedCnxClick();
  SaveSettings();
}

void TCounter::RaZDCClick() {
  if (view_.MessageBox(kResetCurrentText, kConfirmationTitle, MsgIcon::Question,
                       MsgButtons::YesNo) != MsgResult::Yes)
    return;
  if (counting_) {
    connexion_.StartTick = clock_.GetTickCount();
  } else {
    current_ = 0;
    view_.PaintCounter();
  }
}

bool TCounter::FormClose() {
  if (!counting_) {
    SaveSettings();
    return true;
  }
  if (view_.MessageBox(kQuitDuringConnexionText, kConfirmationTitle, MsgIcon::Question,
                       MsgButtons::YesNo) != MsgResult::Yes)
    return false;
  current_ = connexion_.Connected ? static_cast<std::int32_t>(ElapsedMs() / 1000) : 0;
  displayTotal_ = monthTotal_ + current_;
  std::vector<std::string> errors;
  if (current_ >= 1) {
    Collect(errors, [&] { SaveDuree(connexion_.Name); });
    connexion_.Duree = SecondsToDuree(current_);
    Collect(errors, [&] { journal_.WriteJournalEntry(connexion_, true); });
  }
  Collect(errors, [&] { SaveSettings(); });
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

}  // namespace chronolin
