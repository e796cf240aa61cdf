// The settings dialog driven as a user would, on Qt's offscreen platform.
#include "settings/param_form.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHeaderView>
#include <QTimer>
#include <QTreeView>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <deque>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>

#include "components/french_texts.h"
#include "components/path_label.h"
#include "ini_fixture.h"

namespace chronolin {
namespace {

namespace fs = std::filesystem;

// One application object for the whole run, on the offscreen platform unless told otherwise.
class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[19] = "settings_gui_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};
[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// Clicks a check or radio box on its box, where a click toggles it.
void Tick(QAbstractButton* button) {
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

class ParamFormTest : public IniFixture {
 protected:
  void SetUp() override {
    IniFixture::SetUp();
    settings_.emplace(Ini(), regional_);
  }

  std::unique_ptr<TParamForm> Open() {
    const ParamFormContext context{*settings_, entries_, [this] { return counted_; }, applis_,
                                   offLine_};
    auto form = std::make_unique<TParamForm>(nullptr, context);
    form->SetErrorReporter([this](const QString& m) { errors_.push_back(m.toStdString()); });
    form->SetFileChooser([this](QWidget*) -> std::optional<std::string> {
      if (files_.empty()) return std::nullopt;
      std::string file = files_.front();
      files_.pop_front();
      return file;
    });
    form->SetUrlOpener([this](const QUrl& url) { urls_.push_back(url.toString().toStdString()); });
    form->SetDescriber([](const std::string& cmdLine) { return "about " + cmdLine; });
    form->show();
    return form;
  }

  // Shows the dialog and gives the duration edit the focus, as a click in it would.
  static void FocusDuree(TParamForm& form) {
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.EditDuree()->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(form.EditDuree()->hasFocus());
  }

  static void Arrow(TParamForm& form, int caret, int step) {
    form.EditDuree()->setCursorPosition(caret);
    TUpDown* arrows = form.UpDownDuree();
    QTest::mouseClick(step > 0 ? arrows->UpButton() : arrows->DownButton(), Qt::LeftButton);
  }

  static void Select(QListWidget* list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
  }

  static std::vector<std::string> Items(const QListWidget* list) {
    std::vector<std::string> items;
    for (int i = 0; i < list->count(); ++i) items.push_back(list->item(i)->text().toStdString());
    return items;
  }

  static std::vector<std::int32_t> Delays(const TAppliList& applis) {
    std::vector<std::int32_t> delays;
    for (const auto& a : applis) delays.push_back(a.Delay);
    return delays;
  }
  static void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

  static TAppli App(std::string cmdLine, std::int32_t delay, std::uint32_t pid = 0) {
    TAppli a;
    a.ProcessId = pid;
    a.CmdLine = std::move(cmdLine);
    a.Delay = delay;
    return a;
  }

  Regional regional_ = Regional::French();
  std::optional<SettingsFile> settings_;
  std::vector<std::string> entries_{"Maison", "Bureau", "Secours"};
  std::string counted_;
  TAppliList applis_;
  bool offLine_ = true;
  std::deque<std::string> files_;
  std::vector<std::string> errors_;
  std::vector<std::string> urls_;
};

TEST_F(ParamFormTest, ApplicationListEnablingDelaysAndTheTenthApplication) {
  auto form = Open();
  const std::vector<QWidget*> options{form->LabelDelay(), form->EditDelay(), form->LabelWindow(),
                                      form->ComboBoxWindow(), form->CloseCheckBox()};
  const auto optionsEnabled = [&options](bool enabled) {
    for (QWidget* w : options) EXPECT_EQ(w->isEnabled(), enabled) << w->objectName().toStdString();
  };
  EXPECT_TRUE(form->ButtonAdd()->isEnabled());
  EXPECT_FALSE(form->ButtonRemove()->isEnabled());
  optionsEnabled(false);

  files_.push_back("/opt/a,b/prog");  // the "Appli" section could not hold it
  Click(form->ButtonAdd());
  EXPECT_EQ(form->AppliListBox()->count(), 0);
  ASSERT_EQ(errors_.size(), 1u);

  for (int i = 1; i <= 11; ++i) files_.push_back("/opt/outils/prog" + std::to_string(i));
  for (int i = 1; i <= 3; ++i) Click(form->ButtonAdd());
  EXPECT_EQ(Delays(form->EditApplis()), (std::vector<std::int32_t>{500, 1000, 1500}));
  // The new one is selected and shown.
  EXPECT_EQ(form->AppliListBox()->currentItem()->text(), QStringLiteral("prog3"));
  EXPECT_EQ(form->EditDelay()->text(), QStringLiteral("1500"));
  EXPECT_EQ(form->LblDir()->Caption(), QStringLiteral("/opt/outils"));
  EXPECT_EQ(form->LblDescription()->text(), QStringLiteral("about /opt/outils/prog3"));
  EXPECT_TRUE(form->CloseCheckBox()->isChecked());
  EXPECT_TRUE(form->ButtonRemove()->isEnabled());
  optionsEnabled(true);

  for (int i = 4; i <= 10; ++i) Click(form->ButtonAdd());
  EXPECT_EQ(form->EditApplis().back().Delay, 5000);
  EXPECT_FALSE(form->ButtonAdd()->isEnabled());
  Click(form->ButtonAdd());
  EXPECT_EQ(form->EditApplis().size(), 10u);

  // Removing selects the one before (the first when the first went) and enables adding.
  Select(form->AppliListBox(), 4);
  Click(form->ButtonRemove());
  EXPECT_TRUE(form->ButtonAdd()->isEnabled());
  EXPECT_EQ(form->AppliListBox()->currentItem()->text(), QStringLiteral("prog4"));
  Select(form->AppliListBox(), 0);
  Click(form->ButtonRemove());
  EXPECT_EQ(form->AppliListBox()->currentItem()->text(), QStringLiteral("prog2"));
  while (form->AppliListBox()->count() > 0) Click(form->ButtonRemove());
  EXPECT_FALSE(form->ButtonRemove()->isEnabled());
  optionsEnabled(false);
  EXPECT_TRUE(form->EditDelay()->text().isEmpty());
}

TEST_F(ParamFormTest, DelayChangeResortsKeepsTheSelectionAndEmptyMeansZero) {
  applis_ = {App("/bin/a", 500), App("/bin/b", 1000), App("/bin/c", 1500)};
  auto form = Open();
  Select(form->AppliListBox(), 1);
  QLineEdit* delay = form->EditDelay();
  delay->selectAll();
  QTest::keyClicks(delay, "2x000");  // digits only
  EXPECT_EQ(Items(form->AppliListBox()), (std::vector<std::string>{"a", "c", "b"}));
  EXPECT_EQ(form->AppliListBox()->currentRow(), 2);
  EXPECT_EQ(delay->text(), QStringLiteral("2000"));
  EXPECT_EQ(Delays(form->EditApplis()), (std::vector<std::int32_t>{500, 1500, 2000}));

  // Backspace to nothing: "0", first in the order, still the same entry.
  for (int i = 0; i < 4; ++i) QTest::keyClick(delay, Qt::Key_Backspace);
  EXPECT_EQ(delay->text(), QStringLiteral("0"));
  EXPECT_EQ(Items(form->AppliListBox()), (std::vector<std::string>{"b", "a", "c"}));
  EXPECT_EQ(form->AppliListBox()->currentRow(), 0);
  EXPECT_EQ(form->EditApplis()[0].Delay, 0);
}

TEST_F(ParamFormTest, DurationArrowsWorkOnTheCaretsFieldWithinItsBounds) {
  Put("[Maison]\r\nDurée=09:59:59\r\n[Bureau]\r\nDurée=123:04:05\r\n"
      "[Secours]\r\nDurée=-- : -- : --\r\n");
  auto form = Open();
  EXPECT_FALSE(form->UpDownDuree()->isEnabled());
  FocusDuree(*form);
  EXPECT_TRUE(form->UpDownDuree()->isEnabled());
  const auto text = [&form] { return form->EditDuree()->text().toStdString(); };
  // The caret is seen, though nothing can be typed.
  form->EditDuree()->setCursorPosition(0);
  const QImage atStart = form->EditDuree()->grab().toImage();
  form->EditDuree()->setCursorPosition(4);
  EXPECT_NE(form->EditDuree()->grab().toImage(), atStart);
  QTest::keyClicks(form->EditDuree(), "5");
  EXPECT_EQ(text(), "09:59:59");

  Arrow(*form, 4, +1);  // 60 minutes: nothing, no carry
  Arrow(*form, 8, +1);
  EXPECT_EQ(text(), "09:59:59");
  Arrow(*form, 1, +1);
  EXPECT_EQ(text(), "10:59:59");
  EXPECT_EQ(form->CnxParams()[0].Duree, "10:59:59");
  form->RazDureeAction()->trigger();
  EXPECT_EQ(form->CnxParams()[0].Duree, "00:00:00");
  for (int caret : {0, 3, 6}) Arrow(*form, caret, -1);  // every field at 0
  EXPECT_EQ(text(), "00:00:00");
  Arrow(*form, 6, +1);
  Arrow(*form, 3, +1);
  EXPECT_EQ(text(), "00:01:01");

  // A total of 100 hours or more moves on its wider hour field.
  form->CnxListBox()->setCurrentRow(1);
  Arrow(*form, 3, +1);
  EXPECT_EQ(form->CnxParams()[1].Duree, "124:04:05");
  // Fields that are not numbers: the conversion error, and the text stays.
  form->CnxListBox()->setCurrentRow(2);
  Arrow(*form, 1, +1);
  EXPECT_EQ(text(), "-- : -- : --");
  EXPECT_EQ(errors_, (std::vector<std::string>{"'-- ' n'est pas un nombre entier valide"}));

  form->CnxListBox()->setFocus();
  QApplication::processEvents();
  EXPECT_FALSE(form->UpDownDuree()->isEnabled());
}

TEST_F(ParamFormTest, StartDelayArrowsStayWithin0And99) {
  Put("[Maison]\r\nStartDelay=98\r\n");
  auto form = Open();
  TUpDown* arrows = form->UpDownStartDelay();
  for (int i = 0; i < 3; ++i) Click(arrows->UpButton());
  EXPECT_EQ(form->StartDelayEdit()->text(), QStringLiteral("99"));
  EXPECT_EQ(form->CnxParams()[0].StartDelay, 99);
  form->CnxListBox()->setCurrentRow(1);
  Click(arrows->DownButton());
  EXPECT_EQ(form->StartDelayEdit()->text(), QStringLiteral("0"));
}

TEST_F(ParamFormTest, TheCountedEntryIsGreyedButItsMonthlyResetIsNot) {
  counted_ = "Bureau";
  auto form = Open();
  const auto startControls = [&form] {
    return std::vector<QWidget*>{form->GroupStart(),        form->StartDelayEdit(),
                                 form->UpDownStartDelay(),  form->StartEventButton(0),
                                 form->StartEventButton(1), form->StartEventButton(2),
                                 form->GroupDuree(),        form->EditDuree()};
  };
  for (QWidget* w : startControls()) EXPECT_TRUE(w->isEnabled());
  Select(form->CnxListBox(), 1);
  for (QWidget* w : startControls()) EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
  EXPECT_FALSE(form->UpDownDuree()->isEnabled());
  EXPECT_TRUE(form->RaZCheckBox()->isEnabled());
  Tick(form->RaZCheckBox());
  EXPECT_FALSE(form->CnxParams()[1].RaZAuto);

  // The counting may end while the dialog is open: the next showing sees it.
  counted_.clear();
  Select(form->CnxListBox(), 2);
  Select(form->CnxListBox(), 1);
  for (QWidget* w : startControls()) EXPECT_TRUE(w->isEnabled());
}

TEST_F(ParamFormTest, AnUnknownVisibleValueChecksNothingAndOkWrites2) {
  Put("[Paramètres]\r\nVisible=5\r\nStartEvent=9\r\n[Maison]\r\nStartEvent=9\r\n");
  auto form = Open();
  EXPECT_FALSE(form->VTjsRadioButton()->isChecked());
  EXPECT_FALSE(form->VCnxRadioButton()->isChecked());
  EXPECT_FALSE(form->VJmsRadioButton()->isChecked());
  for (int tag = 0; tag < 3; ++tag) EXPECT_FALSE(form->StartEventButton(tag)->isChecked());
  Click(form->ButtonOk());
  EXPECT_EQ(form->result(), QDialog::Accepted);
  EXPECT_EQ(form->VisibleMode(), 2);
  EXPECT_EQ(settings_->ReadVisible(), 2);
  EXPECT_EQ(settings_->ReadStartEvent("Maison"), 9);  // written back as it was read
}

TEST_F(ParamFormTest, OkWritesEverythingInOrderAndReplacesTheList) {
  entries_ = {"Maison", "Bureau"};
  applis_ = {App("/bin/a", 500, 4242)};
  auto form = Open();
  Tick(form->StartEventButton(1));
  Tick(form->RaZCheckBox());
  files_.push_back("/usr/bin/b");
  Click(form->ButtonAdd());
  Tick(form->VJmsRadioButton());
  Tick(form->StartWCheckBox());
  Tick(form->OffLineCheckBox());
  Click(form->ButtonOk());

  EXPECT_EQ(form->result(), QDialog::Accepted);
  EXPECT_TRUE(errors_.empty());
  EXPECT_EQ(Slurp(),
            "[Paramètres]\r\nAutoRun=1\r\nVisible=2\r\nSetOffLineState=0\r\n\r\n"
            "[Maison]\r\nRàZAuto=0\r\nDurée=00:00:00\r\nStartDelay=0\r\nStartEvent=1\r\n\r\n"
            "[Bureau]\r\nRàZAuto=1\r\nDurée=00:00:00\r\nStartDelay=0\r\nStartEvent=2\r\n\r\n"
            "[Appli]\r\n1=/bin/a,500,0,1\r\n2=/usr/bin/b,1000,0,1\r\n");
  ASSERT_EQ(applis_.size(), 2u);
  EXPECT_EQ(applis_[0].ProcessId, 0u);  // the started one is no longer linked
  EXPECT_EQ(applis_[1].CmdLine, "/usr/bin/b");
  EXPECT_FALSE(offLine_);
  EXPECT_TRUE(form->StartWithSession());
}

TEST_F(ParamFormTest, OkWritesEveryEntryTheFileCanHoldAndSaysOnceWhichItCannot) {
  entries_ = {"Orange [3G]", "Ligne\nbrisée", "Secours"};
  applis_ = {App("/bin/a", 500)};
  auto form = Open();
  Tick(form->OffLineCheckBox());
  Click(form->ButtonOk());
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_NE(errors_[0].find("Ligne"), std::string::npos);
  EXPECT_EQ(settings_->Sections(),
            (std::vector<std::string>{"Paramètres", "Orange [3G]", "Secours", "Appli"}));
  EXPECT_TRUE(settings_->ReadRazAutoForReset("Orange [3G]"));
  EXPECT_EQ(settings_->ReadApplis().size(), 1u);
  EXPECT_FALSE(settings_->ReadSetOffLineState());
}

TEST_F(ParamFormTest, CancelLeavesFileListAndOfflineFlagUntouched) {
  const std::string before = "[Paramètres]\r\nVisible=0\r\n[Maison]\r\nDurée=01:00:00\r\n";
  Put(before);
  applis_ = {App("/bin/a", 500, 77)};
  auto form = Open();
  FocusDuree(*form);
  Arrow(*form, 0, +1);
  Click(form->ButtonRemove());
  files_.push_back("/usr/bin/b");
  Click(form->ButtonAdd());
  Tick(form->OffLineCheckBox());
  Tick(form->VJmsRadioButton());
  Tick(form->StartWCheckBox());
  Click(form->ButtonCancel());

  EXPECT_EQ(form->result(), QDialog::Rejected);
  EXPECT_EQ(Slurp(), before);
  ASSERT_EQ(applis_.size(), 1u);
  EXPECT_EQ(applis_[0], App("/bin/a", 500, 77));
  EXPECT_TRUE(offLine_);
}

TEST_F(ParamFormTest, ATotalStoredWhileOpenIsNotOverwrittenUnlessEdited) {
  Put("[Maison]\r\nDurée=01:00:00\r\n[Bureau]\r\nDurée=02:00:00\r\n");
  auto form = Open();
  FocusDuree(*form);
  Arrow(*form, 0, +1);  // Maison edited to 02:00:00
  // Meanwhile the counter ends connections of both entries.
  settings_->WriteDuree("Maison", "01:30:00");
  settings_->WriteDuree("Bureau", "02:45:00");
  Click(form->ButtonOk());
  EXPECT_EQ(settings_->ReadDuree("Maison"), "02:00:00");  // the user's edit wins
  EXPECT_EQ(settings_->ReadDuree("Bureau"), "02:45:00");  // the counter's total is kept
}

TEST_F(ParamFormTest, OffLineSwitchGreyedWithTheReasonWhereTheServiceHasNoOfflineState) {
  EXPECT_TRUE(Open()->OffLineCheckBox()->isEnabled());
  const ParamFormContext context{*settings_, entries_, [] { return std::string(); }, applis_,
                                 offLine_, "pppd n'a pas d'état hors ligne."};
  TParamForm form(nullptr, context);
  EXPECT_FALSE(form.OffLineCheckBox()->isEnabled());
  EXPECT_EQ(form.OffLineCheckBox()->toolTip(), QStringLiteral("pppd n'a pas d'état hors ligne."));
}

TEST_F(ParamFormTest, LinuxWordingAndCreditsOfWhatShips) {
  auto form = Open();
  EXPECT_EQ(form->StartWCheckBox()->text(), QStringLiteral("&Lancer à l'ouverture de session"));
  QWidget* about = form->PageControl()->widget(3);
  EXPECT_EQ(about->findChild<QLabel*>(QStringLiteral("LabelSystem"))->text(),
            QStringLiteral("(Linux)"));
  // No placeholder links for a home and a mail the program does not have.
  EXPECT_EQ(about->findChild<QLabel*>(QStringLiteral("LinkWeb")), nullptr);
  EXPECT_EQ(about->findChild<QLabel*>(QStringLiteral("LinkMail")), nullptr);
  // The credits: Qt and its home page (hint without the scheme), nothing the program does not
  // ship with.
  std::vector<QLabel*> credits;
  for (QLabel* label : about->findChildren<QLabel*>())
    if (label->geometry().top() > 130) credits.push_back(label);
  ASSERT_EQ(credits.size(), 2u);
  EXPECT_EQ(credits[0]->text(), QStringLiteral("Qt"));
  EXPECT_EQ(credits[1]->toolTip(), QStringLiteral("www.qt.io"));
  QTest::mouseClick(credits[1], Qt::LeftButton);
  EXPECT_EQ(urls_, std::vector<std::string>{"https://www.qt.io"});
}

// The program chooser of the applications page: Qt's own file dialog, in French, its columns
// whole. With CHRONOLIN_SCREENSHOTS set, saved there as file_dialog.png.
TEST_F(ParamFormTest, TheProgramChooserSpeaksFrenchAndShowsItsColumns) {
  ASSERT_TRUE(InstallFrenchTexts(*qApp));
  const ParamFormContext context{*settings_, entries_, [] { return std::string(); }, applis_,
                                 offLine_};
  TParamForm form(nullptr, context);  // with its own chooser
  form.show();
  form.PageControl()->setCurrentIndex(1);
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    seen = true;
    dialog->setDirectory(QStringLiteral("/usr/bin"));
    auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
    QElapsedTimer clock;  // the folder is listed in the background
    clock.start();
    while (view && view->model()->rowCount(view->rootIndex()) < 2 && clock.elapsed() < 3000)
      QApplication::processEvents(QEventLoop::AllEvents, 20);
    QApplication::processEvents();
    QStringList texts;
    for (QLabel* label : dialog->findChildren<QLabel*>()) texts << label->text();
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>())
      texts << button->text();
    for (const char* english : {"Look in:", "File &name:", "Files of type:", "&Open", "Cancel"})
      EXPECT_FALSE(texts.contains(QString::fromLatin1(english))) << english;
    EXPECT_TRUE(texts.contains(QStringLiteral("Annuler"))) << texts.join(u'|').toStdString();
    EXPECT_TRUE(view && view->isVisible());
    if (view) {
      // Name, size, type and date, each wide enough for its title, all within the view.
      const QHeaderView* header = view->header();
      EXPECT_EQ(header->count(), 4);
      EXPECT_LE(header->length(), view->viewport()->width());
      for (int column = 0; column < header->count(); ++column)
        EXPECT_GE(header->sectionSize(column), header->sectionSizeHint(column)) << column;
    }
    const char* outDir = std::getenv("CHRONOLIN_SCREENSHOTS");
    if (outDir && *outDir)
      dialog->grab().save(QString::fromLocal8Bit(outDir) + QStringLiteral("/file_dialog.png"));
    dialog->reject();
  });
  QTest::mouseClick(form.ButtonAdd(), Qt::LeftButton);
  EXPECT_TRUE(seen);
  EXPECT_EQ(form.AppliListBox()->count(), 0);
}

// With CHRONOLIN_SCREENSHOTS set, the page with a quota is saved there as param_quota.png.
TEST_F(ParamFormTest, QuotaIsShownGreyedWhileCountedAndWrittenOnlyWhenChanged) {
  Put("[Maison]\r\nDurée=09:00:00\r\nQuota=00:00:05\r\nQuotaAction=1\r\n"
      "[Bureau]\r\nDurée=01:00:00\r\nQuotaAction=7\r\n");
  counted_ = "Secours";
  auto form = Open();
  // A few seconds show as a minute, not as no quota at all.
  EXPECT_EQ(form->QuotaHoursEdit()->value(), 0);
  EXPECT_EQ(form->QuotaMinutesEdit()->value(), 1);
  EXPECT_EQ(form->QuotaActionBox()->currentIndex(), 1);
  Select(form->CnxListBox(), 2);
  EXPECT_FALSE(form->QuotaHoursEdit()->isEnabled());
  EXPECT_FALSE(form->QuotaActionBox()->isEnabled());
  Select(form->CnxListBox(), 1);
  EXPECT_EQ(form->QuotaMinutesEdit()->value(), 0);
  EXPECT_EQ(form->QuotaActionBox()->currentIndex(), -1);  // unknown: no choice shown
  form->QuotaHoursEdit()->setValue(120);
  form->QuotaMinutesEdit()->setValue(30);
  form->QuotaActionBox()->setCurrentIndex(1);
  QApplication::processEvents();
  if (const char* outDir = std::getenv("CHRONOLIN_SCREENSHOTS"); outDir && *outDir) {
    EXPECT_TRUE(form->grab().save(QString::fromLocal8Bit(outDir) + "/param_quota.png"));
  }
  Click(form->ButtonOk());

  EXPECT_EQ(settings_->ReadQuota("Maison"), "00:00:05");  // untouched: as it was
  EXPECT_EQ(settings_->ReadQuota("Bureau"), "120:30:00");
  EXPECT_EQ(settings_->ReadQuotaAction("Bureau"), 1);
  EXPECT_FALSE(settings_->HasQuota("Secours"));
  EXPECT_FALSE(settings_->HasQuotaAction("Secours"));
}

// Each page grabbed as the user sees it; with CHRONOLIN_SCREENSHOTS set, saved there as PNGs.
TEST_F(ParamFormTest, EveryPageDrawsItsControls) {
  Put("[Maison]\r\nDurée=12:34:56\r\nStartDelay=5\r\n[Paramètres]\r\nAutoRun=1\r\n");
  applis_ = {App("/usr/bin/xterm", 500),
             App("/home/utilisateur/Programmes/outils réseau/relevé/releve", 1500)};
  auto form = Open();
  form->SetDescriber([](const std::string& cmdLine) {
    return cmdLine == "/usr/bin/xterm" ? std::string("Émulateur de terminal")
                                       : std::string("Relevé des connexions");
  });
  form->show();
  const char* names[] = {"connexions", "applications", "preferences", "a_propos"};
  const char* outDir = std::getenv("CHRONOLIN_SCREENSHOTS");
  for (int page = 0; page < 4; ++page) {
    form->PageControl()->setCurrentIndex(page);
    if (page == 0) {
      FocusDuree(*form);
      form->EditDuree()->setCursorPosition(4);
    }
    if (page == 1) Select(form->AppliListBox(), 1);
    QApplication::processEvents();
    const QImage image = form->grab().toImage();
    ASSERT_EQ(image.size(), QSize(286, 289));
    // The page is drawn: its area holds many colours, not a blank fill.
    QSet<QRgb> colours;
    for (int y = 30; y < 240; y += 2) {
      for (int x = 10; x < 276; x += 2) colours.insert(image.pixel(x, y));
    }
    EXPECT_GT(colours.size(), 8) << names[page];
    if (outDir && *outDir) {
      const QString file = QString::fromLocal8Bit(outDir) + QStringLiteral("/param_") +
                           QString::fromLatin1(names[page]) + QStringLiteral(".png");
      EXPECT_TRUE(image.save(file)) << file.toStdString();
    }
  }
  // The long location is shortened with its full path as tooltip.
  EXPECT_TRUE(form->LblDir()->text().startsWith(QStringLiteral("/home/ ...")));
  EXPECT_EQ(form->LblDir()->toolTip(),
            QStringLiteral("/home/utilisateur/Programmes/outils réseau/relevé"));
}

}  // namespace
}  // namespace chronolin
