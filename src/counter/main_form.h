#pragma once
// The counter window: a 117 x 19 strip above every other window showing the month's total of
// the selected entry and the current connection's duration, its popup menu (shared with the
// tray icon) and the program's start and end. The counting itself is TCounter's; this window
// shows it and turns menu, mouse and tray events into its operations.
#include <QAction>
#include <QCoreApplication>
#include <QImage>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "components/menu_skin.h"
#include "components/tick_timer.h"
#include "components/tray_icon.h"
#include "counter/counter.h"
#include "counter/journal_viewer_form.h"
#include "platform/desktop_notifier.h"

namespace chronolin {

inline constexpr char kApplicationTitle[] = "Chrono-lin";
inline constexpr char kAlreadyRunningText[] = "Chrono-lin déjà actif !";
inline constexpr char kJournalMissingText[] = "Le fichier Connexions.txt est introuvable !";
inline constexpr char kJournalMissingTitle[] = "Erreur";
inline constexpr char kClearJournalText[] = "Effacer le journal des connexions ?";

// What the window's counter works with.
struct MainFormServices {
  RasProvider& ras;
  Clock& clock;
  SettingsFile& settings;
  Journal& journal;
  AppLauncher* launcher = nullptr;
  // None: the quota's messages go to the tray icon.
  DesktopNotifier* notifier = nullptr;
};

// A modal message box with the program's French buttons ("&Oui", "&Non").
MsgResult ShowMessageBox(const std::string& text, const std::string& title, MsgIcon icon,
                         MsgButtons buttons);

class TMainForm : public QWidget, public CounterView {
 public:
  static constexpr int kWidth = 117;
  static constexpr int kHeight = 19;
  // Distance between the default position and the bottom of the screen.
  static constexpr int kBottomMargin = 30;

  // Images of ImageList used by the menu.
  static constexpr int kImageConnexions = 2;
  static constexpr int kImageQuitter = 3;
  static constexpr int kImageRaZ = 4;
  static constexpr int kImageCounter = 5;

  explicit TMainForm(const MainFormServices& services);
  ~TMainForm() override;  // FormDestroy

  // The window's start-up: the phonebook menu, the settings, the selected entry, the first
  // paint, the tray icon and the one-second tick. False when the phonebook is empty: the
  // message has been shown and the program must end.
  bool FormCreate();
  // The session ends (SIGTERM, SIGHUP, the session manager): a counted connection is hung up
  // and closed at once, the settings saved, and the event loop left. Runs once.
  void SessionEndHook();
  bool SessionEnding() const { return sessionEnding_; }
  // Whether a close request was accepted (the program ends).
  bool Closed() const { return closed_; }
  // Ends the program once the window is closed or the session ends: leaves the event loop.
  std::function<void()> OnTerminate = [] { QCoreApplication::exit(0); };

  // Event handlers.
  void TrayIconMouseDown(TTrayIcon& sender, TMouseButton button, unsigned shift, QPoint pos);
  void PopupMenuMeasureItem(QAction& item, int& width, int& height);
  void PopupMenuAdvancedDrawItem(QAction& item, QPainter& canvas, const QRect& rect, bool selected);
  void MISelectedCnxClick();
  void MICnxClick(QAction& item);
  void MIParamClick();
  void MIRaZDCClick();
  void MIVoirJrnlClick();
  void MIExpJrnlClick();
  void MIClearJrnlClick();
  void MIQuitterClick();
  void MIAnnulerDeconnexionClick();

  // Components.
  TCounter& Counter() { return *counter_; }
  QMenu& PopupMenu() { return *popupMenu_; }
  TTrayIcon& TrayIcon() { return trayIcon_; }
  TMenuSkin& MenuSkin() { return menuSkin_; }
  TTickTimer& Timer() { return timer_; }
  const QImage& BackBitmap() const { return backBitmap_; }
  const QImage& DrawBitmap() const { return drawBitmap_; }
  const QFont& CounterFont() const { return font_; }
  // Null until the journal has been shown once.
  TJournalViewerForm* JournalViewer() { return journalViewer_.get(); }
  // A menu item by component name ("MISelectedCnx", "MICnx0", "N2"...), null when absent.
  QAction* Item(const QString& name) const;
  // An item's caption as the user sees it (menu texts double a literal "&").
  static QString Caption(const QAction& item);

  // CounterView
  void PaintCounter() override;
  void SetWindowVisible(bool visible) override;
  void SetHint(const std::string& hint) override;
  void ConnexionMenuChanged() override;
  WindowPos GetWindowPos() const override;
  void SetWindowPos(WindowPos pos) override;
  // The default place on the primary screen, within what its panels leave free.
  WindowPos DefaultWindowPos() const override;
  // Brings the window back to the default place of the nearest screen when it is not wholly
  // inside the free area of one; runs at start and whenever the screens change.
  void KeepOnScreen();
  MsgResult MessageBox(const std::string& text, const std::string& title, MsgIcon icon,
                       MsgButtons buttons) override;
  void ShowError(const std::string& message) override;
  void QuotaWarning(const std::string& text) override;
  void QuotaHangUpNotice(const std::string& text, int seconds) override;
  void QuotaHangUpNoticeEnded() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;       // FormPaint
  void mousePressEvent(QMouseEvent* event) override;  // FormMouseDown
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void closeEvent(QCloseEvent* event) override;  // FormClose

 private:
  void CreateMenu();
  QAction* AddItem(QMenu& menu, const char* name, const QString& caption, int image,
                   void (TMainForm::*handler)());
  QAction* AddSeparator(QMenu& menu, const char* name);
  void RebuildConnexionItems(const ConnexionMenu& model);
  void EndMove();
  void WatchScreens();
  // Runs a handler; an error escaping it is shown in the error box.
  template <typename F>
  void Guarded(F&& handler);

  // Declared first, destroyed last: the menus it draws go before it.
  TMenuSkin menuSkin_;
  std::array<QIcon, 6> imageList_;
  QImage backBitmap_;
  QImage drawBitmap_;
  QFont font_;

  std::unique_ptr<QMenu> popupMenu_;
  QAction* miSelectedCnx_ = nullptr;
  QAction* miAnnulerDeconnexion_ = nullptr;
  QAction* miN2_ = nullptr;
  QAction* miConnexions_ = nullptr;
  QMenu* connexionsMenu_ = nullptr;
  std::vector<QAction*> connexionItems_;  // MICnx0, MICnx1...

  TTrayIcon trayIcon_;
  RasProvider& ras_;
  Journal& journal_;
  SettingsFile& settings_;  // the settings dialog's
  std::unique_ptr<TCounter> counter_;
  std::unique_ptr<TJournalViewerForm> journalViewer_;
  DesktopNotifier* notifier_;
  std::uint32_t noticeId_ = 0;  // the hang-up notice on the desktop

  // Moving: through the window system when it can, else by following the mouse ourselves.
  bool systemMove_ = false;
  bool moveByHand_ = false;
  QPoint grabOffset_;
  TTickTimer moveEnd_;

  TTickTimer timer_;
  bool sessionEnding_ = false;
  bool closed_ = false;
};

}  // namespace chronolin
