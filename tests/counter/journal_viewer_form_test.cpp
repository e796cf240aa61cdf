// The journal viewer follows the file while it is open (offscreen platform).
#include "counter/journal_viewer_form.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace chronolin {
namespace {

namespace fs = std::filesystem;

bool WaitFor(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

TEST(JournalViewerTest, FollowsAppendsAndClearsAndKeepsTheReadersPlace) {
  std::string name = (fs::temp_directory_path() / "chronolin-viewer-XXXXXX").string();
  ASSERT_NE(::mkdtemp(name.data()), nullptr);
  const fs::path journal = fs::path(name) / "Connexions.txt";
  const auto append = [&](const std::string& line) {
    std::ofstream(journal, std::ios::binary | std::ios::app) << line << "\r\n";
  };
  for (int i = 0; i < 200; ++i) append("07/12/2026 - 14:03:27 - Fournisseur - 00:15:42 (Conn.)");

  TJournalViewerForm viewer;
  viewer.ShowJournal(journal);
  QPlainTextEdit& text = viewer.Text();
  QScrollBar* bar = text.verticalScrollBar();

  // A new line shows, and the view stays at the end.
  append("08/12/2026 - Nouvelle");
  EXPECT_TRUE(WaitFor([&] { return text.toPlainText().endsWith(QStringLiteral("Nouvelle")); }));
  EXPECT_EQ(bar->value(), bar->maximum());

  // Scrolled up to read: the next line arrives, the place is kept.
  bar->setValue(10);
  append("09/12/2026 - Suivante");
  EXPECT_TRUE(WaitFor([&] { return text.toPlainText().endsWith(QStringLiteral("Suivante")); }));
  EXPECT_EQ(bar->value(), 10);

  // Cleared (truncated), then removed and written anew: both show.
  bar->setValue(bar->maximum());
  std::ofstream(journal, std::ios::binary | std::ios::trunc).close();
  EXPECT_TRUE(WaitFor([&] { return text.toPlainText().isEmpty(); }));
  fs::remove(journal);
  append("10/12/2026 - Recréé");
  EXPECT_TRUE(WaitFor([&] { return text.toPlainText() == QStringLiteral("10/12/2026 - Recréé"); }));
  append("10/12/2026 - Encore");
  EXPECT_TRUE(WaitFor([&] { return text.toPlainText().endsWith(QStringLiteral("Encore")); }));

  viewer.close();
  fs::remove_all(name);
}

}  // namespace
}  // namespace chronolin
