#include "components/path_label.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QFontMetrics>

namespace chronolin {
namespace {

// One unit per byte: widths are lengths.
int Length(std::string_view text) {
  return static_cast<int>(text.size());
}

ShortenedPath Shorten(std::string_view path, int width) {
  return ShortenPath(path, width, Length);
}

TEST(ShortenPathTest, APathThatFitsIsShownAsItIsWithoutHint) {
  const ShortenedPath r = Shorten("/usr/bin", 8);
  EXPECT_EQ(r.Text, "/usr/bin");
  EXPECT_FALSE(r.Hint);
  EXPECT_EQ(Shorten("", 0).Text, "");
  EXPECT_FALSE(Shorten("", 0).Hint);
}

TEST(ShortenPathTest, LeadingDirectoriesGiveWayOneByOne) {
  const std::string path = "/home/Program Files/Outils/Releve";  // 33
  // Each round drops one more directory after the first component, until the text fits.
  EXPECT_EQ(Shorten(path, 32).Text, "/home/ .../Outils/Releve");
  EXPECT_EQ(Shorten(path, 24).Text, "/home/ .../Outils/Releve");
  EXPECT_EQ(Shorten(path, 23).Text, "/home/ .../Releve");
  EXPECT_EQ(Shorten(path, 17).Text, "/home/ .../Releve");
  // Last, the separator before the last name goes alone.
  EXPECT_EQ(Shorten(path, 16).Text, "/home/ ...Releve");
  EXPECT_TRUE(Shorten(path, 16).Hint);
  for (int width = 0; width < 40; ++width) {
    const ShortenedPath r = Shorten(path, width);
    // Whatever is shortened fits; what does not fit is the whole path, with its hint.
    if (r.Text != path) {
      EXPECT_LE(Length(r.Text), width) << width;
    }
    EXPECT_EQ(r.Hint, width < 33) << width;
  }
}

TEST(ShortenPathTest, ALastNameTooWideIsShownWholeWithHint) {
  const ShortenedPath r = Shorten("/home/Releve", 10);
  EXPECT_EQ(r.Text, "/home/Releve");
  EXPECT_TRUE(r.Hint);
  // A single component has nothing to drop.
  EXPECT_EQ(Shorten("/LongName", 4).Text, "/LongName");
  EXPECT_TRUE(Shorten("/LongName", 4).Hint);
}

TEST(ShortenPathTest, OnlySeparatorAfterTheFirstComponent) {
  // Dropping the separator alone only adds the ellipsis: that can never fit where the path did
  // not, so the path is shown whole with its hint.
  for (int width = 0; width < 14; ++width) {
    const ShortenedPath r = Shorten("/home/LongName", width);
    EXPECT_EQ(r.Text, "/home/LongName") << width;
    EXPECT_TRUE(r.Hint) << width;
  }
}

TEST(ShortenPathTest, RelativePathsKeepTheirFirstDirectory) {
  EXPECT_EQ(Shorten("docs/aa/bb/cc/d", 11).Text, "docs/ .../d");
  EXPECT_EQ(Shorten("docs/aa/bb/cc/d", 14).Text, "docs/ .../cc/d");
}

TEST(TPathLabelTest, LabelShortensToItsWidthAndOffersTheFullPath) {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
    GTEST_SKIP() << "needs the widget tests' application object";
  }
  TPathLabel label;
  label.setFixedWidth(180);
  const QFontMetrics metrics(label.font());
  EXPECT_EQ(label.height(), metrics.boundingRect(QStringLiteral("Aj|")).height());

  label.SetCaption(QStringLiteral("/usr/bin"));
  EXPECT_EQ(label.text(), QStringLiteral("/usr/bin"));
  EXPECT_TRUE(label.toolTip().isEmpty());

  const QString deep = QStringLiteral(
      "/home/utilisateur/Documents/Programmes installés à la main/outils réseau/Releve");
  ASSERT_GT(metrics.horizontalAdvance(deep), 180);
  label.SetCaption(deep);
  EXPECT_EQ(label.Caption(), deep);
  EXPECT_EQ(label.toolTip(), deep);
  EXPECT_TRUE(label.text().startsWith(QStringLiteral("/home/ ...")));
  EXPECT_TRUE(deep.endsWith(label.text().mid(10)));
  EXPECT_LE(metrics.horizontalAdvance(label.text()), 180);

  label.SetCaption(QString());
  EXPECT_TRUE(label.text().isEmpty());
  EXPECT_TRUE(label.toolTip().isEmpty());
}

}  // namespace
}  // namespace chronolin
