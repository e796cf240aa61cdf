// The counter window's "&Paramètres ..." command: the settings dialog over the window, and what
// the window applies once it is confirmed.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

#include "counter/main_form.h"
#include "fakes.h"
#include "platform/app_paths.h"
#include "platform/autostart.h"
#include "settings/param_form.h"

namespace chronolin::testing {
namespace {

class ParamClickTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) oldConfig_ = old;
    ::setenv("XDG_CONFIG_HOME", (dir.path() / "config").c_str(), 1);
    ras.entries = {"Maison", "Bureau"};
  }
  void TearDown() override {
    if (oldConfig_) {
      ::setenv("XDG_CONFIG_HOME", oldConfig_->c_str(), 1);
    } else {
      ::unsetenv("XDG_CONFIG_HOME");
    }
  }

  void Create() {
    form = std::make_unique<TMainForm>(MainFormServices{ras, clock, settings, journal});
    form->OnTerminate = [] {};
    ASSERT_TRUE(form->FormCreate());
    form->Timer().SetEnabled(false);
  }
  void TickCounter(int seconds) {
    for (int i = 0; i < seconds; ++i) {
      clock.Advance(1000);
      form->Counter().TimerTimer();
    }
  }

  // Runs the command; `act` works the dialog once it is open and closes it.
  void Param(std::function<void(TParamForm&)> act) {
    QTimer::singleShot(0, form.get(), [this, act] {
      auto* dialog = dynamic_cast<TParamForm*>(QApplication::activeModalWidget());
      if (!dialog) {
        ADD_FAILURE() << "no settings dialog";
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
        return;
      }
      trayMenuDuringDialog = form->TrayIcon().PopupMenu();
      trayHandlerDuringDialog = static_cast<bool>(form->TrayIcon().OnMouseDown);
      act(*dialog);
    });
    form->Item(QStringLiteral("MIParam"))->trigger();
  }

  bool SessionEntry() const {
    return std::filesystem::exists(AutostartEntryPath(ExecutablePath()));
  }

  TempDir dir;
  Regional regional = Regional::French();
  FakeRas ras;
  FakeClock clock;
  SettingsFile settings{dir.path() / "Chronolin.ini", regional};
  Journal journal{dir.path() / "Connexions.txt", regional};
  std::unique_ptr<TMainForm> form;
  QMenu* trayMenuDuringDialog = nullptr;
  bool trayHandlerDuringDialog = false;

 private:
  std::optional<std::string> oldConfig_;
};

TEST_F(ParamClickTest, OkAppliesVisibilitySessionStartOfflineAndTheReloadedTotalCancelNothing) {
  settings.WriteDuree("Maison", "05:00:00");
  Create();
  ASSERT_EQ(form->Counter().DisplayTotal(), 5 * 3600);
  ASSERT_TRUE(form->isVisible());
  const bool offLine = form->Counter().SetOffLineState();

  const auto change = [](TParamForm& dialog) {
    dialog.RazDureeAction()->trigger();  // the first entry, "Maison"
    dialog.VJmsRadioButton()->click();
    dialog.StartWCheckBox()->click();
    dialog.OffLineCheckBox()->click();
  };
  Param([&change](TParamForm& dialog) {
    change(dialog);
    dialog.ButtonCancel()->click();
  });
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(SessionEntry());
  EXPECT_EQ(form->Counter().SetOffLineState(), offLine);
  EXPECT_EQ(form->Counter().DisplayTotal(), 5 * 3600);
  EXPECT_EQ(form->TrayIcon().PopupMenu(), &form->PopupMenu());

  Param([&change](TParamForm& dialog) {
    change(dialog);
    dialog.ButtonOk()->click();
  });
  // While the dialog was open a press on the tray icon only brought the window forward.
  EXPECT_EQ(trayMenuDuringDialog, nullptr);
  EXPECT_TRUE(trayHandlerDuringDialog);
  EXPECT_EQ(form->TrayIcon().PopupMenu(), &form->PopupMenu());
  EXPECT_FALSE(form->TrayIcon().OnMouseDown);

  EXPECT_EQ(form->Counter().VisibleMode(), kVisibleNever);
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(SessionEntry());
  EXPECT_EQ(form->Counter().SetOffLineState(), !offLine);
  EXPECT_EQ(form->Counter().DisplayTotal(), 0);  // nothing counted: reloaded at once

  Param([](TParamForm& dialog) {
    dialog.VTjsRadioButton()->click();
    dialog.StartWCheckBox()->click();
    dialog.ButtonOk()->click();
  });
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(SessionEntry());
}

TEST_F(ParamClickTest, WhileCountingTheDialogGreysTheEntryAndNothingIsReloaded) {
  Create();
  ras.Connect("Maison", RASCS_Connected);
  TickCounter(3);
  ASSERT_TRUE(form->Counter().Counting());
  const std::int32_t total = form->Counter().DisplayTotal();
  bool greyed = false;
  Param([&](TParamForm& dialog) {
    greyed = !dialog.EditDuree()->isEnabled();
    settings.WriteDuree("Maison", "09:00:00");  // as if stored meanwhile
    dialog.VCnxRadioButton()->click();
    dialog.ButtonOk()->click();
  });
  EXPECT_TRUE(greyed);
  EXPECT_EQ(form->Counter().VisibleMode(), kVisibleWhileCounting);
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->Counter().DisplayTotal(), total);
  EXPECT_EQ(settings.ReadDuree("Maison"), "09:00:00");
}

}  // namespace
}  // namespace chronolin::testing
