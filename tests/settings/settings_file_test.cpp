#include "settings/settings_file.h"

#include "ini_fixture.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <iterator>

namespace chronolin {
namespace {

namespace fs = std::filesystem;

class SettingsFileTest : public IniFixture {
 protected:
  Regional fr_ = Regional::French();
  const TDateTime today_ = EncodeDate(2024, 3, 5);
};

TEST_F(SettingsFileTest, MissingFileGivesTheDefaults) {
  SettingsFile s(Ini(), fr_);
  EXPECT_FALSE(s.ReadAutoRun());
  EXPECT_EQ(s.ReadVisible(), 0);
  EXPECT_TRUE(s.ReadSetOffLineState());
  EXPECT_EQ(s.ReadLastRun(today_), today_);
  EXPECT_EQ(s.ReadCnx(), "");
  EXPECT_EQ(s.ReadDuree("Mon FAI"), "00:00:00");
  EXPECT_FALSE(s.HasDuree("Mon FAI"));
  EXPECT_EQ(s.ReadStartEvent("Mon FAI"), 2);
  EXPECT_EQ(s.ReadStartDelay("Mon FAI"), 0);
  // A missing key shows as checked in the dialog but does not trigger the monthly reset.
  EXPECT_TRUE(s.ReadRazAutoForDialog("Mon FAI"));
  EXPECT_FALSE(s.ReadRazAutoForReset("Mon FAI"));
  EXPECT_TRUE(s.ReadApplis().empty());
  EXPECT_FALSE(fs::exists(Ini()));
}

TEST_F(SettingsFileTest, WritesUseTheFileEncodings) {
  SettingsFile s(Ini(), fr_);
  s.WriteAutoRun(true);
  s.WriteVisible(1);
  s.WriteSetOffLineState(false);
  s.WriteLastRun(EncodeDate(2024, 2, 29) + 0.6);
  s.WriteCnx("Mon FAI");
  s.WriteWindowPos(-20, 300);
  s.WriteDuree("Mon FAI", "12:34:56");
  s.WriteStartEvent("Mon FAI", 1);
  s.WriteStartDelay("Mon FAI", 1500);
  s.WriteRazAuto("Mon FAI", false);
  EXPECT_EQ(Slurp(),
            "[Paramètres]\r\nAutoRun=1\r\nVisible=1\r\nSetOffLineState=0\r\nLastRun=29/02/2024\r\n"
            "Cnx=Mon FAI\r\n\r\n[WindowPos]\r\nX=-20\r\nY=300\r\n\r\n"
            "[Mon FAI]\r\nDurée=12:34:56\r\nStartEvent=1\r\nStartDelay=1500\r\nRàZAuto=0\r\n");
  EXPECT_EQ(s.ReadLastRun(today_), EncodeDate(2024, 2, 29));
  EXPECT_FALSE(s.ReadRazAutoForDialog("Mon FAI"));
  EXPECT_EQ(s.Sections(), (std::vector<std::string>{"Paramètres", "WindowPos", "Mon FAI"}));
  s.EraseSection("mon fai");
  EXPECT_FALSE(s.HasDuree("Mon FAI"));
}

TEST_F(SettingsFileTest, LastRunThatNoLongerParsesReadsAsToday) {
  SettingsFile s(Ini(), fr_);
  for (const char* text : {"2024-02-29", "02/29/2024", "29.02.2024", "hier", "31/02/2024"}) {
    Put(std::string("[Paramètres]\r\nLastRun=") + text + "\r\n");
    EXPECT_EQ(s.ReadLastRun(today_), today_) << text;
  }
}

TEST_F(SettingsFileTest, HasDureeLooksForTheKeyOnly) {
  Put("[A]\r\nDURÉE=\r\n[B]\r\nStartEvent=1\r\n[C]\r\n; Durée=00:00:01\r\n");
  SettingsFile s(Ini(), fr_);
  EXPECT_TRUE(s.HasDuree("a"));
  EXPECT_EQ(s.ReadDuree("A"), "");
  EXPECT_FALSE(s.HasDuree("B"));
  EXPECT_FALSE(s.HasDuree("C"));
}

TEST_F(SettingsFileTest, ApplisReadInFileOrderUpToTen) {
  std::string text = "[Appli]\r\n";
  for (int i = 12; i >= 1; --i) {
    text += "k" + std::to_string(i) + "=prog" + std::to_string(i) + ",100,1,0\r\n";
  }
  text += "no value line\r\n[Other]\r\n1=not an appli\r\n";
  Put(text);
  SettingsFile s(Ini(), fr_);
  const auto applis = s.ReadApplis();
  ASSERT_EQ(applis.size(), kMaxApplis);
  EXPECT_EQ(applis.front().CmdLine, "prog12");
  EXPECT_EQ(applis.back().CmdLine, "prog3");
  EXPECT_EQ(applis.back().Delay, 100);

  Put("[Appli]\r\n1=a\r\n2=b\r\n3=c\r\n4=d\r\n5=e\r\n6=f\r\n7=g\r\n8=h\r\n9=i\r\n10=j=k,5\r\n");
  const auto ten = s.ReadApplis();
  ASSERT_EQ(ten.size(), 10u);
  EXPECT_EQ(ten[9].CmdLine, "j=k");  // the value starts after the first "="
  EXPECT_EQ(ten[0], TAppli{.CmdLine = "a"});
}

TEST_F(SettingsFileTest, ApplisWithoutACommandLineAreNone) {
  Put("[Appli]\r\n1=\r\n2=  ,500,0,1\r\n=/bin/orphan\r\n3=/bin/true\r\n[Open\r\n4=/bin/false\r\n");
  SettingsFile s(Ini(), fr_);
  EXPECT_EQ(s.ReadApplis(), TAppliList{TAppli{.CmdLine = "/bin/true"}});
}

TEST_F(SettingsFileTest, WriteApplisReplacesTheSection) {
  Put("[Appli]\r\n1=old,0,0,1\r\n7=older,0,0,1\r\n[Paramètres]\r\nAutoRun=1\r\n");
  SettingsFile s(Ini(), fr_);
  TAppliList list;
  for (int i = 0; i < 12; ++i) {
    list.push_back({.CmdLine = "p" + std::to_string(i),
                    .Delay = i * 10,
                    .WindowState = i % 3,
                    .CloseOnDisconnect = i % 2 == 0});
  }
  s.WriteApplis(list);
  const auto back = s.ReadApplis();
  ASSERT_EQ(back.size(), kMaxApplis);
  EXPECT_EQ(back, TAppliList(list.begin(), list.begin() + 10));
  EXPECT_TRUE(s.ReadAutoRun());
  const auto before = Slurp();
  EXPECT_NE(before.find("[Appli]\r\n1=p0,0,0,1\r\n2=p1,10,1,0\r\n"), std::string::npos);
  EXPECT_EQ(before.find("old"), std::string::npos);

  // Something the section cannot hold: an error, and the list on file untouched.
  EXPECT_THROW(s.WriteApplis({{.CmdLine = "ok"}, {.CmdLine = "a,b"}}), std::invalid_argument);
  EXPECT_EQ(Slurp(), before);

  s.WriteApplis({});
  EXPECT_TRUE(s.ReadApplis().empty());
  EXPECT_EQ(s.Sections(), std::vector<std::string>{"Paramètres"});
}

}  // namespace
}  // namespace chronolin
