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

// Answers the program's message boxes as a user would, by clicking a button, and notes each
// as "title | text | icon | buttons".
class BoxAnswerer {
 public:
  BoxAnswerer() {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Answer(); });
    timer_.start(5);
  }
  // The next boxes are answered with these buttons, in order; "OK" otherwise.
  void Queue(std::initializer_list<const char*> answers) {
    for (const char* a : answers) answers_.emplace_back(QString::fromUtf8(a));
  }
  std::vector<QString> seen;

 private:
  void Answer() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    const QString answer = answers_.empty() ? QStringLiteral("OK") : answers_.front();
    if (!answers_.empty()) answers_.pop_front();
    QStringList buttons;
    QAbstractButton* chosen = nullptr;
    for (QAbstractButton* button : box->buttons()) {
      buttons << button->text().remove(u'&');
      if (buttons.back() == answer) chosen = button;
    }
    const char* icon = box->icon() == QMessageBox::Critical   ? "erreur"
                       : box->icon() == QMessageBox::Question ? "question"
                                                              : "autre";
    seen.push_back(box->windowTitle() + " | " + box->text() + " | " + icon + " | " +
                   buttons.join(u','));
    chosen ? chosen->click() : box->reject();
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

  void NewForm() {
    form = std::make_unique<TMainForm>(MainFormServices{*ras, clock, *settings, *journal});
    form->OnTerminate = [this] { ++terminated; };
  }
  void Create() {
    NewForm();
    ASSERT_TRUE(form->FormCreate());
    form->Timer().SetEnabled(false);  // the tests tick by hand
  }

  // Seconds pass on the line and on the counter's clock, a tick each.
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

  void Trigger(const char* item) { form->Item(QString::fromLatin1(item))->trigger(); }
  bool Visible(const char* item) { return form->Item(QString::fromLatin1(item))->isVisible(); }

  // The simulated line's active connections.
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
  std::string JournalText() const { return ReadFile(dir.path() / "Connexions.txt"); }

  // Whether a pixel of this colour lies in the columns [fromX, toX).
  static bool Has(const QImage& image, QRgb colour, int fromX, int toX) {
    for (int y = 0; y < image.height(); ++y)
      for (int x = fromX; x < std::min(toX, image.width()); ++x)
        if (image.pixel(x, y) == colour) return true;
    return false;
  }

  static QImage Popup(QMenu& menu, QAction* active) {
    menu.popup(QPoint(0, 0));
    QApplication::processEvents();
    menu.setActiveAction(active);
    return menu.grab().toImage();
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
  EXPECT_EQ(form->toolTip(), QStringLiteral("Fournisseur"));
  EXPECT_TRUE(form->isVisible());
  EXPECT_TRUE(form->TrayIcon().IconVisible());
  EXPECT_EQ(form->TrayIcon().ToolTip(), QStringLiteral("Chronolin"));

  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const QPoint corner(screen.width() - 117, screen.height() - 19 - 30);
  EXPECT_EQ(form->pos(), corner);
  EXPECT_EQ(Ini("WindowPos", "X") + "," + Ini("WindowPos", "Y"),
            std::to_string(corner.x()) + "," + std::to_string(corner.y()));
}

TEST_F(MainFormTest, AWindowOffTheScreenComesBackToTheCorner) {
  Phonebook({"Fournisseur"});
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const QPoint corner(screen.width() - 117, screen.height() - 19 - 30);
  // Saved for a larger screen: brought back at start, and saved back so.
  settings->WriteWindowPos(screen.width() - 2, screen.height() - 2);
  Create();
  EXPECT_EQ(form->pos(), corner);
  EXPECT_EQ(Ini("WindowPos", "X") + "," + Ini("WindowPos", "Y"),
            std::to_string(corner.x()) + "," + std::to_string(corner.y()));

  // The screens change under a window that was left outside them.
  form->move(-400, 30);
  emit QGuiApplication::primaryScreen()->availableGeometryChanged(screen);
  EXPECT_EQ(form->pos(), corner);
  form->move(10, 10);  // inside: stays
  emit QGuiApplication::primaryScreen()->availableGeometryChanged(screen);
  EXPECT_EQ(form->pos(), QPoint(10, 10));
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
  EXPECT_EQ(Ini("WindowPos", "X") + "," + Ini("WindowPos", "Y"), "150,120");
}

TEST_F(MainFormTest, ShowsTheTotalInNavyAndTheDurationInPurple) {
  Phonebook({"Fournisseur"});
  settings->WriteDuree("Fournisseur", "01:02:03");
  Create();
  const QImage idle = form->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(idle, form->DrawBitmap());
  EXPECT_TRUE(Has(idle, kNavy, 6, 62));
  EXPECT_FALSE(Has(idle, kNavy, 62, 117));
  EXPECT_TRUE(Has(idle, kPurple, 63, 117));
  EXPECT_FALSE(Has(idle, kPurple, 0, 63));

  StartCounting();
  Tick(5);
  const QImage counting = form->grab().toImage().convertToFormat(QImage::Format_RGB32);
  // Both times moved on, each in its own half and colour.
  EXPECT_NE(idle.copy(0, 0, 62, 19), counting.copy(0, 0, 62, 19));
  EXPECT_NE(idle.copy(63, 0, 54, 19), counting.copy(63, 0, 54, 19));
  EXPECT_FALSE(Has(counting, kPurple, 0, 63));
  EXPECT_FALSE(Has(counting, kNavy, 62, 117));
}

// With CHRONOLIN_SCREENSHOTS set, the counter past its quota is saved there as counter-quota.png.
TEST_F(MainFormTest, PastItsQuotaTheTotalTurnsRedAndTheMenuCancelsTheHangUp) {
  Phonebook({"Fournisseur"});
  settings->WriteDuree("Fournisseur", "09:59:58");
  settings->WriteQuota("Fournisseur", "10:00:00");
  settings->WriteQuotaAction("Fournisseur", 1);
  Create();
  EXPECT_EQ(form->toolTip(), QStringLiteral("Fournisseur — reste 00:00:02"));
  EXPECT_EQ(form->TrayIcon().Hint(), form->toolTip());
  const QRgb red = qRgb(255, 0, 0);
  EXPECT_FALSE(Has(form->DrawBitmap(), red, 0, 117));

  StartCounting();
  Tick(2);
  const QImage over = form->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_TRUE(Has(over, red, 6, 62));
  EXPECT_FALSE(Has(over, kNavy, 0, 117));
  EXPECT_EQ(form->toolTip(), QStringLiteral("Fournisseur — reste 00:00:00"));
  QAction* cancel = form->Item(QStringLiteral("MIAnnulerDeconnexion"));
  ASSERT_NE(cancel, nullptr);
  ASSERT_TRUE(form->PopupMenu().actions().contains(cancel));
  if (const char* outDir = std::getenv("CHRONOLIN_SCREENSHOTS"); outDir && *outDir) {
    EXPECT_TRUE(over.save(QString::fromLocal8Bit(outDir) + "/counter-quota.png"));
  }
  cancel->trigger();
  EXPECT_FALSE(form->PopupMenu().actions().contains(cancel));
  Tick(40);
  EXPECT_EQ(Lines(), std::vector<std::string>{"Fournisseur"});
}

TEST_F(MainFormTest, MenuItemsInOrderWithTheirCaptionsAndPictures) {
  Phonebook({"Fournisseur", "Secours & Co", "Nuit"});
  Create();
  // name:caption, "+" for an item with a picture, "(caché)" for a hidden one.
  auto list = [](QMenu* menu) {
    QStringList items;
    for (QAction* a : menu->actions())
      items << a->objectName() + ":" + TMainForm::Caption(*a) + (a->icon().isNull() ? "" : "+") +
                   (a->isVisible() ? "" : " (caché)");
    return items;
  };
  EXPECT_EQ(list(&form->PopupMenu()),
            (QStringList{"MISelectedCnx:Fournisseur+", "N2:", "MIConnexions:&Autres connexions+",
                         "MIParam:&Paramètres ...", "MIRAZ:&Remise à zéro+",
                         "MIJrnl:&Journal des connexions+", "N1:", "MIQuitter:&Quitter+"}));
  EXPECT_EQ(
      list(form->Item("MIJrnl")->menu()),
      (QStringList{"MIVoirJrnl:&Voir", "MIExpJrnl:Exporter ...", "N3:", "MIClearJrnl:&Effacer"}));
  // One sub-item per entry, in phonebook order, the selected one hidden; names as named.
  EXPECT_EQ(list(form->Item("MIConnexions")->menu()),
            (QStringList{"MICnx0:Fournisseur (caché)", "MICnx1:Secours & Co", "MICnx2:Nuit"}));
}

TEST_F(MainFormTest, OtherConnexionsOnlyWithSeveralEntriesAndNoFollowedConnexion) {
  Phonebook({"Fournisseur"});
  Create();
  EXPECT_FALSE(Visible("MIConnexions"));

  Phonebook({"Secours"});
  settings->WriteCnx("Secours");
  Create();
  EXPECT_TRUE(Visible("MIConnexions"));
  EXPECT_EQ(form->Item("MISelectedCnx")->text(), QStringLiteral("Secours"));
  EXPECT_TRUE(Visible("MICnx0"));
  EXPECT_FALSE(Visible("MICnx1"));

  Trigger("MISelectedCnx");
  Tick();  // followed from its first sight, before it is counted
  EXPECT_FALSE(form->Counter().Counting());
  EXPECT_FALSE(Visible("MIConnexions"));
  Tick(5);
  ASSERT_EQ(ras->HangUp("Secours"), 0u);
  Tick();
  EXPECT_TRUE(Visible("MIConnexions"));
}

TEST_F(MainFormTest, OwnerDrawnItemsTakeTheCountingAndIdleTints) {
  Phonebook({"Fournisseur", "Secours"});
  settings->WriteDuree("Secours", "123:04:05");
  Create();
  QMenu& menu = form->PopupMenu();
  const QRect item = menu.actionGeometry(form->Item("MISelectedCnx"));
  QImage image = Popup(menu, nullptr);
  EXPECT_EQ(image.pixel(item.topLeft() + QPoint(1, 1)), qRgb(225, 225, 250));
  EXPECT_TRUE(Has(image.copy(item), kNavy, item.width() - 40, item.width()));  // the total
  menu.hide();

  QMenu& others = *form->Item("MIConnexions")->menu();
  const QRect sub = others.actionGeometry(form->Item("MICnx1"));
  image = Popup(others, form->Item("MICnx1"));
  EXPECT_EQ(image.pixel(sub.topLeft() + QPoint(1, 1)), qRgb(49, 106, 197));
  EXPECT_TRUE(Has(image.copy(sub), qRgb(255, 195, 195), sub.width() - 40, sub.width()));
  others.hide();

  StartCounting();
  image = Popup(menu, nullptr);
  EXPECT_EQ(image.pixel(item.topLeft() + QPoint(1, 1)), qRgb(255, 195, 195));
  const QRect n2 = menu.actionGeometry(form->Item("N2"));
  EXPECT_EQ(n2.height(), 4);
  EXPECT_EQ(image.pixel(n2.left() + 30, n2.top()), qRgb(225, 225, 250));
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
  EXPECT_NE(JournalText().find(" - Fournisseur - 00:00:04 (Conn.)"), std::string::npos);

  Trigger("MICnx1");  // another entry: selected, dialled, saved at once
  EXPECT_EQ(form->Item("MISelectedCnx")->text(), QStringLiteral("Secours"));
  EXPECT_EQ(form->toolTip(), QStringLiteral("Secours"));
  EXPECT_TRUE(Visible("MICnx0"));
  EXPECT_FALSE(Visible("MICnx1"));
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
  EXPECT_EQ(boxes.seen, std::vector<QString>{"Confirmation | Mettre à zéro la durée courante ? | "
                                             "question | Oui,Non"});
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
  EXPECT_EQ(boxes.seen, std::vector<QString>{
                            "Confirmation | Connexion en cours !\nQuitter ? | question | Oui,Non"});
  EXPECT_FALSE(form->Closed());
  EXPECT_EQ(terminated, 0);
  Tick();
  EXPECT_EQ(form->Counter().Current(), 5);  // counting goes on
  EXPECT_EQ(JournalText(), "");

  settings->WriteWindowPos(0, 0);
  boxes.Queue({"Oui"});
  Trigger("MIQuitter");
  EXPECT_TRUE(form->Closed());
  EXPECT_EQ(terminated, 1);
  EXPECT_NE(JournalText().find(" - Fournisseur - 00:00:05 (Conn.) ** Chronolin arrêté en cours de "
                               "connexion **\r\n"),
            std::string::npos)
      << JournalText();
  EXPECT_EQ(Ini("Fournisseur", "Durée"), "00:00:05");
  EXPECT_NE(Ini("WindowPos", "X"), "0");                        // saved again
  EXPECT_EQ(Lines(), std::vector<std::string>{"Fournisseur"});  // the line stays up
}

TEST_F(MainFormTest, JournalViewerAndClearing) {
  Phonebook({"Fournisseur"});
  Create();
  Trigger("MIVoirJrnl");
  EXPECT_EQ(boxes.seen, std::vector<QString>{"Erreur | Le fichier Connexions.txt est introuvable ! "
                                             "| erreur | OK"});
  EXPECT_EQ(form->JournalViewer(), nullptr);

  std::string lines;
  for (int i = 0; i < 200; ++i)
    lines += "07/12/2026 - 14:03:27 - Fournisseur - 00:15:42 (Conn.)\r\n";
  WriteFile(dir.path() / "Connexions.txt", lines + "08/12/2026 - Dernière\r\n");
  Trigger("MIVoirJrnl");
  QPlainTextEdit& text = form->JournalViewer()->Text();
  EXPECT_TRUE(form->JournalViewer()->isVisible());
  EXPECT_TRUE(
      text.toPlainText().endsWith(QStringLiteral("Fournisseur - 00:15:42 (Conn.)\n"
                                                 "08/12/2026 - Dernière")));
  EXPECT_GT(text.verticalScrollBar()->maximum(), 0);
  EXPECT_EQ(text.verticalScrollBar()->value(), text.verticalScrollBar()->maximum());

  boxes.Queue({"Non", "Oui"});
  Trigger("MIClearJrnl");
  EXPECT_EQ(boxes.seen.back(),
            "Confirmation | Effacer le journal des connexions ? | question | Oui,Non");
  EXPECT_FALSE(JournalText().empty());
  Trigger("MIClearJrnl");
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "Connexions.txt"));
  EXPECT_EQ(JournalText(), "");
  EXPECT_TRUE(text.toPlainText().isEmpty());  // the open viewer follows
  form->JournalViewer()->close();
}

TEST_F(MainFormTest, EmptyPhonebookEndsTheStart) {
  NewForm();
  EXPECT_FALSE(form->FormCreate());
  EXPECT_EQ(boxes.seen,
            std::vector<QString>{"Erreur ! | Aucune connexion installée ! | erreur | OK"});
  EXPECT_FALSE(form->TrayIcon().IconVisible());
  EXPECT_FALSE(form->Timer().Enabled());
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "Chronolin.ini"));
}

}  // namespace
}  // namespace chronolin::testing
