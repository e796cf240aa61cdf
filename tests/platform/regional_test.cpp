#include "platform/regional.h"

#include <gtest/gtest.h>
#include <locale.h>
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <optional>

// glibc's newlocale() never frees the search path it builds from LOCPATH, which the real
// locale test sets; the leak checker of sanitised builds is told so.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:__argz_add_sep\n";
}

namespace chronolin {
namespace {

namespace fs = std::filesystem;

// Sets environment variables for one test and puts the old values back.
class ScopedEnv {
 public:
  ~ScopedEnv() {
    for (const auto& [name, old] : saved_) {
      if (old)
        ::setenv(name.c_str(), old->c_str(), 1);
      else
        ::unsetenv(name.c_str());
    }
  }
  void Set(const std::string& name, const char* value) {
    if (!saved_.count(name)) {
      const char* old = ::getenv(name.c_str());
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value)
      ::setenv(name.c_str(), value, 1);
    else
      ::unsetenv(name.c_str());
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

void ExpectFrench(const Regional& r) {
  const auto f = Regional::French();
  EXPECT_EQ(r.shortDateFormat, f.shortDateFormat);
  EXPECT_EQ(r.longMonthNames, f.longMonthNames);
}

TEST(RegionalFormat, FrenchPictures) {
  const auto fr = Regional::French();
  // Tuesday 5 February 2008, 00:07:09.045
  const TDateTime t = EncodeDate(2008, 2, 5) + EncodeTime(0, 7, 9, 45);
  const std::pair<const char*, const char*> cases[] = {
      {"dd/mm/yyyy", "05/02/2008"},  {"d/m/yy", "5/2/08"},
      {"ddd d mmm", "mar. 5 févr."}, {"dddd d mmmm yyyy", "mardi 5 février 2008"},
      {"DD/MM/YYYY", "05/02/2008"},  {"hh:nn:ss", "00:07:09"},
      {"h:n:s.zzz", "0:7:9.045"},    {"hh:mm:ss", "00:07:09"},  // minutes after an hour
      {"hh\"h\"mm", "00h07"},    // a quoted literal between them changes nothing
      {"mm/dd hh", "02/05 00"},  // month before any hour
      {"h:mm AM/PM", "12:07 AM"},    {"hh:nn am/pm", "12:07 am"},
      {"\"le\" d", "le 5"},          {"yyyy-mm-dd\"T\"hh:nn", "2008-02-05T00:07"},
  };
  for (const auto& [picture, expected] : cases)
    EXPECT_EQ(fr.Format(picture, t), expected) << picture;
  const TDateTime afternoon = EncodeDate(2008, 12, 31) + EncodeTime(13, 5, 0);
  EXPECT_EQ(fr.Format("h:nn A/P dddd d mmmm", afternoon), "1:05 P mercredi 31 décembre");
  EXPECT_EQ(fr.FormatShortDate(afternoon) + " " + fr.FormatLongTime(afternoon),
            "31/12/2008 13:05:00");
}

TEST(RegionalParse, FrenchShortDates) {
  const auto fr = Regional::French();
  const auto d = [](int y, int m, int day) {
    return std::optional<TDateTime>(EncodeDate(y, m, day));
  };
  EXPECT_EQ(fr.ParseShortDate("05/02/2008"), d(2008, 2, 5));
  EXPECT_EQ(fr.ParseShortDate("5/2/2008"), d(2008, 2, 5));
  EXPECT_EQ(fr.ParseShortDate("  29/02/2008\t"), d(2008, 2, 29));
  EXPECT_EQ(fr.ParseShortDate("05/02/08"), d(2008, 2, 5));
  EXPECT_EQ(fr.ParseShortDate("05/02/49"), d(2049, 2, 5));
  EXPECT_EQ(fr.ParseShortDate("05/02/50"), d(1950, 2, 5));
  for (const char* bad : {"", "  ", "2008-02-05", "05-02-2008", "02/05/2008x", "05/02", "05/02/",
                          "29/02/2009", "31/04/2008", "00/01/2008", "05/13/2008", "05/02/208",
                          "05/02/20081", "005/02/2008", "5 /02/2008", "05/02/2008 12:00"}) {
    EXPECT_EQ(fr.ParseShortDate(bad), std::nullopt) << '"' << bad << '"';
  }
}

TEST(RegionalParse, EveryDayRoundTripsThroughTheShortFormat) {
  // Field order, month names and fields without separators all have to find the day again.
  for (const char* picture :
       {"dd/mm/yyyy", "d/m/yy", "mm/dd/yyyy", "yyyymmdd", "d mmmm yyyy", "ddd d mmm yy"}) {
    auto r = Regional::French();
    r.shortDateFormat = picture;
    for (TDateTime day = EncodeDate(1999, 12, 1); day <= EncodeDate(2001, 3, 1); day += 1) {
      const auto text = r.FormatShortDate(day + 0.75);
      ASSERT_EQ(r.ParseShortDate(text), day) << picture << " " << text;
    }
  }
}

TEST(RegionalEnvironment, StrftimeFormatsBecomePictures) {
  const std::pair<const char*, const char*> cases[] = {
      {"%d/%m/%Y", "dd/mm/yyyy"},
      {"%e.%-m.%y", "d.m.yy"},
      {"%D", "mm/dd/yy"},
      {"%F", "yyyy-mm-dd"},
      {"%T", "hh:nn:ss"},
      {"%R", "hh:nn"},
      {"%I:%M:%S %p", "hh:nn:ss AM/PM"},
      {"%l:%M", "h:nn AM/PM"},
      {"%a %e %b %Y", "ddd d mmm yyyy"},
      {"%A %d de %B", "dddd dd\" de \"mmmm"},
      {"%Y년 %m월 %d일", "yyyy년 mm월 dd일"},
      {"%Ey %Od%%", "yy dd%"},
      {"%H:%M:%S %Z", "hh:nn:ss "},
  };
  for (const auto& [format, picture] : cases)
    EXPECT_EQ(PictureFromStrftime(format), picture) << format;
  // A translated picture formats as the C library would.
  const TDateTime t = EncodeDate(2008, 2, 5) + EncodeTime(15, 4, 0);
  EXPECT_EQ(Regional::French().Format(PictureFromStrftime("%A %d de %B"), t),
            "mardi 05 de février");
}

TEST(RegionalEnvironment, PosixLocalesGiveTheFrenchSettings) {
  for (const char* name : {"C", "POSIX", "C.UTF-8"}) {
    ScopedEnv env;
    env.Set("LC_ALL", name);
    ExpectFrench(Regional::FromEnvironment());
  }
  ScopedEnv env;
  env.Set("LC_ALL", nullptr);
  env.Set("LC_TIME", nullptr);
  env.Set("LANG", nullptr);
  ExpectFrench(Regional::FromEnvironment());
  env.Set("LANG", "xx_NOWHERE.UTF-8");  // newlocale() fails
  ExpectFrench(Regional::FromEnvironment());
}

bool LocaleExists(const std::string& name) {
  const locale_t l = ::newlocale(LC_TIME_MASK, name.c_str(), static_cast<locale_t>(nullptr));
  if (l) ::freelocale(l);
  return l != static_cast<locale_t>(nullptr);
}

// Makes a locale usable: installed already, or compiled from the system's locale sources into
// `dir`, which LOCPATH then names. False when neither works.
bool ProvideLocale(const std::string& source, const fs::path& dir, ScopedEnv& env) {
  const auto name = source + ".UTF-8";
  if (LocaleExists(name)) return true;
  const auto command =
      "localedef -i " + source + " -f UTF-8 '" + (dir / name).string() + "' >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return false;
  env.Set("LOCPATH", dir.c_str());
  return LocaleExists(name);
}

TEST(RegionalEnvironment, ReadsARealLocale) {
  std::string dir = (fs::temp_directory_path() / "chronolin-locales-XXXXXX").string();
  ASSERT_NE(::mkdtemp(dir.data()), nullptr);
  ScopedEnv env;
  const bool fr = ProvideLocale("fr_FR", dir, env);
  const bool us = ProvideLocale("en_US", dir, env);
  if (fr) {
    env.Set("LC_ALL", nullptr);
    env.Set("LANG", "C");
    env.Set("LC_TIME", "fr_FR.UTF-8");
    const auto r = Regional::FromEnvironment();
    EXPECT_EQ(r.shortDateFormat, "dd/mm/yyyy");
    EXPECT_EQ(r.longTimeFormat, "hh:nn:ss");
    EXPECT_EQ(r.longMonthNames, Regional::French().longMonthNames);
    EXPECT_EQ(r.shortMonthNames[1], "févr.");
  }
  if (us) {
    env.Set("LC_TIME", "fr_FR.UTF-8");
    env.Set("LC_ALL", "en_US.UTF-8");  // LC_ALL wins
    const auto r = Regional::FromEnvironment();
    EXPECT_EQ(r.shortDateFormat, "mm/dd/yyyy");
    EXPECT_EQ(r.longTimeFormat, "hh:nn:ss AM/PM");
    EXPECT_EQ(r.shortDayNames[0], "Sun");
    EXPECT_EQ(r.Format(r.longTimeFormat, EncodeTime(13, 5, 0)), "01:05:00 PM");
    EXPECT_EQ(r.ParseShortDate("02/05/2008"), EncodeDate(2008, 2, 5));
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
  if (!fr && !us) GTEST_SKIP() << "no real locale installed nor buildable with localedef";
}

}  // namespace
}  // namespace chronolin
