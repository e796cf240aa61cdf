#pragma once
// The modal settings dialog "Paramètres": per phonebook entry the monthly total, the automatic
// monthly reset, the start event and delay; the applications started on connection; the offline
// switch; the start with the session and the window's visibility; an About page. It edits copies
// taken when it opens: OK writes them all and replaces the application list, "Annuler" leaves
// everything as it was.
#include <QDialog>
#include <QLineEdit>
#include <QString>
#include <QUrl>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "components/duree_edit.h"
#include "components/up_down.h"
#include "settings/appli.h"
#include "settings/settings_file.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QAction;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QToolButton;

namespace chronolin {

class TPathLabel;

// The editable settings of one phonebook entry.
struct TCnxParam {
  bool RaZAuto = true;
  std::int32_t StartDelay = 0;
  // Kept as read, so that a value outside 0..2 goes back to the file unchanged.
  std::int32_t StartEvent = 2;
  std::string Duree{kZeroDuree};
  // The monthly quota as stored ("" when none) and what happens at 100 % (0 warn, 1 hang up);
  // kept as read until edited.
  std::string Quota;
  std::int32_t QuotaAction = 0;
};

// What the dialog needs of the main window.
struct ParamFormContext {
  SettingsFile& settings;
  // The phonebook entries, in the order of the window's connection menu.
  std::vector<std::string> entries;
  // The name of the entry being counted right now, empty when nothing is counted. Asked each
  // time an entry is shown, since the counter goes on while the dialog is open.
  std::function<std::string()> countedEntry;
  // The process-wide application list, replaced on OK.
  TAppliList& applis;
  // The process-wide "force offline" flag, set on OK.
  bool& setOffLineState;
  // Why the remote-access service has no offline state to force; empty when it has one. The
  // offline switch is then greyed, with this as its hint.
  std::string offLineUnavailable = {};
};

class TParamForm : public QDialog {
 public:
  // Chooses a program to add; nullopt when the user gives up.
  using FileChooser = std::function<std::optional<std::string>(QWidget* parent)>;
  using UrlOpener = std::function<void(const QUrl& url)>;
  using ErrorReporter = std::function<void(const QString& message)>;
  using Describer = std::function<std::string(const std::string& cmdLine)>;

  // Builds the dialog and loads the copies from the file and the context.
  TParamForm(QWidget* parent, const ParamFormContext& context);
  ~TParamForm() override;

  // Stand-ins for the system dialogs and the desktop; set before showing the dialog.
  void SetFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }
  void SetUrlOpener(UrlOpener opener) { openUrl_ = std::move(opener); }
  void SetErrorReporter(ErrorReporter reporter) { showError_ = std::move(reporter); }
  void SetDescriber(Describer describer);

  // What the window applies after OK: 0 "&Toujours", 1 "P&endant la connexion", else 2.
  int VisibleMode() const;
  bool StartWithSession() const;

  // The dialog's copies.
  const std::vector<TCnxParam>& CnxParams() const { return cnxParams_; }
  const TAppliList& EditApplis() const { return editApplis_; }

  // The controls, by their names.
  QTabWidget* PageControl() const { return pageControl_; }
  QListWidget* CnxListBox() const { return cnxListBox_; }
  QGroupBox* GroupDuree() const { return groupDuree_; }
  TDureeEdit* EditDuree() const { return editDuree_; }
  TUpDown* UpDownDuree() const { return upDownDuree_; }
  QAction* RazDureeAction() const { return razDureeAction_; }
  QCheckBox* RaZCheckBox() const { return razCheckBox_; }
  QSpinBox* QuotaHoursEdit() const { return quotaHours_; }
  QSpinBox* QuotaMinutesEdit() const { return quotaMinutes_; }
  QComboBox* QuotaActionBox() const { return quotaAction_; }
  QGroupBox* GroupStart() const { return groupStart_; }
  QLineEdit* StartDelayEdit() const { return startDelayEdit_; }
  TUpDown* UpDownStartDelay() const { return upDownStartDelay_; }
  QRadioButton* StartEventButton(int tag) const { return startEventButtons_.at(tag); }
  QListWidget* AppliListBox() const { return appliListBox_; }
  QToolButton* ButtonAdd() const { return buttonAdd_; }
  QToolButton* ButtonRemove() const { return buttonRemove_; }
  QLabel* LblDescription() const { return lblDescription_; }
  TPathLabel* LblDir() const { return lblDir_; }
  QLabel* LabelDelay() const { return labelDelay_; }
  QLineEdit* EditDelay() const { return editDelay_; }
  QLabel* LabelWindow() const { return labelWindow_; }
  QComboBox* ComboBoxWindow() const { return comboBoxWindow_; }
  QCheckBox* CloseCheckBox() const { return closeCheckBox_; }
  QCheckBox* OffLineCheckBox() const { return offLineCheckBox_; }
  QCheckBox* StartWCheckBox() const { return startWCheckBox_; }
  QRadioButton* VTjsRadioButton() const { return visibleButtons_.at(0); }
  QRadioButton* VCnxRadioButton() const { return visibleButtons_.at(1); }
  QRadioButton* VJmsRadioButton() const { return visibleButtons_.at(2); }
  QPushButton* ButtonOk() const { return buttonOk_; }
  QPushButton* ButtonCancel() const { return buttonCancel_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildConnexionsPage(QWidget* page);
  void BuildApplicationsPage(QWidget* page);
  void BuildPreferencesPage(QWidget* page);
  void BuildAboutPage(QWidget* page);
  QLabel* MakeLinkLabel(QWidget* parent, const QString& caption, const QString& hint,
                        const QUrl& target);

  void Load();
  int SelectedCnx() const;
  int SelectedAppli() const;
  void ShowCnx();
  void DureeArrowClick(int step);
  void ResetDuree();
  void QuotaEdited();
  void StartDelayArrowClick();
  void ShowAppli();
  void FillAppliList(int selected);
  void DelayTextChanged(const QString& text);
  void AddClick();
  void RemoveClick();
  void OkClick();
  void WriteSettings();
  void ShowError(const QString& message);

  SettingsFile& settings_;
  std::vector<std::string> entries_;
  std::function<std::string()> countedEntry_;
  TAppliList& applis_;
  bool& setOffLineState_;
  std::string offLineUnavailable_;

  std::vector<TCnxParam> cnxParams_;
  // The totals as loaded: a total the dialog did not change is not written back over one the
  // counter stored while the dialog was open.
  std::vector<std::string> loadedDuree_;
  // The quotas as loaded: only what the user changed is written, so that a file without them
  // stays without them.
  std::vector<TCnxParam> loadedQuota_;
  TAppliList editApplis_;
  // Set while the dialog itself changes a list's selection, which is no user's choice.
  bool filling_ = false;

  FileChooser chooseFile_;
  UrlOpener openUrl_;
  ErrorReporter showError_;
  Describer describe_;

  QTabWidget* pageControl_ = nullptr;
  QListWidget* cnxListBox_ = nullptr;
  QGroupBox* groupDuree_ = nullptr;
  TDureeEdit* editDuree_ = nullptr;
  TUpDown* upDownDuree_ = nullptr;
  QMenu* dureeMenu_ = nullptr;
  QAction* razDureeAction_ = nullptr;
  QCheckBox* razCheckBox_ = nullptr;
  QSpinBox* quotaHours_ = nullptr;
  QSpinBox* quotaMinutes_ = nullptr;
  QComboBox* quotaAction_ = nullptr;
  QGroupBox* groupStart_ = nullptr;
  QLineEdit* startDelayEdit_ = nullptr;
  TUpDown* upDownStartDelay_ = nullptr;
  std::vector<QRadioButton*> startEventButtons_;
  QListWidget* appliListBox_ = nullptr;
  QToolButton* buttonAdd_ = nullptr;
  QToolButton* buttonRemove_ = nullptr;
  QLabel* lblDescription_ = nullptr;
  TPathLabel* lblDir_ = nullptr;
  QLabel* labelDelay_ = nullptr;
  QLineEdit* editDelay_ = nullptr;
  QLabel* labelWindow_ = nullptr;
  QComboBox* comboBoxWindow_ = nullptr;
  QCheckBox* closeCheckBox_ = nullptr;
  QCheckBox* offLineCheckBox_ = nullptr;
  QCheckBox* startWCheckBox_ = nullptr;
  std::vector<QRadioButton*> visibleButtons_;
  QPushButton* buttonOk_ = nullptr;
  QPushButton* buttonCancel_ = nullptr;
};

// What the window applies once the dialog has been confirmed.
struct ParamOutcome {
  int VisibleMode = 0;  // 0 always, 1 while a connection is counted, 2 never
  bool StartWithSession = false;
};

// The settings command's share of the work: shows the dialog modally over `parent` (the
// dialog writes its settings on OK); after OK writes or removes the session autostart entry of
// `executable` (nothing happens when its folder cannot be written) and returns what the window
// must apply. Nullopt after "Annuler". `prepare` may adjust the dialog before it shows.
std::optional<ParamOutcome> RunParamDialog(QWidget* parent, const ParamFormContext& context,
                                           const std::filesystem::path& executable,
                                           const std::function<void(TParamForm&)>& prepare = {});

}  // namespace chronolin
