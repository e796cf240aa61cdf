#pragma once
// The command line of chronolin-report:
//   chronolin-report TEMPLATE OUT [--table NAME=FILE.csv]... [--detail NAME=MASTER:FIELD]...
//                    [--pages NAME[:FIELD]] [--value NAME=VALUE]...
// Options also take their argument after "=" (--table=NAME=FILE.csv); "--" ends the options.
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace chronolin::cli {

// A command line that cannot be understood; the text says why.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TableOption {
  std::string name;
  std::string file;
};

struct DetailOption {
  std::string name;
  std::string master;
  std::string field;
};

struct PagesOption {
  std::string name;
  std::string field;  // empty: the sheets keep their names
};

struct ValueOption {
  std::string name;
  std::string value;
};

struct Options {
  bool help = false;
  bool version = false;
  std::string template_name;
  std::string out;
  std::vector<TableOption> tables;
  std::vector<DetailOption> details;
  std::optional<PagesOption> pages;
  std::vector<ValueOption> values;
};

// UsageError for an unknown option, a missing or malformed argument, a table named twice
// (ignoring case, as templates name them), a detail or pages option naming no --table, a table
// given two masters, or anything but two operands. --help and --version need nothing else.
Options ParseOptions(const std::vector<std::string>& args);

extern const char* const kUsage;
extern const char* const kHelp;

}  // namespace chronolin::cli
