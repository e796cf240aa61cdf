#include "platform/desktop_entry.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

#include "support/scratch_dir.h"

namespace chronolin {
namespace {

namespace fs = std::filesystem;

class DesktopEntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = scratch_.path();
    search_.dataDirs = {root_ / "home", root_ / "system"};
    search_.locales = {"fr_FR", "fr"};
    search_.path = {root_ / "bin"};
    fs::create_directories(root_ / "bin");
  }

  fs::path Program(const std::string& name) {
    const fs::path file = root_ / "bin" / name;
    std::ofstream(file) << "#!/bin/sh\n";
    fs::permissions(file, fs::perms::owner_all);
    return file;
  }
  void Launcher(const std::string& dataDir, const std::string& id, const std::string& text) {
    const fs::path file = root_ / dataDir / "applications" / id;
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
  }

  testing::TempDir scratch_;
  fs::path root_;
  DesktopSearch search_;
};

TEST_F(DesktopEntryTest, CommentInThePreferredLanguageThenNameThenNothing) {
  const fs::path editor = Program("editeur");
  Launcher("system", "editeur.desktop",
           "[Desktop Entry]\nType=Application\nName=Editor\nName[fr]=Éditeur\n"
           "Comment=Edit text\nComment[fr]=Modifier du texte\nExec=editeur %F\n");
  EXPECT_EQ(DescriptionOf(editor, search_), "Modifier du texte");
  search_.locales = {"de"};
  EXPECT_EQ(DescriptionOf(editor, search_), "Edit text");

  const fs::path viewer = Program("viewer");
  Launcher("system", "viewer.desktop",
           "[Desktop Entry]\r\nType=Application\r\nName = Viewer\r\nExec=viewer\r\n");
  EXPECT_EQ(DescriptionOf(viewer, search_), "Viewer");

  EXPECT_EQ(DescriptionOf(Program("unknown"), search_), "");
  EXPECT_EQ(DescriptionOf(root_ / "bin" / "missing", search_), "");
}

TEST_F(DesktopEntryTest, ExecByFullQuotedPathOrTryExecAndThroughLinks) {
  fs::create_directories(root_ / "opt" / "my tools");
  const fs::path tool = root_ / "opt" / "my tools" / "tool";
  std::ofstream(tool) << "x";
  fs::permissions(tool, fs::perms::owner_all);
  Launcher("system", "tool.desktop",
           "[Desktop Entry]\nType=Application\nName=Tool\nExec=\"" + tool.string() +
               "\" --new-window %u\n");
  EXPECT_EQ(DescriptionOf(tool, search_), "Tool");

  // The chosen file may be a link to the launcher's program, or the other way round.
  const fs::path link = root_ / "bin" / "tool-link";
  fs::create_symlink(tool, link);
  EXPECT_EQ(DescriptionOf(link, search_), "Tool");

  const fs::path wrapped = Program("wrapped");
  Launcher("system", "wrapped.desktop",
           "[Desktop Entry]\nType=Application\nName=Wrapped\nTryExec=wrapped\n"
           "Exec=env LANG=C wrapped\n");
  EXPECT_EQ(DescriptionOf(wrapped, search_), "Wrapped");
}

TEST_F(DesktopEntryTest, HiddenOtherTypesAndOtherGroupsDoNotCount) {
  const fs::path prog = Program("prog");
  Launcher("system", "a-hidden.desktop",
           "[Desktop Entry]\nType=Application\nName=Gone\nHidden=true\nExec=prog\n");
  Launcher("system", "b-link.desktop", "[Desktop Entry]\nType=Link\nName=Link\nExec=prog\n");
  Launcher("system", "c-action.desktop",
           "[Desktop Entry]\nType=Application\nName=Other\nExec=other\n\n"
           "[Desktop Action New]\nName=Action\nExec=prog\n");
  EXPECT_EQ(DescriptionOf(prog, search_), "");
  Launcher("system", "d-real.desktop",
           "# comment\n[Desktop Entry]\nType=Application\nName=Real\\sone\nExec=prog\n");
  EXPECT_EQ(DescriptionOf(prog, search_), "Real one");
}

TEST_F(DesktopEntryTest, AUserLauncherHidesTheSystemOneOfTheSameId) {
  const fs::path prog = Program("prog");
  Launcher("system", "vendor/prog.desktop",
           "[Desktop Entry]\nType=Application\nName=System\nExec=prog\n");
  EXPECT_EQ(DescriptionOf(prog, search_), "System");
  Launcher("home", "vendor-prog.desktop",
           "[Desktop Entry]\nType=Application\nName=Mine\nExec=prog\n");
  EXPECT_EQ(DescriptionOf(prog, search_), "Mine");
  Launcher("home", "vendor-prog.desktop",
           "[Desktop Entry]\nType=Application\nName=Mine\nHidden=true\nExec=prog\n");
  EXPECT_EQ(DescriptionOf(prog, search_), "");
}

TEST(DesktopLocaleTest, CandidatesFromTheMostSpecific) {
  EXPECT_EQ(LocaleCandidates("fr_FR.UTF-8@euro"),
            (std::vector<std::string>{"fr_FR@euro", "fr_FR", "fr@euro", "fr"}));
  EXPECT_EQ(LocaleCandidates("de"), (std::vector<std::string>{"de"}));
  EXPECT_TRUE(LocaleCandidates("C.UTF-8").empty());
}

}  // namespace
}  // namespace chronolin
