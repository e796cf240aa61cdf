#include "counter/main_form.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <cstdio>
#include <exception>
#include <filesystem>

#include "components/dialog_frame.h"
#include "components/taskbar.h"
#include "counter/duree.h"
#include "counter/quota.h"
#include "counter/window_place.h"
#include "export/exp_jrnl_form.h"
#include "platform/app_paths.h"
#include "settings/param_form.h"

// The pictures live in the counter library; a static library's resources are only linked in
// when something refers to them.
static void InitCounterResources() {
  Q_INIT_RESOURCE(counter);
}

namespace chronolin {
namespace {

const QColor kTotalColour(0, 0, 128);      // navy
const QColor kOverQuotaColour(255, 0, 0);  // the month's allowance is used up
const QColor kCurrentColour(128, 0, 128);  // purple
const QPoint kTotalAt(6, 2);
const QPoint kCurrentAt(63, 2);

// Owner-drawn connection items.
const QColor kItemSelected(49, 106, 197);
const QColor kItemCounting(255, 195, 195);
const QColor kItemIdle(225, 225, 250);
const QColor kItemValueSelected(255, 195, 195);
const QColor kItemValue(0, 0, 128);

constexpr char kTrayHint[] = "Chronolin";
constexpr char kCancelHangUpAction[] = "cancel";
constexpr int kMoveSettleMs = 300;

QString ToQt(const std::string& text) {
  return QString::fromStdString(text);
}

// Menu texts mark accelerators with "&"; an entry name is shown as it is.
QString MenuText(const std::string& caption) {
  return ToQt(caption).replace(u'&', QStringLiteral("&&"));
}

// A message box's text: a lone carriage return breaks the line as it did on the old system.
QString BoxText(const std::string& text) {
  QString result = ToQt(text);
  result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  result.replace(u'\r', u'\n');
  return result;
}

void ToStandardError(const std::string& title, const std::string& text) {
  std::string line = text;
  for (char& c : line)
    if (c == '\r' || c == '\n') c = ' ';
  std::fprintf(stderr, "[%s] %s\n", title.c_str(), line.c_str());
  std::fflush(stderr);
}

QImage LoadImage(const QString& resource, int width, int height) {
  QImage image(resource);
  if (image.isNull()) {
    image = QImage(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
  }
  return image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

MsgResult ShowMessageBox(const std::string& text, const std::string& title, MsgIcon icon,
                         MsgButtons buttons) {
  QMessageBox box;
  box.setWindowTitle(ToQt(title));
  box.setText(BoxText(text));
  box.setTextFormat(Qt::PlainText);
  switch (icon) {
    case MsgIcon::Error:
      box.setIcon(QMessageBox::Critical);
      break;
    case MsgIcon::Question:
      box.setIcon(QMessageBox::Question);
      break;
    case MsgIcon::Information:
      box.setIcon(QMessageBox::Information);
      break;
  }
  QAbstractButton* yes = nullptr;
  if (buttons == MsgButtons::YesNo) {
    yes = box.addButton(QMessageBox::Yes);
    yes->setText(QStringLiteral("&Oui"));
    box.addButton(QMessageBox::No)->setText(QStringLiteral("&Non"));
    box.setDefaultButton(QMessageBox::Yes);
  } else {
    box.addButton(QMessageBox::Ok);
  }
  SetFixedDialogFrame(box, true);
  box.exec();
  if (buttons == MsgButtons::Ok) return MsgResult::Ok;
  // A box closed any other way (the event loop told to end, say) is not a Yes.
  return box.clickedButton() == yes ? MsgResult::Yes : MsgResult::No;
}

template <typename F>
void TMainForm::Guarded(F&& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    ShowError(e.what());
  }
}

TMainForm::TMainForm(const MainFormServices& services)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      ras_(services.ras),
      journal_(services.journal),
      settings_(services.settings),
      notifier_(services.notifier) {
  InitCounterResources();
  setWindowTitle(QStringLiteral("Chronolin"));
  setFixedSize(kWidth, kHeight);
  setAttribute(Qt::WA_OpaquePaintEvent);
  // A tool window is seldom the active one; its hint must show all the same.
  setAttribute(Qt::WA_AlwaysShowToolTips);
  setContextMenuPolicy(Qt::DefaultContextMenu);

  imageList_[kImageConnexions] = QIcon(QStringLiteral(":/counter/connexions.xpm"));
  imageList_[kImageQuitter] = QIcon(QStringLiteral(":/counter/quitter.xpm"));
  imageList_[kImageRaZ] = QIcon(QStringLiteral(":/counter/raz.xpm"));
  imageList_[kImageCounter] = QIcon(QStringLiteral(":/counter/compteur.xpm"));

  // The pictures come before the counter: its start-up paints.
  backBitmap_ = LoadImage(QStringLiteral(":/counter/back.xpm"), kWidth, kHeight);
  drawBitmap_ = backBitmap_.copy();
  // Tahoma 9 points on the 96 dpi screen the strip was drawn for: the window has a fixed size
  // in pixels, so its font has one too.
  font_ = LoadFont(QStringLiteral("Tahoma"), QStringLiteral("tahoma.ttf"), 12);

  CreateMenu();

  trayIcon_.SetIcon(QIcon(QStringLiteral(":/counter/tray.xpm")));
  trayIcon_.SetHint(QString::fromUtf8(kTrayHint));
  trayIcon_.SetPopupMenu(popupMenu_.get());
  trayIcon_.OnMouseDown = [this](TTrayIcon& sender, TMouseButton button, unsigned shift,
                                 QPoint pos) { TrayIconMouseDown(sender, button, shift, pos); };

  moveEnd_.SetInterval(kMoveSettleMs);
  moveEnd_.SetAutoDisable(true);
  moveEnd_.SetOnTimer([this](TTickTimer&) { EndMove(); });

  if (notifier_)
    notifier_->SetOnAction([this](std::uint32_t id, const std::string& key) {
      if (id != 0 && id == noticeId_ && key == kCancelHangUpAction) MIAnnulerDeconnexionClick();
    });

  counter_ = std::make_unique<TCounter>(CounterServices{
      services.ras, services.clock, services.settings, services.journal, *this, services.launcher});
  WatchScreens();
}

TMainForm::~TMainForm() {
  if (notifier_) {
    notifier_->SetOnAction({});
    // A notice left on the desktop could only be pressed in vain.
    notifier_->Close(noticeId_);
  }
  timer_.SetEnabled(false);
  moveEnd_.SetEnabled(false);
  trayIcon_.SetIconVisible(false);
  trayIcon_.SetPopupMenu(nullptr);
}

bool TMainForm::FormCreate() {
  bool started = false;
  Guarded([&] { started = counter_->Start(); });
  if (!started) return false;
  trayIcon_.SetIconVisible(true);
  timer_.SetInterval(1000);
  timer_.SetOnTimer([this](TTickTimer&) { Guarded([&] { counter_->TimerTimer(); }); });
  timer_.SetEnabled(true);
  return true;
}

void TMainForm::SessionEndHook() {
  if (sessionEnding_) return;
  sessionEnding_ = true;
  timer_.SetEnabled(false);
  Guarded([&] { counter_->SessionEnd(); });
  if (OnTerminate) OnTerminate();
}

// ---- Menu ----------------------------------------------------------------------------------

QAction* TMainForm::AddItem(QMenu& menu, const char* name, const QString& caption, int image,
                            void (TMainForm::*handler)()) {
  QAction* item = menu.addAction(caption);
  item->setObjectName(QString::fromLatin1(name));
  if (image >= 0) item->setIcon(imageList_[static_cast<std::size_t>(image)]);
  QObject::connect(item, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
  return item;
}

QAction* TMainForm::AddSeparator(QMenu& menu, const char* name) {
  QAction* item = menu.addSeparator();
  item->setObjectName(QString::fromLatin1(name));
  return item;
}

void TMainForm::CreateMenu() {
  popupMenu_ = std::make_unique<TPopupMenu>();
  popupMenu_->setObjectName(QStringLiteral("PopupMenu"));
  QMenu& menu = *popupMenu_;

  const auto measure = [this](QAction& item, int& width, int& height) {
    PopupMenuMeasureItem(item, width, height);
  };
  const auto draw = [this](QAction& item, QPainter& canvas, const QRect& rect, bool selected) {
    PopupMenuAdvancedDrawItem(item, canvas, rect, selected);
  };

  miSelectedCnx_ =
      AddItem(menu, "MISelectedCnx", QString(), kImageCounter, &TMainForm::MISelectedCnxClick);
  SetOwnerDraw(miSelectedCnx_, measure, draw);
  // In the menu only while a hang-up at the quota is announced.
  miAnnulerDeconnexion_ = new QAction(QString::fromUtf8(kCancelHangUpCaption), &menu);
  miAnnulerDeconnexion_->setObjectName(QStringLiteral("MIAnnulerDeconnexion"));
  QObject::connect(miAnnulerDeconnexion_, &QAction::triggered, this,
                   [this] { MIAnnulerDeconnexionClick(); });
  miN2_ = AddSeparator(menu, "N2");

  connexionsMenu_ = new TPopupMenu(QStringLiteral("&Autres connexions"), &menu);
  connexionsMenu_->setObjectName(QStringLiteral("MIConnexionsMenu"));
  miConnexions_ = menu.addMenu(connexionsMenu_);
  miConnexions_->setObjectName(QStringLiteral("MIConnexions"));
  miConnexions_->setIcon(imageList_[kImageConnexions]);
  miConnexions_->setVisible(false);

  AddItem(menu, "MIParam", QStringLiteral("&Paramètres ..."), -1, &TMainForm::MIParamClick);
  AddItem(menu, "MIRAZ", QStringLiteral("&Remise à zéro"), kImageRaZ, &TMainForm::MIRaZDCClick);

  auto* journalMenu = new TPopupMenu(QStringLiteral("&Journal des connexions"), &menu);
  journalMenu->setObjectName(QStringLiteral("MIJrnlMenu"));
  QAction* miJrnl = menu.addMenu(journalMenu);
  miJrnl->setObjectName(QStringLiteral("MIJrnl"));
  miJrnl->setIcon(imageList_[kImageCounter]);
  AddItem(*journalMenu, "MIVoirJrnl", QStringLiteral("&Voir"), -1, &TMainForm::MIVoirJrnlClick);
  AddItem(*journalMenu, "MIExpJrnl", QStringLiteral("Exporter ..."), -1,
          &TMainForm::MIExpJrnlClick);
  AddSeparator(*journalMenu, "N3");
  AddItem(*journalMenu, "MIClearJrnl", QStringLiteral("&Effacer"), -1,
          &TMainForm::MIClearJrnlClick);

  AddSeparator(menu, "N1");
  AddItem(menu, "MIQuitter", QStringLiteral("&Quitter"), kImageQuitter, &TMainForm::MIQuitterClick);

  menuSkin_.Attach(popupMenu_.get());
}

QAction* TMainForm::Item(const QString& name) const {
  return popupMenu_->findChild<QAction*>(name);
}

QString TMainForm::Caption(const QAction& item) {
  QString caption = item.text();
  return caption.replace(QStringLiteral("&&"), QStringLiteral("&"));
}

void TMainForm::RebuildConnexionItems(const ConnexionMenu& model) {
  bool same = connexionItems_.size() == model.Items.size();
  for (std::size_t i = 0; same && i < model.Items.size(); ++i)
    same = Caption(*connexionItems_[i]) == ToQt(model.Items[i].Caption);
  if (same) return;

  // The phonebook is read at start-up only, so this runs once; an item may be the one being
  // triggered, so the old ones go once the event loop is back.
  for (QAction* item : connexionItems_) {
    connexionsMenu_->removeAction(item);
    item->deleteLater();
  }
  connexionItems_.clear();
  const auto measure = [this](QAction& item, int& width, int& height) {
    PopupMenuMeasureItem(item, width, height);
  };
  const auto draw = [this](QAction& item, QPainter& canvas, const QRect& rect, bool selected) {
    PopupMenuAdvancedDrawItem(item, canvas, rect, selected);
  };
  for (std::size_t i = 0; i < model.Items.size(); ++i) {
    QAction* item = connexionsMenu_->addAction(MenuText(model.Items[i].Caption));
    item->setObjectName(QStringLiteral("MICnx%1").arg(i));
    SetOwnerDraw(item, measure, draw);
    QObject::connect(item, &QAction::triggered, this, [this, item] { MICnxClick(*item); });
    connexionItems_.push_back(item);
  }
}

void TMainForm::ConnexionMenuChanged() {
  const ConnexionMenu& model = counter_->Menu();
  miSelectedCnx_->setText(MenuText(model.SelectedCaption));
  RebuildConnexionItems(model);
  for (std::size_t i = 0; i < model.Items.size(); ++i)
    connexionItems_[i]->setVisible(model.Items[i].Visible);
  miConnexions_->setVisible(model.ConnexionsVisible);
  const bool listed = popupMenu_->actions().contains(miAnnulerDeconnexion_);
  if (model.CancelHangUpVisible && !listed)
    popupMenu_->insertAction(miN2_, miAnnulerDeconnexion_);
  else if (!model.CancelHangUpVisible && listed)
    popupMenu_->removeAction(miAnnulerDeconnexion_);
}

void TMainForm::PopupMenuMeasureItem(QAction&, int& width, int&) {
  width += 10;
}

void TMainForm::PopupMenuAdvancedDrawItem(QAction& item, QPainter& canvas, const QRect& rect,
                                          bool selected) {
  const QColor background =
      selected ? kItemSelected : (counter_->Counting() ? kItemCounting : kItemIdle);
  canvas.fillRect(rect, background);
  const QFontMetrics metrics(canvas.font());
  const int baseline = rect.top() + 2 + metrics.ascent();
  const QString caption = Caption(item);
  canvas.drawText(rect.left() + 3, baseline, caption);

  canvas.setPen(selected ? kItemValueSelected : kItemValue);
  // The selected entry shows its live total; the others their total as stored.
  const QString value = &item == miSelectedCnx_
                            ? ToQt(SecondsToDuree(counter_->DisplayTotal()))
                            : ToQt(counter_->ReadStoredDuree(caption.toStdString()));
  const int right = rect.left() + rect.width();
  canvas.drawText(right - metrics.horizontalAdvance(value) - 3, baseline, value);
}

// ---- Commands ------------------------------------------------------------------------------

void TMainForm::MISelectedCnxClick() {
  Guarded([&] { counter_->SelectedCnxClick(); });
}

void TMainForm::MICnxClick(QAction& item) {
  const std::string caption = Caption(item).toStdString();
  Guarded([&] { counter_->CnxClick(caption); });
}

void TMainForm::MIParamClick() {
  // While the dialog is open a press on the tray icon only brings the window forward.
  trayIcon_.OnMouseDown = [this](TTrayIcon& sender, TMouseButton button, unsigned shift,
                                 QPoint pos) { TrayIconMouseDown(sender, button, shift, pos); };
  trayIcon_.SetPopupMenu(nullptr);
  Guarded([&] {
    std::vector<std::string> entries;
    for (const auto& item : counter_->Menu().Items) entries.push_back(item.Caption);
    bool offLine = counter_->SetOffLineState();
    const ParamFormContext context{
        settings_, std::move(entries),
        [this] { return counter_->Counting() ? counter_->Connexion().Name : std::string(); },
        counter_->Applis(), offLine, ras_.OffLineUnavailableReason()};
    const auto outcome = RunParamDialog(this, context, ExecutablePath(), [this](TParamForm& form) {
      form.SetErrorReporter([this](const QString& message) { ShowError(message.toStdString()); });
    });
    counter_->SetSetOffLineState(offLine);  // changed by OK only
    if (!outcome) return;
    counter_->ApplyVisibleMode(static_cast<std::uint8_t>(outcome->VisibleMode));
    if (!counter_->Counting()) {
      counter_->LoadConnexionSettings();
      PaintCounter();
    }
  });
  trayIcon_.SetPopupMenu(popupMenu_.get());
  trayIcon_.OnMouseDown = nullptr;
}

void TMainForm::MIRaZDCClick() {
  Guarded([&] { counter_->RaZDCClick(); });
}

void TMainForm::MIVoirJrnlClick() {
  Guarded([&] {
    std::error_code error;
    if (!std::filesystem::exists(journal_.Path(), error)) {
      MessageBox(kJournalMissingText, kJournalMissingTitle, MsgIcon::Error, MsgButtons::Ok);
      return;
    }
    if (!journalViewer_) journalViewer_ = std::make_unique<TJournalViewerForm>();
    journalViewer_->ShowJournal(journal_.Path());
  });
}

void TMainForm::MIExpJrnlClick() {
  // While the dialog is open a press on the tray icon only brings the window forward.
  trayIcon_.OnMouseDown = [this](TTrayIcon& sender, TMouseButton button, unsigned shift,
                                 QPoint pos) { TrayIconMouseDown(sender, button, shift, pos); };
  trayIcon_.SetPopupMenu(nullptr);
  Guarded([&] {
    RunExportDialog(
        this, journal_.Path(),
        [this](const std::string& text) {
          MessageBox(text, kExportErrorTitle, MsgIcon::Error, MsgButtons::Ok);
        },
        [this](const std::string& message) { ShowError(message); });
  });
  trayIcon_.SetPopupMenu(popupMenu_.get());
  trayIcon_.OnMouseDown = nullptr;
}

void TMainForm::MIClearJrnlClick() {
  Guarded([&] {
    if (MessageBox(kClearJournalText, kConfirmationTitle, MsgIcon::Question, MsgButtons::YesNo) !=
        MsgResult::Yes)
      return;
    journal_.Clear();
    if (journalViewer_) journalViewer_->Reload();
  });
}

void TMainForm::MIQuitterClick() {
  close();
}

void TMainForm::MIAnnulerDeconnexionClick() {
  Guarded([&] { counter_->CancelHangUp(); });
}

void TMainForm::TrayIconMouseDown(TTrayIcon&, TMouseButton, unsigned, QPoint) {
  if (!isVisible()) return;
  raise();
  activateWindow();
}

// ---- Window --------------------------------------------------------------------------------

void TMainForm::PaintCounter() {
  drawBitmap_ = backBitmap_.copy();
  QPainter canvas(&drawBitmap_);
  canvas.setFont(font_);
  const int ascent = QFontMetrics(font_).ascent();
  canvas.setPen(counter_->OverQuota() ? kOverQuotaColour : kTotalColour);
  canvas.drawText(kTotalAt + QPoint(0, ascent), ToQt(SecondsToDuree(counter_->DisplayTotal())));
  canvas.setPen(kCurrentColour);
  canvas.drawText(kCurrentAt + QPoint(0, ascent), ToQt(SecondsToDuree(counter_->Current())));
  canvas.end();
  update();
}

void TMainForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  KeepOutOfTaskbar(*this);
}

void TMainForm::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, drawBitmap_);
}

void TMainForm::mousePressEvent(QMouseEvent* event) {
  // The right button opens the popup menu (the context menu event that follows); any other
  // button moves the window.
  if (event->button() == Qt::RightButton) return;
  QWindow* window = windowHandle();
  if (window && window->startSystemMove()) {
    // The window system now moves the window and tells nothing when it is done (Qt even
    // reports a release at once): the move is over once the window has stood still a moment.
    systemMove_ = true;
  } else {
    moveByHand_ = true;
    grabOffset_ = event->globalPosition().toPoint() - pos();
  }
}

void TMainForm::mouseMoveEvent(QMouseEvent* event) {
  if (moveByHand_ && (event->buttons() & ~Qt::RightButton))
    move(event->globalPosition().toPoint() - grabOffset_);
}

void TMainForm::mouseReleaseEvent(QMouseEvent* event) {
  if (moveByHand_ && event->button() != Qt::RightButton) EndMove();
}

void TMainForm::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (systemMove_) moveEnd_.SetEnabled(true);  // restarts the wait
}

void TMainForm::EndMove() {
  if (!systemMove_ && !moveByHand_) return;
  systemMove_ = false;
  moveByHand_ = false;
  moveEnd_.SetEnabled(false);
  Guarded([&] { counter_->SaveSettings(); });
}

void TMainForm::contextMenuEvent(QContextMenuEvent* event) {
  popupMenu_->popup(event->globalPos());
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (closed_ || sessionEnding_) {
    event->accept();
    return;
  }
  bool accepted = true;
  try {
    accepted = counter_->FormClose();
  } catch (const std::exception& e) {
    // Settings that cannot be written must not keep the user from quitting.
    ShowError(e.what());
  }
  if (!accepted) {
    event->ignore();
    return;
  }
  closed_ = true;
  timer_.SetEnabled(false);
  event->accept();
  if (OnTerminate) OnTerminate();
}

void TMainForm::SetWindowVisible(bool visible) {
  setVisible(visible);
}

void TMainForm::SetHint(const std::string& hint) {
  setToolTip(ToQt(hint));
  // With a quota the tray tells what is left of it as well.
  trayIcon_.SetHint(counter_ && counter_->Quota() > 0 ? ToQt(hint) : QString::fromUtf8(kTrayHint));
}

WindowPos TMainForm::GetWindowPos() const {
  return {pos().x(), pos().y()};
}

namespace {

ScreenRect ToScreenRect(const QRect& r) {
  return {r.x(), r.y(), r.width(), r.height()};
}

ScreenArea AreaOf(const QScreen& screen) {
  return {ToScreenRect(screen.geometry()), ToScreenRect(screen.availableGeometry())};
}

std::vector<ScreenArea> ScreenAreas() {
  std::vector<ScreenArea> areas;
  for (const QScreen* screen : QGuiApplication::screens()) areas.push_back(AreaOf(*screen));
  return areas;
}

}  // namespace

void TMainForm::SetWindowPos(WindowPos pos) {
  const WindowPos place = PlaceOnScreens(pos, kWidth, kHeight, ScreenAreas());
  move(place.X, place.Y);
}

void TMainForm::KeepOnScreen() {
  if (systemMove_ || moveByHand_) return;  // the user is placing it
  SetWindowPos(GetWindowPos());
}

void TMainForm::WatchScreens() {
  const auto watch = [this](QScreen* screen) {
    QObject::connect(screen, &QScreen::availableGeometryChanged, this, [this] { KeepOnScreen(); });
    QObject::connect(screen, &QScreen::geometryChanged, this, [this] { KeepOnScreen(); });
  };
  for (QScreen* screen : QGuiApplication::screens()) watch(screen);
  auto* app = qGuiApp;
  QObject::connect(app, &QGuiApplication::screenAdded, this, [this, watch](QScreen* screen) {
    watch(screen);
    KeepOnScreen();
  });
  // Qt moves the windows of a screen that goes before telling; the check waits for that.
  QObject::connect(app, &QGuiApplication::screenRemoved, this,
                   [this] { QMetaObject::invokeMethod(this, [this] { KeepOnScreen(); },
                                                      Qt::QueuedConnection); });
}

WindowPos TMainForm::DefaultWindowPos() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return {1024 - kWidth, 768 - kHeight - kBottomMargin};
  return DefaultPlace(AreaOf(*screen), kWidth, kHeight);
}

MsgResult TMainForm::MessageBox(const std::string& text, const std::string& title, MsgIcon icon,
                                MsgButtons buttons) {
  if (sessionEnding_) {
    // Nobody is left to answer once the session ends.
    ToStandardError(title, text);
    return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
  }
  return ShowMessageBox(text, title, icon, buttons);
}

void TMainForm::ShowError(const std::string& message) {
  ToStandardError(kApplicationTitle, message);
  if (sessionEnding_) return;
  ShowMessageBox(message, kApplicationTitle, MsgIcon::Error, MsgButtons::Ok);
}

void TMainForm::QuotaWarning(const std::string& text) {
  if (notifier_ && notifier_->Notify({text, {}, {}}) != 0) return;
  trayIcon_.Native().showMessage(QString::fromUtf8(kApplicationTitle), ToQt(text));
}

void TMainForm::QuotaHangUpNotice(const std::string& text, int seconds) {
  if (notifier_) {
    noticeId_ = notifier_->Notify(
        {text, {}, {{kCancelHangUpAction, kCancelHangUpCaption}}, seconds * 1000});
    if (noticeId_ != 0) return;
  }
  // The menu has the cancel item; the message says where.
  trayIcon_.Native().showMessage(
      QString::fromUtf8(kApplicationTitle),
      ToQt(text + "\n« " + kCancelHangUpCaption + " » dans le menu de Chronolin"),
      QSystemTrayIcon::Warning, seconds * 1000);
}

void TMainForm::QuotaHangUpNoticeEnded() {
  if (notifier_ && noticeId_ != 0) notifier_->Close(noticeId_);
  noticeId_ = 0;
}

}  // namespace chronolin
