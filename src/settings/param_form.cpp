#include "settings/param_form.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFocusEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLinearGradient>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSysInfo>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <algorithm>
#include <exception>
#include <stdexcept>

#include "components/dialog_frame.h"
#include "components/french_texts.h"
#include "components/link_label.h"
#include "components/menu_skin.h"
#include "components/path_label.h"
#include "platform/autostart.h"
#include "platform/desktop_entry.h"
#include "settings/param_applis.h"
#include "settings/param_duree.h"

namespace chronolin {

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// Checks the button whose index is `tag`; any other value leaves them all unchecked.
void CheckTag(const std::vector<QRadioButton*>& buttons, int tag) {
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    QRadioButton* button = buttons[i];
    if (static_cast<int>(i) == tag) {
      button->setChecked(true);
    } else if (button->isChecked()) {
      // An exclusive button cannot be unchecked by itself.
      button->setAutoExclusive(false);
      button->setChecked(false);
      button->setAutoExclusive(true);
    }
  }
}

// The program's icon when the application has none of its own: a white square in a bevelled
// grey frame with three vertical blue bars, light to dark.
QPixmap ProgramIcon(int size) {
  const QIcon icon = QApplication::windowIcon();
  if (!icon.isNull()) return icon.pixmap(size, size);
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::white);
  QPainter p(&pixmap);
  const int s = size - 1;
  p.setPen(QColor(128, 128, 128));
  p.drawLine(0, s, s, s);
  p.drawLine(s, 0, s, s);
  p.setPen(QColor(224, 224, 224));
  p.drawLine(0, 0, s, 0);
  p.drawLine(0, 0, 0, s);
  const QColor blues[] = {QColor(150, 180, 255), QColor(60, 100, 230), QColor(0, 20, 140)};
  const int barWidth = size / 6;
  for (int i = 0; i < 3; ++i) {
    const int x = size / 6 + i * (barWidth + size / 12);
    p.fillRect(QRect(x, size / 6, barWidth, size - size / 3), blues[i]);
  }
  return pixmap;
}

// The system the program runs on, as the About page names it: "(Linux)".
QString PlatformLabel() {
  QString kernel = QSysInfo::kernelType();
  if (kernel == QLatin1String("linux")) kernel = QStringLiteral("Linux");
  else if (!kernel.isEmpty()) kernel[0] = kernel[0].toUpper();
  return QStringLiteral("(") + kernel + QStringLiteral(")");
}

std::optional<std::string> ChooseProgram(QWidget* parent) {
  QFileDialog dialog(parent, QStringLiteral("Ouvrir"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  // Programs here seldom have an extension: the filter shows its usual caption but lets every
  // file through.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilter(QStringLiteral("Tous les fichiers (*.*) (*)"));
  PrepareFileDialog(dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst().toStdString();
}

// Tabs padded as tightly as the old dialog's, so that the four fit its width without scrolling.
class TightTabStyle : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    if (metric == PM_TabBarTabHSpace) return 12;
    return QProxyStyle::pixelMetric(metric, option, widget);
  }
};

}  // namespace

// ---- TParamForm ----

TParamForm::TParamForm(QWidget* parent, const ParamFormContext& context)
    : QDialog(parent),
      settings_(context.settings),
      entries_(context.entries),
      countedEntry_(context.countedEntry),
      applis_(context.applis),
      setOffLineState_(context.setOffLineState),
      offLineUnavailable_(context.offLineUnavailable),
      chooseFile_(ChooseProgram),
      openUrl_([](const QUrl& url) { QDesktopServices::openUrl(url); }),
      describe_([](const std::string& cmdLine) { return DescriptionOf(cmdLine); }) {
  setObjectName(QStringLiteral("ParamForm"));
  setWindowTitle(QStringLiteral("Paramètres"));
  SetFixedDialogFrame(*this);
  setModal(true);
  // The fixed layout is measured for Tahoma at 11 pixels.
  setFont(LoadFont(QStringLiteral("Tahoma"), QStringLiteral("tahoma.ttf"), 11));
  setFixedSize(286, 289);

  pageControl_ = new QTabWidget(this);
  pageControl_->setObjectName(QStringLiteral("PageControl"));
  pageControl_->setGeometry(4, 4, 278, 248);
  auto* tabStyle = new TightTabStyle;
  tabStyle->setParent(pageControl_);
  pageControl_->tabBar()->setStyle(tabStyle);
  const struct {
    const char* name;
    const char* caption;
    void (TParamForm::*build)(QWidget*);
  } pages[] = {
      {"TabConnexions", "&Connexions", &TParamForm::BuildConnexionsPage},
      {"TabApplications", "&Applications", &TParamForm::BuildApplicationsPage},
      {"TabPreferences", "&Préférences", &TParamForm::BuildPreferencesPage},
      {"TabAPropos", "&A propos", &TParamForm::BuildAboutPage},
  };
  for (const auto& page : pages) {
    auto* widget = new QWidget;
    widget->setObjectName(QString::fromLatin1(page.name));
    pageControl_->addTab(widget, QString::fromUtf8(page.caption));
    (this->*page.build)(widget);
  }
  pageControl_->setCurrentIndex(0);

  buttonOk_ = new QPushButton(QStringLiteral("OK"), this);
  buttonOk_->setObjectName(QStringLiteral("ButtonOk"));
  buttonOk_->setGeometry(126, 259, 75, 25);
  buttonOk_->setDefault(true);
  buttonCancel_ = new QPushButton(QStringLiteral("Annuler"), this);
  buttonCancel_->setObjectName(QStringLiteral("ButtonCancel"));
  buttonCancel_->setGeometry(207, 259, 75, 25);
  QObject::connect(buttonOk_, &QPushButton::clicked, this, [this] { OkClick(); });
  QObject::connect(buttonCancel_, &QPushButton::clicked, this, [this] { reject(); });

  Load();
}

// Destroying the window moves the focus and may have its controls signal; by then the dialog's
// own members are gone, so nothing may reach its handlers any more.
TParamForm::~TParamForm() {
  editDuree_->SetOnFocus({});
  upDownDuree_->SetOnClick({});
  upDownStartDelay_->SetOnClick({});
  for (QObject* child : findChildren<QObject*>()) child->blockSignals(true);
}

void TParamForm::BuildConnexionsPage(QWidget* page) {
  cnxListBox_ = new QListWidget(page);
  cnxListBox_->setObjectName(QStringLiteral("CnxListBox"));
  cnxListBox_->setGeometry(6, 6, 260, 44);
  QObject::connect(cnxListBox_, &QListWidget::currentRowChanged, this, [this] {
    if (!filling_) ShowCnx();
  });

  groupDuree_ = new QGroupBox(QStringLiteral(" Durée "), page);
  groupDuree_->setObjectName(QStringLiteral("GroupDuree"));
  groupDuree_->setGeometry(6, 54, 260, 76);
  editDuree_ = new TDureeEdit(groupDuree_);
  editDuree_->setObjectName(QStringLiteral("EditDuree"));
  editDuree_->setGeometry(10, 20, 66, 22);
  editDuree_->setText(Q(std::string(kZeroDuree)));
  upDownDuree_ = new TUpDown(groupDuree_);
  upDownDuree_->setObjectName(QStringLiteral("UpDownDuree"));
  upDownDuree_->setGeometry(76, 20, 16, 22);
  upDownDuree_->setEnabled(false);
  upDownDuree_->SetOnClick([this](int step) { DureeArrowClick(step); });
  editDuree_->SetOnFocus([this](bool focused) { upDownDuree_->setEnabled(focused); });

  dureeMenu_ = new QMenu(editDuree_);
  razDureeAction_ = dureeMenu_->addAction(QStringLiteral("&Remise à zéro"));
  razDureeAction_->setObjectName(QStringLiteral("MIRazDuree"));
  QObject::connect(razDureeAction_, &QAction::triggered, this, [this] { ResetDuree(); });
  editDuree_->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(editDuree_, &QWidget::customContextMenuRequested, this,
                   [this](const QPoint& pos) { dureeMenu_->exec(editDuree_->mapToGlobal(pos)); });

  // A sibling drawn over the frame rather than its child: greying the frame must leave it on.
  razCheckBox_ = new QCheckBox(QStringLiteral("&Remise à zéro auto."), page);
  razCheckBox_->setObjectName(QStringLiteral("RaZCheckBox"));
  razCheckBox_->setGeometry(112, 75, 148, 18);
  razCheckBox_->setToolTip(QStringLiteral("Remise à zéro en début de mois"));
  QObject::connect(razCheckBox_, &QCheckBox::clicked, this, [this](bool checked) {
    if (const int row = SelectedCnx(); row >= 0) cnxParams_[row].RaZAuto = checked;
  });

  // The monthly quota, in the total's frame: greyed with it while the entry is counted.
  auto* quotaLabel = new QLabel(QStringLiteral("&Quota"), groupDuree_);
  quotaLabel->setObjectName(QStringLiteral("LabelQuota"));
  quotaLabel->setGeometry(10, 51, 32, 16);
  quotaHours_ = new QSpinBox(groupDuree_);
  quotaHours_->setObjectName(QStringLiteral("QuotaHours"));
  quotaHours_->setGeometry(42, 48, 48, 22);
  quotaHours_->setRange(0, kMaxDureeHours);
  quotaHours_->setToolTip(QStringLiteral("Quota mensuel (heures) ; 0 h 0 min : aucun"));
  quotaLabel->setBuddy(quotaHours_);
  auto* hoursLabel = new QLabel(QStringLiteral("h"), groupDuree_);
  hoursLabel->setGeometry(92, 51, 10, 16);
  quotaMinutes_ = new QSpinBox(groupDuree_);
  quotaMinutes_->setObjectName(QStringLiteral("QuotaMinutes"));
  quotaMinutes_->setGeometry(102, 48, 38, 22);
  quotaMinutes_->setRange(0, 59);
  quotaMinutes_->setToolTip(QStringLiteral("Quota mensuel (minutes)"));
  auto* minutesLabel = new QLabel(QStringLiteral("min"), groupDuree_);
  minutesLabel->setGeometry(142, 51, 20, 16);
  quotaAction_ = new QComboBox(groupDuree_);
  quotaAction_->setObjectName(QStringLiteral("QuotaAction"));
  quotaAction_->setGeometry(162, 48, 92, 22);
  quotaAction_->addItems({QStringLiteral("Avertir"), QStringLiteral("Déconnecter")});
  quotaAction_->setToolTip(
      QStringLiteral("Quota atteint : avertir seulement, ou déconnecter après 30 s d'avis"));
  for (QSpinBox* box : {quotaHours_, quotaMinutes_})
    QObject::connect(box, &QSpinBox::valueChanged, this, [this] { QuotaEdited(); });
  QObject::connect(quotaAction_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (const int row = SelectedCnx(); row >= 0 && index >= 0) cnxParams_[row].QuotaAction = index;
  });

  groupStart_ = new QGroupBox(QStringLiteral(" Démarrage du compteur "), page);
  groupStart_->setObjectName(QStringLiteral("GroupStart"));
  groupStart_->setGeometry(6, 134, 260, 82);
  startDelayEdit_ = new QLineEdit(QStringLiteral("0"), groupStart_);
  startDelayEdit_->setObjectName(QStringLiteral("StartDelayEdit"));
  startDelayEdit_->setGeometry(10, 24, 30, 22);
  startDelayEdit_->setReadOnly(true);
  startDelayEdit_->setAlignment(Qt::AlignRight);
  startDelayEdit_->setContextMenuPolicy(Qt::NoContextMenu);
  upDownStartDelay_ = new TUpDown(groupStart_);
  upDownStartDelay_->setObjectName(QStringLiteral("UpDownStartDelay"));
  upDownStartDelay_->setGeometry(40, 24, 16, 22);
  upDownStartDelay_->SetRange(0, 99);
  upDownStartDelay_->SetOnClick([this](int) { StartDelayArrowClick(); });
  auto* secApres = new QLabel(QStringLiteral("sec. après"), groupStart_);
  secApres->setObjectName(QStringLiteral("LabelSecApres"));
  secApres->setGeometry(62, 27, 60, 16);
  const char* events[] = {"&Numérotation", "A&uthentification", "C&onnexion"};
  const char* eventNames[] = {"NumRadioButton", "AuthRadioButton", "ConnRadioButton"};
  for (int tag = 0; tag < 3; ++tag) {
    auto* button = new QRadioButton(QString::fromUtf8(events[tag]), groupStart_);
    button->setObjectName(QString::fromLatin1(eventNames[tag]));
    button->setGeometry(128, 16 + tag * 20, 126, 18);
    QObject::connect(button, &QRadioButton::clicked, this, [this, tag] {
      if (const int row = SelectedCnx(); row >= 0) cnxParams_[row].StartEvent = tag;
    });
    startEventButtons_.push_back(button);
  }
}

void TParamForm::BuildApplicationsPage(QWidget* page) {
  appliListBox_ = new QListWidget(page);
  appliListBox_->setObjectName(QStringLiteral("AppliListBox"));
  appliListBox_->setGeometry(6, 6, 228, 70);
  QObject::connect(appliListBox_, &QListWidget::currentRowChanged, this, [this] {
    if (!filling_) ShowAppli();
  });

  buttonAdd_ = new QToolButton(page);
  buttonAdd_->setObjectName(QStringLiteral("ButtonAdd"));
  buttonAdd_->setGeometry(240, 6, 26, 26);
  buttonAdd_->setText(QStringLiteral("+"));
  buttonAdd_->setToolTip(QStringLiteral("Ajouter"));
  QObject::connect(buttonAdd_, &QToolButton::clicked, this, [this] { AddClick(); });
  buttonRemove_ = new QToolButton(page);
  buttonRemove_->setObjectName(QStringLiteral("ButtonRemove"));
  buttonRemove_->setGeometry(240, 36, 26, 26);
  buttonRemove_->setText(QStringLiteral("−"));
  buttonRemove_->setToolTip(QStringLiteral("Enlever"));
  buttonRemove_->setEnabled(false);
  QObject::connect(buttonRemove_, &QToolButton::clicked, this, [this] { RemoveClick(); });
  QFont signs = buttonAdd_->font();
  signs.setBold(true);
  signs.setPixelSize(15);
  buttonAdd_->setFont(signs);
  buttonRemove_->setFont(signs);

  auto* description = new QLabel(QStringLiteral("Description :"), page);
  description->setGeometry(6, 82, 76, 16);
  lblDescription_ = new QLabel(page);
  lblDescription_->setObjectName(QStringLiteral("LblDescription"));
  lblDescription_->setGeometry(84, 82, 182, 16);
  auto* location = new QLabel(QStringLiteral("Emplacement :"), page);
  location->setGeometry(6, 100, 76, 16);
  lblDir_ = new TPathLabel(page);
  lblDir_->setObjectName(QStringLiteral("LblDir"));
  lblDir_->move(84, 100);
  lblDir_->setFixedWidth(180);

  auto* options = new QGroupBox(QStringLiteral(" Options "), page);
  options->setObjectName(QStringLiteral("GroupOptions"));
  options->setGeometry(6, 120, 260, 72);
  labelDelay_ = new QLabel(QStringLiteral("Délai (ms)"), options);
  labelDelay_->setObjectName(QStringLiteral("LabelDelay"));
  labelDelay_->setGeometry(10, 24, 58, 16);
  editDelay_ = new QLineEdit(options);
  editDelay_->setObjectName(QStringLiteral("EditDelay"));
  editDelay_->setGeometry(68, 21, 44, 22);
  // Four digits at most get in, typed or pasted. A validator rather than a maximum length: a
  // longer delay from the file is shown as it is, not cut down by being shown.
  editDelay_->setValidator(new QRegularExpressionValidator(
      QRegularExpression(QStringLiteral("[0-9]{0,4}")), editDelay_));
  QObject::connect(editDelay_, &QLineEdit::textChanged, this,
                   [this](const QString& text) { DelayTextChanged(text); });
  labelWindow_ = new QLabel(QStringLiteral("Fenêtre"), options);
  labelWindow_->setObjectName(QStringLiteral("LabelWindow"));
  labelWindow_->setGeometry(124, 24, 44, 16);
  comboBoxWindow_ = new QComboBox(options);
  comboBoxWindow_->setObjectName(QStringLiteral("ComboBoxWindow"));
  comboBoxWindow_->setGeometry(168, 21, 84, 22);
  comboBoxWindow_->addItems(
      {QStringLiteral("Normale"), QStringLiteral("Agrandie"), QStringLiteral("Réduite")});
  QObject::connect(comboBoxWindow_, &QComboBox::activated, this, [this](int index) {
    if (const int row = SelectedAppli(); row >= 0) editApplis_[row].WindowState = index;
  });
  closeCheckBox_ = new QCheckBox(QStringLiteral("Fermer à la déconnexion"), options);
  closeCheckBox_->setObjectName(QStringLiteral("CloseCheckBox"));
  closeCheckBox_->setGeometry(10, 48, 200, 18);
  QObject::connect(closeCheckBox_, &QCheckBox::clicked, this, [this](bool checked) {
    if (const int row = SelectedAppli(); row >= 0) editApplis_[row].CloseOnDisconnect = checked;
  });
  for (QWidget* w : std::initializer_list<QWidget*>{labelDelay_, editDelay_, labelWindow_,
                                                    comboBoxWindow_, closeCheckBox_}) {
    w->setEnabled(false);
  }

  offLineCheckBox_ = new QCheckBox(QStringLiteral("Modifier l'état OnLine/OffLine"), page);
  offLineCheckBox_->setObjectName(QStringLiteral("OffLineCheckBox"));
  offLineCheckBox_->setGeometry(8, 198, 258, 18);
  if (!offLineUnavailable_.empty()) {
    offLineCheckBox_->setEnabled(false);
    offLineCheckBox_->setToolTip(Q(offLineUnavailable_));
  }
}

void TParamForm::BuildPreferencesPage(QWidget* page) {
  startWCheckBox_ = new QCheckBox(QStringLiteral("&Lancer à l'ouverture de session"), page);
  startWCheckBox_->setObjectName(QStringLiteral("StartWCheckBox"));
  startWCheckBox_->setGeometry(10, 12, 256, 18);

  auto* visible = new QGroupBox(QStringLiteral(" Visible "), page);
  visible->setObjectName(QStringLiteral("GroupVisible"));
  visible->setGeometry(6, 40, 260, 88);
  const char* captions[] = {"&Toujours", "P&endant la connexion", "&Jamais"};
  const char* names[] = {"VTjsRadioButton", "VCnxRadioButton", "VJmsRadioButton"};
  for (int tag = 0; tag < 3; ++tag) {
    auto* button = new QRadioButton(QString::fromUtf8(captions[tag]), visible);
    button->setObjectName(QString::fromLatin1(names[tag]));
    button->setGeometry(14, 22 + tag * 20, 236, 18);
    visibleButtons_.push_back(button);
  }
}

QLabel* TParamForm::MakeLinkLabel(QWidget* parent, const QString& caption, const QString& hint,
                                  const QUrl& target) {
  auto* label = new TLinkLabel(caption, parent, [this, target] {
    if (openUrl_) openUrl_(target);
  });
  label->setToolTip(hint);
  return label;
}

void TParamForm::BuildAboutPage(QWidget* page) {
  auto* icon = new QLabel(page);
  icon->setObjectName(QStringLiteral("ImageIcon"));
  icon->setGeometry(14, 12, 32, 32);
  icon->setPixmap(ProgramIcon(32));

  auto* name = new QLabel(QStringLiteral("Chronolin"), page);
  name->setObjectName(QStringLiteral("LabelName"));
  QFont big = name->font();
  big.setPixelSize(24);
  big.setBold(true);
  name->setFont(big);
  name->setGeometry(60, 8, 200, 30);
  auto* date = new QLabel(QStringLiteral("Mars 2005"), page);
  date->setObjectName(QStringLiteral("LabelDate"));
  date->setGeometry(62, 40, 80, 16);
  auto* system = new QLabel(PlatformLabel(), page);
  system->setObjectName(QStringLiteral("LabelSystem"));
  system->setGeometry(150, 40, 110, 16);
  // The program has no public home page or mail address yet: no links until it has.

  auto* line = new QFrame(page);
  line->setObjectName(QStringLiteral("Separator"));
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  line->setGeometry(6, 104, 260, 4);

  auto* uses =
      new QLabel(QStringLiteral("Ce logiciel utilise les composants (freeware) suivants :"), page);
  uses->setObjectName(QStringLiteral("LabelComponents"));
  uses->setGeometry(4, 114, 266, 16);

  // What the shipped program is built with (the test tools are not part of it).
  const struct {
    const char* component;
    const char* home;
  } credits[] = {
      {"Qt", "www.qt.io"},
  };
  int y = 136;
  for (const auto& credit : credits) {
    auto* label = new QLabel(QString::fromLatin1(credit.component), page);
    label->setGeometry(14, y, 76, 16);
    const QString home = QString::fromLatin1(credit.home);
    auto* link = MakeLinkLabel(page, home, home, QUrl(QStringLiteral("https://") + home));
    link->setGeometry(92, y, 174, 16);
    y += 20;
  }
}

void TParamForm::SetDescriber(Describer describer) {
  describe_ = std::move(describer);
  if (SelectedAppli() >= 0) ShowAppli();
}

void TParamForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (const QScreen* s = screen()) {
    const QRect area = s->availableGeometry();
    move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
  }
}

void TParamForm::Load() {
  filling_ = true;
  for (const auto& entry : entries_) {
    cnxListBox_->addItem(Q(entry));
    TCnxParam param;
    param.RaZAuto = settings_.ReadRazAutoForDialog(entry);
    param.StartDelay = settings_.ReadStartDelay(entry);
    param.Duree = settings_.ReadDuree(entry);
    param.StartEvent = settings_.ReadStartEvent(entry);
    param.Quota = settings_.ReadQuota(entry);
    param.QuotaAction = settings_.ReadQuotaAction(entry);
    loadedDuree_.push_back(param.Duree);
    loadedQuota_.push_back(param);
    cnxParams_.push_back(std::move(param));
  }

  startWCheckBox_->setChecked(settings_.ReadAutoRun());
  CheckTag(visibleButtons_, settings_.ReadVisible());
  offLineCheckBox_->setChecked(setOffLineState_);

  for (const auto& appli : applis_) {
    TAppli copy = appli;
    copy.ProcessId = 0;
    editApplis_.push_back(std::move(copy));
  }
  FillAppliList(editApplis_.empty() ? -1 : 0);
  filling_ = false;
  if (!editApplis_.empty()) {
    buttonAdd_->setEnabled(editApplis_.size() < kMaxApplis);
    ShowAppli();
  }

  filling_ = true;
  cnxListBox_->setCurrentRow(entries_.empty() ? -1 : 0);
  filling_ = false;
  ShowCnx();
}

int TParamForm::SelectedCnx() const {
  const int row = cnxListBox_->currentRow();
  return row >= 0 && row < static_cast<int>(cnxParams_.size()) ? row : -1;
}

int TParamForm::SelectedAppli() const {
  const int row = appliListBox_->currentRow();
  return row >= 0 && row < static_cast<int>(editApplis_.size()) ? row : -1;
}

void TParamForm::ShowCnx() {
  const int row = SelectedCnx();
  if (row < 0) return;
  const TCnxParam& param = cnxParams_[row];
  razCheckBox_->setChecked(param.RaZAuto);
  editDuree_->setText(Q(param.Duree));
  startDelayEdit_->setText(QString::number(param.StartDelay));
  upDownStartDelay_->SetPosition(param.StartDelay);
  CheckTag(startEventButtons_, param.StartEvent);
  {
    // Showing the entry's quota is no edit of it.
    const QSignalBlocker hours(quotaHours_);
    const QSignalBlocker minutes(quotaMinutes_);
    const QSignalBlocker action(quotaAction_);
    const QuotaHoursMinutes quota = ReadQuotaFields(param.Quota);
    quotaHours_->setValue(quota.Hours);
    quotaMinutes_->setValue(quota.Minutes);
    // An action this dialog does not know shows as no choice, and is kept.
    quotaAction_->setCurrentIndex(param.QuotaAction == 0 || param.QuotaAction == 1
                                      ? param.QuotaAction
                                      : -1);
  }

  const std::string counted = countedEntry_ ? countedEntry_() : std::string();
  const bool followed = !counted.empty() && counted == entries_[row];
  groupStart_->setEnabled(!followed);
  groupDuree_->setEnabled(!followed);
}

void TParamForm::DureeArrowClick(int step) {
  const int row = SelectedCnx();
  const int caret =
      editDuree_->hasSelectedText() ? editDuree_->selectionStart() : editDuree_->cursorPosition();
  editDuree_->deselect();
  DureeStep result;
  try {
    result = StepDureeField(editDuree_->text().toStdString(), caret, step);
  } catch (const DureeConversionError& e) {
    upDownDuree_->Release();
    ShowError(QString::fromStdString(e.what()));
    return;
  }
  if (result.Changed) editDuree_->setText(Q(result.Text));
  editDuree_->setCursorPosition(result.Caret);
  if (row >= 0) cnxParams_[row].Duree = result.Text;
}

void TParamForm::ResetDuree() {
  editDuree_->setText(Q(std::string(kZeroDuree)));
  if (const int row = SelectedCnx(); row >= 0) cnxParams_[row].Duree = kZeroDuree;
}

void TParamForm::QuotaEdited() {
  if (const int row = SelectedCnx(); row >= 0)
    cnxParams_[row].Quota = FormatQuota({quotaHours_->value(), quotaMinutes_->value()});
}

void TParamForm::StartDelayArrowClick() {
  const int position = upDownStartDelay_->Position();
  startDelayEdit_->setText(QString::number(position));
  if (const int row = SelectedCnx(); row >= 0) cnxParams_[row].StartDelay = position;
}

void TParamForm::FillAppliList(int selected) {
  const bool wasFilling = filling_;
  filling_ = true;
  appliListBox_->clear();
  for (const auto& appli : editApplis_) appliListBox_->addItem(Q(AppliFileName(appli.CmdLine)));
  appliListBox_->setCurrentRow(selected);
  filling_ = wasFilling;
}

void TParamForm::ShowAppli() {
  const int row = SelectedAppli();
  buttonRemove_->setEnabled(row >= 0);
  const bool selected = row >= 0;
  for (QWidget* w : std::initializer_list<QWidget*>{labelDelay_, editDelay_, labelWindow_,
                                                    comboBoxWindow_, closeCheckBox_}) {
    w->setEnabled(selected);
  }
  if (!selected) {
    lblDescription_->clear();
    lblDir_->SetCaption(QString());
    editDelay_->clear();
    closeCheckBox_->setChecked(false);
    return;
  }
  const std::string cmdLine = editApplis_[row].CmdLine;
  lblDescription_->setText(Q(describe_ ? describe_(cmdLine) : std::string()));
  lblDir_->SetCaption(Q(AppliDirectory(cmdLine)));
  // Filling the delay may move the entry to its place in the delay order.
  editDelay_->setText(QString::number(editApplis_[row].Delay));
  const int now = SelectedAppli();
  if (now < 0) return;
  comboBoxWindow_->setCurrentIndex(std::clamp(editApplis_[now].WindowState, 0, 2));
  closeCheckBox_->setChecked(editApplis_[now].CloseOnDisconnect);
}

void TParamForm::DelayTextChanged(const QString& text) {
  const int row = SelectedAppli();
  if (row < 0) return;
  const auto delay = ParseDelayText(text.toStdString());
  if (!delay) {
    editApplis_[row].Delay = 0;
    editDelay_->setText(QStringLiteral("0"));  // comes back here with "0"
    return;
  }
  const AppliMove move = SetAppliDelay(editApplis_, static_cast<std::size_t>(row), *delay);
  if (move.Sorted) FillAppliList(static_cast<int>(move.Index));
}

void TParamForm::AddClick() {
  if (editApplis_.size() >= kMaxApplis || !chooseFile_) return;
  const auto file = chooseFile_(this);
  if (!file) return;
  TAppli appli;
  appli.CmdLine = *file;
  appli.Delay = static_cast<std::int32_t>(editApplis_.size() + 1) * kAppliDelayStep;
  appli.WindowState = 0;
  appli.CloseOnDisconnect = true;
  // A name the "Appli" section cannot hold is refused now rather than at OK.
  try {
    FormatAppliValue(appli);
  } catch (const std::invalid_argument& e) {
    ShowError(QString::fromStdString(e.what()));
    return;
  }
  editApplis_.push_back(std::move(appli));
  FillAppliList(static_cast<int>(editApplis_.size()) - 1);
  buttonAdd_->setEnabled(editApplis_.size() < kMaxApplis);
  ShowAppli();
}

void TParamForm::RemoveClick() {
  const int row = SelectedAppli();
  if (row < 0) return;
  editApplis_.erase(editApplis_.begin() + row);
  FillAppliList(editApplis_.empty() ? -1 : std::max(row - 1, 0));
  buttonAdd_->setEnabled(true);
  ShowAppli();
}

int TParamForm::VisibleMode() const {
  if (VTjsRadioButton()->isChecked()) return 0;
  if (VCnxRadioButton()->isChecked()) return 1;
  return 2;
}

bool TParamForm::StartWithSession() const {
  return startWCheckBox_->isChecked();
}

// A failed write stops the saving with its message; the dialog still closes with OK, as what
// was written is written.
void TParamForm::OkClick() {
  try {
    WriteSettings();
  } catch (const std::exception& e) {
    ShowError(QString::fromStdString(e.what()));
  }
  accept();
}

void TParamForm::WriteSettings() {
  settings_.WriteAutoRun(startWCheckBox_->isChecked());
  settings_.WriteVisible(VisibleMode());
  // An entry whose name the file cannot hold (a line break) is said once and skipped: the
  // other entries, the applications and the offline choice are still written.
  std::vector<std::string> unstorable;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const std::string& entry = entries_[i];
    const TCnxParam& param = cnxParams_[i];
    try {
      settings_.WriteRazAuto(entry, param.RaZAuto);
      // An unchanged total is written as the file holds it now: the counter may have stored a
      // finished connection while the dialog was open.
      settings_.WriteDuree(
          entry, param.Duree == loadedDuree_[i] ? settings_.ReadDuree(entry) : param.Duree);
      settings_.WriteStartDelay(entry, param.StartDelay);
      settings_.WriteStartEvent(entry, param.StartEvent);
      if (param.Quota != loadedQuota_[i].Quota) settings_.WriteQuota(entry, param.Quota);
      if (param.QuotaAction != loadedQuota_[i].QuotaAction)
        settings_.WriteQuotaAction(entry, param.QuotaAction);
    } catch (const std::invalid_argument& e) {
      unstorable.emplace_back(e.what());
    }
  }

  // The list in memory is replaced whole even if the file cannot take it; the file keeps
  // either its old list or the new one.
  applis_.clear();
  for (const auto& appli : editApplis_) {
    TAppli copy = appli;
    copy.ProcessId = 0;
    applis_.push_back(std::move(copy));
  }
  settings_.WriteApplis(applis_);

  setOffLineState_ = offLineCheckBox_->isChecked();
  settings_.WriteSetOffLineState(setOffLineState_);
  for (const auto& message : unstorable) ShowError(QString::fromStdString(message));
}

void TParamForm::ShowError(const QString& message) {
  if (showError_) {
    showError_(message);
    return;
  }
  QMessageBox::critical(this, QGuiApplication::applicationDisplayName(), message);
}

std::optional<ParamOutcome> RunParamDialog(QWidget* parent, const ParamFormContext& context,
                                           const std::filesystem::path& executable,
                                           const std::function<void(TParamForm&)>& prepare) {
  TParamForm form(parent, context);
  if (prepare) prepare(form);
  if (form.exec() != QDialog::Accepted) return std::nullopt;
  const ParamOutcome outcome{form.VisibleMode(), form.StartWithSession()};
  SetAutostart(outcome.StartWithSession, executable);
  return outcome;
}

}  // namespace chronolin
