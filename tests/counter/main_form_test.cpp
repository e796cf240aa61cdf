// The counter window on the offscreen platform, against the simulated dial-up line.
#include "counter/main_form.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

#include <deque>
#include <memory>

#include "fakes.h"
#include "platform/profile_file.h"
#include "platform/sim_ras_provider.h"

namespace chronolin::testing {
namespace {

// Answers the message boxes the program opens, as a user would: by clicking a button.
class BoxAnswerer {
 public:
  struct Seen {
    QString title, text;
    QMessageBox::Icon icon;
    QStringList buttons;
  };

  BoxAnswerer() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Answer(); });
    timer_.start();
  }

  // The next boxes are answered with these buttons ("Oui", "Non", "OK"), in order.
  void Queue(std::initializer_list<const char*> answers) {
    for (const char* a : answers) answers_.emplace_back(QString::fromUtf8(a));
  }

  std::vector<Seen> seen;

 private:
  void Answer() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    Seen s{box->windowTitle(), box->text(), box->icon(), {}};
    const QString answer = answers_.empty() ? QStringLiteral("OK") : answers_.front();
    if (!answers_.empty()) answers_.pop_front();
    QAbstractButton* chosen = nullptr;
    for (QAbstractButton* button : box->buttons()) {
      QString text = button->text();
      text.remove(u'&');
      s.buttons << text;
      if (text == answer) chosen = button;
    }
    seen.push_back(s);
    if (chosen)
      chosen->click();
    else
      box->reject();
  }

  QTimer timer_;
  std::deque<QString> answers_;
};

class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ras = std::make_unique<SimRasProvider>(dir.path() / "ras", [this] { return lineTime; });
    settings = std::make_unique<SettingsFile>(dir.path() / "Chronolin.ini", regional);
    journal = std::make_unique<Journal>(dir.path() / "Connexions.txt", regional);
  }
  void TearDown() override {
    if (form) form->PopupMenu().hide();
  }

  void Phonebook(std::initializer_list<const char*> names) {
    for (const char* name : names) ASSERT_EQ(ras->AddEntry(name), 0u);
  }

  void Create() {
    NewForm();
    ASSERT_TRUE(form->FormCreate());
    form->Timer().SetEnabled(false);  // the tests tick by hand
  }

  void NewForm() {
    form = std::make_unique<TMainForm>(MainFormServices{*ras, clock, *settings, *journal});
    form->OnTerminate = [this] { ++terminated; };
  }

  // One second passes on the line and on the counter's clock, then the counter ticks.
  void Tick(int seconds = 1) {
    for (int i = 0; i < seconds; ++i) {
      lineTime += 1;
      clock.Advance(1000);
      form->Counter().TimerTimer();
    }
  }

  // Dials the selected entry from the menu and ticks until the connection is counted.
  void StartCounting() {
    Trigger("MISelectedCnx");
    for (int i = 0; i < 10 && !form->Counter().Counting(); ++i) Tick();
    ASSERT_TRUE(form->Counter().Counting());
  }

  void Trigger(const char* item) {
    QAction* action = form->Item(QString::fromLatin1(item));
    ASSERT_NE(action, nullptr) << item;
    action->trigger();
  }

  std::vector<std::string> Lines() const {
    std::vector<SimRasProvider::ActiveConnection> list;
    ras->ListConnections(list);
    std::vector<std::string> names;
    for (const auto& c : list) names.push_back(c.entry);
    return names;
  }

  std::string Ini(const char* section, const char* key) const {
    return ProfileFile(dir.path() / "Chronolin.ini").ReadString(section, key, "<none>");
  }

  static bool Has(const QImage& image, QRgb colour, int fromX, int toX) {
    for (int y = 0; y < image.height(); ++y)
      for (int x = fromX; x < toX; ++x)
        if (image.pixel(x, y) == colour) return true;
    return false;
  }

  TempDir dir;
  double lineTime = 1000;
  FakeClock clock;
  Regional regional = Regional::French();
  std::unique_ptr<SimRasProvider> ras;
  std::unique_ptr<SettingsFile> settings;
  std::unique_ptr<Journal> journal;
  BoxAnswerer boxes;
  std::unique_ptr<TMainForm> form;
  int terminated = 0;
};

const QRgb kNavy = qRgb(0, 0, 128);
const QRgb kPurple = qRgb(128, 0, 128);

TEST_F(MainFormTest, BorderlessStripAboveTheOthersAtTheBottomRight) {
  Phonebook({"Fournisseur"});
  Create();
  EXPECT_EQ(form->size(), QSize(117, 19));
  const Qt::WindowFlags flags = form->windowFlags();
  EXPECT_TRUE(flags & Qt::FramelessWindowHint);
  EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);  // no taskbar button
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Chronolin"));
  EXPECT_EQ(form->toolTip(), QStringLiteral("Fournisseur"));
  EXPECT_TRUE(form->isVisible());
  EXPECT_TRUE(form->TrayIcon().IconVisible());
  EXPECT_EQ(form->TrayIcon().ToolTip(), QStringLiteral("Chronolin"));

  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(form->pos(), QPoint(screen.width() - 117, screen.height() - 19 - 30));
  EXPECT_EQ(Ini("WindowPos", "X"), std::to_string(screen.width() - 117));
  EXPECT_EQ(Ini("WindowPos", "Y"), std::to_string(screen.height() - 49));
  EXPECT_EQ(Ini("Paramètres", "Cnx"), "Fournisseur");
}

TEST_F(MainFormTest, StoredPositionAndVisibilityAreUsed) {
  Phonebook({"Fournisseur"});
  settings->WriteWindowPos(10, 20);
  settings->WriteVisible(kVisibleNever);
  Create();
  EXPECT_EQ(form->pos(), QPoint(10, 20));
  EXPECT_FALSE(form->isVisible());
}

TEST_F(MainFormTest, DraggingMovesTheWindowAndSavesWhereItEnds) {
  Phonebook({"Fournisseur"});
  settings->WriteWindowPos(100, 100);
  Create();
  auto send = [&](QEvent::Type type, QPointF global, Qt::MouseButtons buttons) {
    QMouseEvent event(type, global - QPointF(form->pos()), global, Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(form.get(), &event);
  };
  send(QEvent::MouseButtonPress, QPointF(105, 105), Qt::LeftButton);
  send(QEvent::MouseMove, QPointF(155, 125), Qt::LeftButton);
  EXPECT_EQ(form->pos(), QPoint(150, 120));
  EXPECT_EQ(Ini("WindowPos", "X"), "100");  // saved when the move ends, not before
  send(QEvent::MouseButtonRelease, QPointF(155, 125), Qt::NoButton);
  EXPECT_EQ(Ini("WindowPos", "X"), "150");
  EXPECT_EQ(Ini("WindowPos", "Y"), "120");
}

TEST_F(MainFormTest, ShowsTheTotalInNavyAndTheDurationInPurple) {
  Phonebook({"Fournisseur"});
  settings->WriteDuree("Fournisseur", "01:02:03");
  Create();
  QImage idle = form->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(idle, form->DrawBitmap());
  EXPECT_TRUE(Has(idle, kNavy, 6, 62));
  EXPECT_FALSE(Has(idle, kNavy, 62, 117));
  EXPECT_TRUE(Has(idle, kPurple, 63, 117));
  EXPECT_FALSE(Has(idle, kPurple, 0, 63));
  EXPECT_EQ(idle.pixel(60, 9), qRgb(255, 255, 255));  // a white field between them

  StartCounting();
  Tick(5);
  const QImage counting = form->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(form->Counter().Current(), 5);
  // Both times changed, each in its own half.
  EXPECT_NE(idle.copy(0, 0, 62, 19), counting.copy(0, 0, 62, 19));
  EXPECT_NE(idle.copy(63, 0, 54, 19), counting.copy(63, 0, 54, 19));
  EXPECT_TRUE(Has(counting, kPurple, 63, 117));
  EXPECT_FALSE(Has(counting, kPurple, 0, 63));
}

TEST_F(MainFormTest, MenuItemsInOrderWithTheirCaptionsAndPictures) {
  Phonebook({"Fournisseur", "Secours & Co", "Nuit"});
  Create();
  struct Expected {
    const char* name;
    const char* caption;
    bool picture;
  };
  const std::vector<Expected> top = {{"MISelectedCnx", "Fournisseur", true},
                                     {"N2", "", false},
                                     {"MIConnexions", "&Autres connexions", true},
                                     {"MIParam", "&Paramètres ...", false},
                                     {"MIRAZ", "&Remise à zéro", true},
                                     {"MIJrnl", "&Journal des connexions", true},
                                     {"N1", "", false},
                                     {"MIQuitter", "&Quitter", true}};
  const QList<QAction*> actions = form->PopupMenu().actions();
  ASSERT_EQ(actions.size(), static_cast<qsizetype>(top.size()));
  for (std::size_t i = 0; i < top.size(); ++i) {
    SCOPED_TRACE(top[i].name);
    EXPECT_EQ(actions[i]->objectName(), QString::fromUtf8(top[i].name));
    EXPECT_EQ(actions[i]->text(), QString::fromUtf8(top[i].caption));
    EXPECT_EQ(!actions[i]->icon().isNull(), top[i].picture);
  }
  QStringList journalItems;
  for (QAction* a : form->Item("MIJrnl")->menu()->actions())
    journalItems << a->objectName() + ":" + a->text();
  EXPECT_EQ(journalItems, (QStringList{"MIVoirJrnl:&Voir", "MIExpJrnl:Exporter ...",
                                       "N3:", "MIClearJrnl:&Effacer"}));

  // One sub-item per entry, in phonebook order; the selected one hidden; names shown as named.
  QStringList sub;
  for (QAction* a : form->Item("MIConnexions")->menu()->actions())
    sub << a->objectName() + ":" + TMainForm::Caption(*a) + (a->isVisible() ? "" : " (caché)");
  EXPECT_EQ(sub, (QStringList{"MICnx0:Fournisseur (caché)", "MICnx1:Secours & Co", "MICnx2:Nuit"}));
  EXPECT_TRUE(form->Item("MIConnexions")->isVisible());
}

TEST_F(MainFormTest, OtherConnexionsOnlyWithSeveralEntriesAndNoFollowedConnexion) {
  Phonebook({"Fournisseur"});
  Create();
  EXPECT_FALSE(form->Item("MIConnexions")->isVisible());

  form.reset();
  Phonebook({"Secours"});
  settings->WriteCnx("Secours");
  Create();
  EXPECT_TRUE(form->Item("MIConnexions")->isVisible());
  EXPECT_EQ(form->Item("MISelectedCnx")->text(), QStringLiteral("Secours"));
  EXPECT_TRUE(form->Item("MICnx0")->isVisible());
  EXPECT_FALSE(form->Item("MICnx1")->isVisible());

  Trigger("MISelectedCnx");
  Tick();  // the connection is followed from its first sight, before it is counted
  EXPECT_FALSE(form->Counter().Counting());
  EXPECT_FALSE(form->Item("MIConnexions")->isVisible());
  for (int i = 0; i < 5; ++i) Tick();
  ASSERT_EQ(ras->HangUp("Secours"), 0u);
  Tick();
  EXPECT_TRUE(form->Item("MIConnexions")->isVisible());
}

TEST_F(MainFormTest, OwnerDrawnItemsTakeTheCountingAndIdleTints) {
  Phonebook({"Fournisseur", "Secours"});
  settings->WriteDuree("Secours", "123:04:05");
  Create();
  QMenu& menu = form->PopupMenu();
  auto show = [&](QMenu& m, QAction* active) {
    m.popup(QPoint(0, 0));
    QApplication::processEvents();
    m.setActiveAction(active);
    return m.grab().toImage();
  };
  QAction* selected = form->Item("MISelectedCnx");
  const QRect item = menu.actionGeometry(selected);
  QImage image = show(menu, nullptr);
  EXPECT_EQ(image.pixel(item.left() + 1, item.top() + 1), qRgb(225, 225, 250));
  EXPECT_TRUE(Has(image.copy(item.right() - 40, item.top(), 40, item.height()), kNavy, 0, 40));
  menu.hide();

  QMenu& others = *form->Item("MIConnexions")->menu();
  QAction* secours = form->Item("MICnx1");
  image = show(others, secours);
  const QRect sub = others.actionGeometry(secours);
  EXPECT_EQ(image.pixel(sub.left() + 1, sub.top() + 1), qRgb(49, 106, 197));
  EXPECT_TRUE(
      Has(image.copy(sub.right() - 40, sub.top(), 40, sub.height()), qRgb(255, 195, 195), 0, 40));
  others.hide();

  StartCounting();
  image = show(menu, nullptr);
  EXPECT_EQ(image.pixel(item.left() + 1, item.top() + 1), qRgb(255, 195, 195));
  // The skin's "N2" below continues the first item's idle tint.
  const QRect n2 = menu.actionGeometry(form->Item("N2"));
  EXPECT_EQ(image.pixel(n2.left() + 30, n2.top()), qRgb(225, 225, 250));
  EXPECT_EQ(n2.height(), 4);
}

TEST_F(MainFormTest, DialHangUpAndSwitchEntryThroughTheMenu) {
  Phonebook({"Fournisseur", "Secours"});
  Create();
  StartCounting();
  EXPECT_EQ(Lines(), std::vector<std::string>{"Fournisseur"});
  Tick(3);
  Trigger("MISelectedCnx");  // counting: hang up
  EXPECT_TRUE(Lines().empty());
  Tick();  // the end is seen a second later
  EXPECT_FALSE(form->Counter().Counting());
  EXPECT_NE(ReadFile(dir.path() / "Connexions.txt").find(" - Fournisseur - 00:00:04 (Conn.)"),
            std::string::npos);

  Trigger("MICnx1");  // another entry: selected, dialled, saved at once
  EXPECT_EQ(form->Item("MISelectedCnx")->text(), QStringLiteral("Secours"));
  EXPECT_EQ(form->toolTip(), QStringLiteral("Secours"));
  EXPECT_TRUE(form->Item("MICnx0")->isVisible());
  EXPECT_FALSE(form->Item("MICnx1")->isVisible());
  EXPECT_EQ(Lines(), std::vector<std::string>{"Secours"});
  EXPECT_EQ(Ini("Paramètres", "Cnx"), "Secours");
  EXPECT_TRUE(boxes.seen.empty());
}

TEST_F(MainFormTest, ResetAsksFirst) {
  Phonebook({"Fournisseur"});
  Create();
  StartCounting();
  Tick(5);
  boxes.Queue({"Non"});
  Trigger("MIRAZ");
  ASSERT_EQ(boxes.seen.size(), 1u);
  EXPECT_EQ(boxes.seen[0].text, QStringLiteral("Mettre à zéro la durée courante ?"));
  EXPECT_EQ(boxes.seen[0].title, QStringLiteral("Confirmation"));
  EXPECT_EQ(boxes.seen[0].icon, QMessageBox::Question);
  EXPECT_EQ(boxes.seen[0].buttons, (QStringList{"Oui", "Non"}));
  Tick();
  EXPECT_EQ(form->Counter().Current(), 6);

  boxes.Queue({"Oui"});
  Trigger("MIRAZ");
  Tick();
  EXPECT_EQ(form->Counter().Current(), 1);
}

TEST_F(MainFormTest, QuittingDuringAConnexion) {
  Phonebook({"Fournisseur"});
  Create();
  StartCounting();
  Tick(4);
  boxes.Queue({"Non"});
  Trigger("MIQuitter");
  ASSERT_EQ(boxes.seen.size(), 1u);
  EXPECT_EQ(boxes.seen[0].text, QStringLiteral("Connexion en cours !\nQuitter ?"));
  EXPECT_EQ(boxes.seen[0].title, QStringLiteral("Confirmation"));
  EXPECT_FALSE(form->Closed());
  EXPECT_EQ(terminated, 0);
  EXPECT_TRUE(form->isVisible());
  Tick();
  EXPECT_EQ(form->Counter().Current(), 5);  // counting goes on
  EXPECT_EQ(ReadFile(dir.path() / "Connexions.txt"), "");

  settings->WriteWindowPos(0, 0);
  boxes.Queue({"Oui"});
  Trigger("MIQuitter");
  EXPECT_TRUE(form->Closed());
  EXPECT_EQ(terminated, 1);
  const std::string text = ReadFile(dir.path() / "Connexions.txt");
  EXPECT_NE(text.find(" - Fournisseur - 00:00:05 (Conn.) ** Chronolin arrêté en cours de "
                      "connexion **\r\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(Ini("Fournisseur", "Durée"), "00:00:05");
  EXPECT_NE(Ini("WindowPos", "X"), "0");                        // saved again
  EXPECT_EQ(Lines(), std::vector<std::string>{"Fournisseur"});  // the line stays up
}

TEST_F(MainFormTest, QuittingWhenIdleAsksNothing) {
  Phonebook({"Fournisseur"});
  Create();
  Trigger("MIQuitter");
  EXPECT_TRUE(form->Closed());
  EXPECT_TRUE(boxes.seen.empty());
}

TEST_F(MainFormTest, SessionEndHangsUpJournalsAndSaves) {
  Phonebook({"Fournisseur"});
  Create();
  StartCounting();
  clock.Advance(3000);
  settings->WriteCnx("");
  form->SessionEndHook();
  EXPECT_EQ(terminated, 1);
  EXPECT_TRUE(Lines().empty());
  const std::string text = ReadFile(dir.path() / "Connexions.txt");
  EXPECT_NE(text.find(" - Fournisseur - 00:00:03 (Conn.)\r\n"), std::string::npos) << text;
  EXPECT_EQ(Ini("Paramètres", "Cnx"), "Fournisseur");
  EXPECT_TRUE(boxes.seen.empty());
}

TEST_F(MainFormTest, JournalViewerAndClearing) {
  Phonebook({"Fournisseur"});
  Create();
  Trigger("MIVoirJrnl");
  ASSERT_EQ(boxes.seen.size(), 1u);
  EXPECT_EQ(boxes.seen[0].text, QStringLiteral("Le fichier Connexions.txt est introuvable !"));
  EXPECT_EQ(boxes.seen[0].title, QStringLiteral("Erreur"));
  EXPECT_EQ(boxes.seen[0].icon, QMessageBox::Critical);
  EXPECT_EQ(form->JournalViewer(), nullptr);

  std::string lines;
  for (int i = 0; i < 200; ++i)
    lines += "07/12/2026 - 14:03:27 - Fournisseur - 00:15:42 (Conn.)\r\n";
  WriteFile(dir.path() / "Connexions.txt",
            lines + "08/12/2026 - 09:00:12 - Dernière - 00:00:01 (Conn.)\r\n");
  Trigger("MIVoirJrnl");
  ASSERT_NE(form->JournalViewer(), nullptr);
  QPlainTextEdit& text = form->JournalViewer()->Text();
  EXPECT_TRUE(form->JournalViewer()->isVisible());
  EXPECT_TRUE(text.toPlainText().endsWith(QStringLiteral("Dernière - 00:00:01 (Conn.)")));
  EXPECT_GT(text.verticalScrollBar()->maximum(), 0);
  EXPECT_EQ(text.verticalScrollBar()->value(), text.verticalScrollBar()->maximum());

  boxes.Queue({"Non"});
  Trigger("MIClearJrnl");
  EXPECT_EQ(boxes.seen.back().text, QStringLiteral("Effacer le journal des connexions ?"));
  EXPECT_FALSE(ReadFile(dir.path() / "Connexions.txt").empty());
  boxes.Queue({"Oui"});
  Trigger("MIClearJrnl");
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "Connexions.txt"));
  EXPECT_EQ(ReadFile(dir.path() / "Connexions.txt"), "");
  EXPECT_TRUE(text.toPlainText().isEmpty());  // the open viewer follows

  const std::size_t before = boxes.seen.size();
  Trigger("MIVoirJrnl");  // present, if empty
  EXPECT_EQ(boxes.seen.size(), before);
  form->JournalViewer()->close();
}

TEST_F(MainFormTest, EmptyPhonebookEndsTheStart) {
  NewForm();
  EXPECT_FALSE(form->FormCreate());
  ASSERT_EQ(boxes.seen.size(), 1u);
  EXPECT_EQ(boxes.seen[0].text, QStringLiteral("Aucune connexion installée !"));
  EXPECT_EQ(boxes.seen[0].title, QStringLiteral("Erreur !"));
  EXPECT_EQ(boxes.seen[0].icon, QMessageBox::Critical);
  EXPECT_FALSE(form->TrayIcon().IconVisible());
  EXPECT_FALSE(form->Timer().Enabled());
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "Chronolin.ini"));
}

}  // namespace
}  // namespace chronolin::testing
