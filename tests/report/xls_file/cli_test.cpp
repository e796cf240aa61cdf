// chronolin-report as a user scripts it: exit codes, typed CSV fields and values, and the
// workbooks it writes as xlrd reads them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support.h"

namespace chronolin {
namespace {

using test::Data;
using test::Dump;
using test::Quote;
using test::ScratchDir;
using test::Shell;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

std::string Tool(const std::string& args) {
  return Quote(CHRONOLIN_REPORT_TOOL) + " " + args;
}

std::string MasterDetail(const std::string& out, const std::string& orders) {
  return Tool(Quote(Data("master_detail.xls")) + " " + Quote(out) + " --table Clients=" +
              Quote(Data("clients.csv")) + " --table Orders=" + Quote(orders) +
              " --detail Orders=Clients:Client --value Title=\"Mars\" --value=Author=Moi");
}

TEST(ReportTool, FillsNestedMasterDetailBandsWithTypedFields) {
  ScratchDir dir;
  test::WriteText(dir / "orders.csv",
                  "Client,Item,Qty,Date\r\n"
                  "Dupont,\"Câble, \"\"série\"\"\",1e3,2024-03-01 08:30:00\r\n"
                  "Dupont,007,-12,12:30:00\n"
                  "Dupont,\"deux\nlignes\",3.25,2024-02-30\n"
                  "Durand,,,36:00:00\n");
  const test::CommandResult r = Shell(MasterDetail(dir / "md.xls", dir / "orders.csv"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(r.err, IsEmpty());
  const std::string md = Dump(dir / "md.xls");
  // Main holds Clients, Clients holds Orders; Martin has no orders, its order row is gone.
  EXPECT_THAT(md, HasSubstr("cell Clients!A1 text 'Mars' | General\n"
                            "cell Clients!A2 text 'Client' | General\n"));
  EXPECT_THAT(md, HasSubstr("cell Clients!A3 text 'Dupont' | General\n"
                            "cell Clients!D3 date 43556 | dd/mm/yyyy\n"
                            "cell Clients!B4 text 'Câble, \"série\"' | General\n"
                            "cell Clients!C4 number 1000 | 0.00\n"
                            "cell Clients!D4 date 45352.354166666664 | dd/mm/yyyy\n"
                            "cell Clients!B5 number 7 | General\n"
                            "cell Clients!C5 number -12 | 0.00\n"
                            "cell Clients!D5 date 0.5208333333333334 | dd/mm/yyyy\n"
                            "cell Clients!B6 text 'deux\\nlignes' | General\n"
                            "cell Clients!C6 number 3.25 | 0.00\n"
                            "cell Clients!D6 text '2024-02-30' | dd/mm/yyyy\n"
                            "cell Clients!B7 text 'Fin du client' | General\n"
                            "cell Clients!A8 text 'Martin' | General\n"));
  EXPECT_THAT(md, HasSubstr("cell Clients!D11 date 1.5 | dd/mm/yyyy\n"));
  EXPECT_THAT(md, HasSubstr("cell Clients!B13 text 'Moi' | General\n"));
  EXPECT_THAT(md, HasSubstr("break Clients 7\nbreak Clients 9\nbreak Clients 12\n"));
  EXPECT_THAT(md, Not(HasSubstr("...")));
}

TEST(ReportTool, PagesFullTablesNotesAndPictures) {
  ScratchDir dir;
  test::WriteText(dir / "pics.csv", "Name,Image\nVert,\"IMAGE-VERTE\"\nBleu,IMAGE-BLEUE\n");
  test::CommandResult r =
      Shell(Tool(Quote(Data("pages")) + " " + Quote(dir / "pages.xls") + " --table Entries=" +
                 Quote(Data("entries.csv")) + " --table Cnx=" + Quote(Data("cnx.csv")) +
                 " --detail Cnx=Entries:Name --pages Entries:Name" + " --value 'Month=Mars 2024'"));
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string pages = Dump(dir / "pages.xls");
  EXPECT_THAT(pages, HasSubstr("sheet Orange _3G_\nsheet Modem\nsheet modem (2)\nsheet Vide\n"
                               "sheet Notes\n"));
  EXPECT_THAT(pages, HasSubstr("cell Modem!A4 text 'Name' | General\n"
                               "cell Modem!B4 text 'Date' | General\n"
                               "cell Modem!C4 text 'Duree' | General\n"
                               "cell Modem!D4 text 'Remarque' | General\n"
                               "cell Modem!A5 text 'Modem' | General\n"));
  EXPECT_THAT(pages, HasSubstr("cell Modem!D5 text 'Ligne\\r\\ncoupée' | General\n"
                               "cell Modem!A6 text 'Fin' | General\n"));
  EXPECT_THAT(pages, HasSubstr("cell Vide!A4 text 'Name' | General\n"
                               "cell Vide!B4 text 'Date' | General\n"
                               "cell Vide!C4 text 'Duree' | General\n"
                               "cell Vide!D4 text 'Remarque' | General\n"
                               "cell Vide!A5 text 'Fin' | General\n"));
  EXPECT_THAT(pages, HasSubstr("note Orange _3G_!A2 'Orange [3G]'\n"));
  EXPECT_THAT(pages, HasSubstr("cell Notes!A2 text '##Cnx##Name' | General\n"));

  r = Shell(Tool(Quote(Data("pictures.xls")) + " " + Quote(dir / "pics.xls") +
                 " --table Pics=" + Quote(dir / "pics.csv")));
  ASSERT_EQ(r.status, 0) << r.err;
  const test::CommandResult found =
      Shell("/usr/bin/python3 " + Quote(CHRONOLIN_XLS_DUMP) + " " + Quote(dir / "pics.xls") +
            " --find IMAGE-VERTE IMAGE-BLEUE");
  EXPECT_THAT(found.out, HasSubstr("cell Photos!A4 text 'Bleu' | General\n"));
  EXPECT_THAT(found.out, HasSubstr("found IMAGE-VERTE 1\nfound IMAGE-BLEUE 1\n"));
}

TEST(ReportTool, CommandLinesItCannotUnderstandExitTwo) {
  ScratchDir dir;
  const std::string out = Quote(dir / "out.xls");
  const std::string tpl = Quote(Data("master_detail.xls"));
  for (const std::string& args : {
           std::string(),
           tpl,
           tpl + " " + out + " extra",
           tpl + " " + out + " --tables X=y.csv",
           tpl + " " + out + " --table",
           tpl + " " + out + " --table X",
           tpl + " " + out + " --table =x.csv",
           tpl + " " + out + " --table A=a.csv --table a=b.csv",
           tpl + " " + out + " --table A=a.csv --detail A=B:F",
           tpl + " " + out + " --table A=a.csv --detail A=A",
           tpl + " " + out + " --pages Nope",
           tpl + " " + out + " --value NoEquals",
       }) {
    const test::CommandResult r = Shell(Tool(args));
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_THAT(r.err, HasSubstr("usage: chronolin-report TEMPLATE OUT")) << args;
    EXPECT_FALSE(std::filesystem::exists(dir / "out.xls")) << args;
  }
  test::CommandResult r = Shell(Tool("--help"));
  EXPECT_EQ(r.status, 0);
  for (const char* option : {"--table", "--detail", "--pages", "--value", "Exit status"}) {
    EXPECT_THAT(r.out, HasSubstr(option));
  }
  r = Shell(Tool("--version"));
  EXPECT_EQ(r.status, 0);
  EXPECT_THAT(r.out, ::testing::MatchesRegex("chronolin-report [0-9]+\\.[0-9]+\\.[0-9]+\n"));
}

TEST(ReportTool, AFailedRunSaysWhyExitsOneAndLeavesNoFile) {
  ScratchDir dir;
  const std::string out = dir / "out.xls";
  const auto expect_failure = [&](const std::string& command, const std::string& message) {
    const test::CommandResult r = Shell(command);
    EXPECT_EQ(r.status, 1) << command;
    EXPECT_THAT(r.err, HasSubstr(message)) << command;
    EXPECT_FALSE(std::filesystem::exists(out)) << command;
  };
  expect_failure(Tool("missing-template " + Quote(out)),
                 "Can't find the file \"missing-template\"");
  // Orders is not given: its tag names a data set that does not exist.
  expect_failure(Tool(Quote(Data("master_detail.xls")) + " " + Quote(out) + " --table Clients=" +
                      Quote(Data("clients.csv")) + " --value Title=T --value Author=A"),
                 "Can\u00b4t find the dataset Orders");
  // An empty value sets nothing: the tag then names nothing at all.
  expect_failure(MasterDetail(out, Data("orders.csv")) + " --value Title=",
                 "Property \"Title\" has not been defined or is not published");
  test::WriteText(dir / "bad.csv", "Client,Item,Qty,Date\nDupont,\"open,1,2\n");
  expect_failure(MasterDetail(out, dir / "bad.csv"),
                 "bad.csv: line 2: a quoted field is not closed");
  test::WriteText(dir / "short.csv", "Client,Item,Qty,Date\nDupont,x,1\n");
  expect_failure(MasterDetail(out, dir / "short.csv"),
                 "short.csv: line 2: 3 fields where the header has 4");
  expect_failure(MasterDetail(out, dir / "absent.csv"), "absent.csv: No such file or directory");

  // The save itself fails (the file size limit is below the workbook's): no file, no leftover.
  {
    ScratchDir small;
    const test::CommandResult r =
        Shell("trap '' XFSZ; ulimit -f 2; " + MasterDetail(small / "out.xls", Data("orders.csv")));
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("Can't write file"));
    EXPECT_TRUE(std::filesystem::is_empty(small.path()));
  }

  // An existing OUT is refused and kept as it was.
  test::WriteText(out, "precious");
  const test::CommandResult r = Shell(MasterDetail(out, Data("orders.csv")));
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("Check it is not in use by another user"));
  EXPECT_EQ(test::ReadText(out), "precious");
}

}  // namespace
}  // namespace chronolin
