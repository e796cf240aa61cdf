#pragma once
// The export dialog " Exporter ...": a month calendar limited to the journalled years and
// months, OK and "Annuler". OK reads the chosen month's connections, asks where to save the
// workbook (cancelling that keeps the dialog open on the same month) and writes it.
#include <QDialog>
#include <QPushButton>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "common/date_time.h"
#include "components/month_picker.h"
#include "export/month_export.h"
#include "platform/regional.h"

namespace chronolin {

inline constexpr char kExportErrorTitle[] = "Erreur !";
inline constexpr char kJournalUnreadableText[] = "Impossible d'ouvrir le fichier Connexions.txt !";
inline constexpr char kNoJournalledConnexionText[] = "Aucune connexion n'est enregistrée !";
inline constexpr char kSaveDialogTitle[] = "Enregistrer sous ...";

// The save dialog: the file chosen, or nothing when the user cancels. It has asked before
// replacing an existing file.
using SaveDialogFn =
    std::function<std::optional<std::filesystem::path>(QWidget* parent, const QString& proposed)>;
// Writes the month's workbook to the file; throws with the message to show on failure.
using WriteWorkbookFn =
    std::function<void(const MonthData& data, const std::filesystem::path& target)>;

struct ExpJrnlContext {
  std::filesystem::path journal;
  Regional regional;
  DateParts today;
  WriteWorkbookFn writeWorkbook;
  SaveDialogFn saveDialog;  // empty: XlsSaveDialog
  // An error message box (title "Erreur !"); empty: a QMessageBox.
  std::function<void(const std::string& text)> errorBox;
  // The application's standard error box, for errors escaping a handler; empty: errorBox.
  std::function<void(const std::string& message)> showError;
};

// "Enregistrer sous ...", filter "Excel Files (*.xls)", extension "xls", asking in French
// before replacing an existing file.
std::optional<std::filesystem::path> XlsSaveDialog(QWidget* parent, const QString& proposed);

// The menu's "Exporter ...": the dialog on the program's journal, shown only when the journal
// holds something to export. `errorBox` shows a message with the title "Erreur !", `showError`
// is the application's error box.
void RunExportDialog(QWidget* owner, const std::filesystem::path& journal,
                     std::function<void(const std::string& text)> errorBox,
                     std::function<void(const std::string& message)> showError);

class TExpJrnlForm : public QDialog {
 public:
  static constexpr int kClientWidth = 180;
  static constexpr int kClientHeight = 154;

  // Reads the journal for the years and months to offer (a missing or empty journal has been
  // reported when JournalReady() is false: the dialog must not be shown).
  TExpJrnlForm(QWidget* owner, ExpJrnlContext context);

  bool JournalReady() const { return journalReady_; }
  TMonthPicker& MonthPicker() { return *monthPicker_; }
  QPushButton& OKButton() { return *ok_; }
  QPushButton& CancelButton() { return *cancel_; }

  // The calendar's change: which months of the shown year hold connections.
  void MonthPickerChange();
  // OK: exports the chosen month.
  void OKClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormCreate();
  void ErrorBox(const std::string& text);
  void ShowError(const std::string& message);
  void UpdateOK();

  ExpJrnlContext context_;
  bool journalReady_ = true;
  TMonthPicker* monthPicker_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace chronolin
