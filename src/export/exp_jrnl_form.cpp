#include "export/exp_jrnl_form.h"

#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QScreen>
#include <exception>

#include "components/menu_skin.h"
#include "export/data_mod.h"

namespace chronolin {

namespace {

QString ToQt(const std::string& text) {
  return QString::fromStdString(text);
}

void DefaultErrorBox(QWidget* parent, const std::string& text) {
  QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kExportErrorTitle), ToQt(text),
                  QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

bool AskReplace(QWidget* parent, const QString& fileName) {
  QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kSaveDialogTitle),
                  QStringLiteral("%1 existe déjà.\nVoulez-vous le remplacer ?").arg(fileName),
                  QMessageBox::NoButton, parent);
  box.setTextFormat(Qt::PlainText);
  QAbstractButton* yes = box.addButton(QMessageBox::Yes);
  yes->setText(QStringLiteral("&Oui"));
  box.addButton(QMessageBox::No)->setText(QStringLiteral("&Non"));
  box.setDefaultButton(QMessageBox::No);
  box.exec();
  return box.clickedButton() == yes;
}

}  // namespace

std::optional<std::filesystem::path> XlsSaveDialog(QWidget* parent, const QString& proposed) {
  QFileDialog dialog(parent, QString::fromUtf8(kSaveDialogTitle));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // Our own French question replaces the toolkit's English one.
  dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
  dialog.setNameFilter(QStringLiteral("Excel Files (*.xls)"));
  dialog.setDefaultSuffix(QStringLiteral("xls"));
  dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Dans :"));
  dialog.setLabelText(QFileDialog::FileName, QStringLiteral("Nom du fichier :"));
  dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Type :"));
  dialog.setLabelText(QFileDialog::Accept, QStringLiteral("&Enregistrer"));
  dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Annuler"));
  dialog.setDirectory(QDir::current());
  dialog.selectFile(proposed);
  for (;;) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QFileInfo chosen(dialog.selectedFiles().constFirst());
    if (!chosen.dir().exists()) {
      DefaultErrorBox(parent,
                      "Le dossier " + chosen.absolutePath().toStdString() + " n'existe pas.");
      continue;
    }
    if (chosen.exists() && !AskReplace(&dialog, chosen.fileName())) continue;
    return std::filesystem::path(chosen.absoluteFilePath().toStdString());
  }
}

void RunExportDialog(QWidget* owner, const std::filesystem::path& journal,
                     std::function<void(const std::string& text)> errorBox,
                     std::function<void(const std::string& message)> showError) {
  const QDate today = QDate::currentDate();
  ExpJrnlContext context{journal,
                         Regional::FromEnvironment(),
                         DateParts{today.year(), today.month(), today.day()},
                         {},
                         {},
                         std::move(errorBox),
                         std::move(showError)};
  context.writeWorkbook = [regional = context.regional](const MonthData& data,
                                                        const std::filesystem::path& target) {
    WriteMonthWorkbook(data, regional, target);
  };
  TExpJrnlForm form(owner, std::move(context));
  if (form.JournalReady()) form.exec();
}

TExpJrnlForm::TExpJrnlForm(QWidget* owner, ExpJrnlContext context)
    : QDialog(owner), context_(std::move(context)) {
  setObjectName(QStringLiteral("ExpJrnlForm"));
  setWindowTitle(QStringLiteral(" Exporter ..."));
  // A tool window: no taskbar button; a fixed frame with only the close button.
  setWindowFlags(Qt::Tool | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setModal(true);
  setFont(LoadFont(QStringLiteral("MS Sans Serif"), QStringLiteral("ms_sans_serif.ttf"), 11));
  setFixedSize(kClientWidth, kClientHeight);

  monthPicker_ = new TMonthPicker(this, context_.regional);
  monthPicker_->setObjectName(QStringLiteral("MonthPicker"));
  monthPicker_->move(10, 8);
  monthPicker_->SetOptions(
      {TCalOption::coShowFrame, TCalOption::coShowCellFrames, TCalOption::coShowTitle});
  TMonthPickerColors& colors = monthPicker_->Colors();
  colors.SetBackColor(QColor(226, 226, 255));
  colors.SetTextColor(Qt::green);
  colors.SetTitleBackColor(QColor(114, 114, 255));
  colors.SetTitleTextColor(Qt::black);
  colors.SetSelectedBorderColor(QColor(192, 192, 192));
  colors.SetSelectedColor(QColor(178, 178, 255));

  ok_ = new QPushButton(QStringLiteral("OK"), this);
  ok_->setObjectName(QStringLiteral("OKBtn"));
  ok_->setGeometry(10, 124, 75, 23);
  ok_->setDefault(true);
  cancel_ = new QPushButton(QStringLiteral("Annuler"), this);
  cancel_->setObjectName(QStringLiteral("CancelBtn"));
  cancel_->setGeometry(95, 124, 75, 23);
  connect(ok_, &QPushButton::clicked, this, [this] {
    try {
      OKClick();
    } catch (const std::exception& e) {
      ShowError(e.what());
    }
  });
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

  FormCreate();
  monthPicker_->OnChange = [this](TMonthPicker&) { MonthPickerChange(); };
  monthPicker_->OnError = [this](const std::string& message) { ShowError(message); };
  monthPicker_->Grid().OnChange = [this] { UpdateOK(); };
}

void TExpJrnlForm::FormCreate() {
  journalReady_ = true;
  const auto lines = ReadJournalLines(context_.journal);
  if (!lines) {
    ErrorBox(kJournalUnreadableText);
    journalReady_ = false;
    return;
  }
  const auto years = JournalYears(*lines, context_.regional);
  if (years.empty()) {
    ErrorBox(kNoJournalledConnexionText);
    journalReady_ = false;
    return;
  }
  const CalendarStart start = StartingMonth(years, context_.today);
  monthPicker_->SetMinYear(static_cast<std::uint16_t>(start.MinYear));
  monthPicker_->SetMaxYear(static_cast<std::uint16_t>(start.MaxYear));
  monthPicker_->SetYear(static_cast<std::uint16_t>(start.Year));
  monthPicker_->SetMonth(start.Month);
  try {
    MonthPickerChange();
  } catch (const std::exception& e) {
    ShowError(e.what());
  }
}

void TExpJrnlForm::MonthPickerChange() {
  const auto lines = ReadJournalLines(context_.journal);
  if (!lines) throw std::runtime_error(kJournalUnreadableText);
  const auto available = AvailableMonths(*lines, monthPicker_->Year(), context_.regional);
  // A year without connections keeps the month shown; OK then stays disabled.
  if (!available[monthPicker_->Month() - 1])
    if (const auto first = FirstAvailableMonth(available)) monthPicker_->SetMonth(*first);
  for (int m = 1; m <= 12; ++m) monthPicker_->SetMonthEnabled(m, available[m - 1]);
  UpdateOK();
}

void TExpJrnlForm::UpdateOK() {
  ok_->setEnabled(monthPicker_->MonthEnabled(monthPicker_->Month()));
}

void TExpJrnlForm::OKClick() {
  const int year = monthPicker_->Year();
  const int month = monthPicker_->Month();
  const auto lines = ReadJournalLines(context_.journal);
  if (!lines) {
    reject();  // the journal went away: nothing to export, nothing to say
    return;
  }
  const MonthData data = CollectMonth(*lines, year, month, context_.regional);
  if (data.Rows.empty()) {
    // Only lines the export cannot read (unknown durations) in that month.
    ErrorBox(NoConnexionInMonthText(year, month, context_.regional));
    return;
  }
  const QString proposed = ToQt(ProposedFileName(year, month, context_.regional));
  const auto target =
      context_.saveDialog ? context_.saveDialog(this, proposed) : XlsSaveDialog(this, proposed);
  if (!target) {
    setResult(0);  // the dialog stays open for another choice
    return;
  }
  try {
    context_.writeWorkbook(data, *target);
  } catch (const std::exception& e) {
    ShowError(e.what());
    reject();
    return;
  }
  accept();
}

void TExpJrnlForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (const QScreen* s = screen()) {
    const QRect area = s->availableGeometry();
    move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
  }
}

void TExpJrnlForm::ErrorBox(const std::string& text) {
  if (context_.errorBox)
    context_.errorBox(text);
  else
    DefaultErrorBox(this, text);
}

void TExpJrnlForm::ShowError(const std::string& message) {
  if (context_.showError)
    context_.showError(message);
  else
    ErrorBox(message);
}

}  // namespace chronolin
