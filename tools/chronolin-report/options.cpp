#include "options.h"

#include <algorithm>

#include "common/text_codec.h"

namespace chronolin::cli {

const char* const kUsage =
    "usage: chronolin-report TEMPLATE OUT [--table NAME=FILE.csv]... "
    "[--detail NAME=MASTER:FIELD]... [--pages NAME[:FIELD]] [--value NAME=VALUE]...";

const char* const kHelp =
    "Fills the report template TEMPLATE (an .xls workbook whose bands are named ranges\n"
    "\"__Name__\" and whose tags are \"##Table##Field\" and \"#.Value\") from CSV tables, and\n"
    "saves the result as the new workbook OUT. An existing OUT is never replaced.\n"
    "\n"
    "A TEMPLATE without a directory part is sought in the program's directory, the current\n"
    "directory, the installed data directory and the PATH directories; \".xls\" is added\n"
    "when it has no extension.\n"
    "\n"
    "Options:\n"
    "  --table NAME=FILE.csv     a data table NAME read from FILE.csv (UTF-8, comma-separated,\n"
    "                            quotes as in RFC 4180, first line the column names)\n"
    "  --detail NAME=MASTER:FIELD\n"
    "                            table NAME shows, for each record of table MASTER, the records\n"
    "                            whose column FIELD (present in both) equals the master's\n"
    "  --pages NAME[:FIELD]      one sheet per record of table NAME, named after its FIELD\n"
    "  --value NAME=VALUE        the named value read by \"#.NAME\" tags\n"
    "  --help                    this text\n"
    "  --version                 the version\n"
    "\n"
    "CSV fields and values are typed: empty -> empty; a decimal number (-12, 3.25, 1e3) ->\n"
    "number; YYYY-MM-DD, HH:MM:SS or YYYY-MM-DD HH:MM:SS -> date-time; anything else -> text.\n"
    "\n"
    "Exit status: 0 when OUT is written; 1 when the report fails (the reason on standard\n"
    "error, no OUT left behind); 2 for a command line that cannot be understood.\n"
    "\n"
    "Example:\n"
    "  chronolin-report cnx.xls mars.xls --table CnxList=entries.csv --table Cnx=cnx.csv \\\n"
    "      --detail Cnx=CnxList:Name --pages CnxList:Name --value Month=\"Mars 2024\"\n";

namespace {

// "NAME=REST": both parts, NAME not empty.
std::pair<std::string, std::string> SplitAssignment(const std::string& option,
                                                    const std::string& text) {
  const std::size_t equal = text.find('=');
  if (equal == std::string::npos || equal == 0) {
    throw UsageError(option + " wants NAME=..., not \"" + text + "\"");
  }
  return {text.substr(0, equal), text.substr(equal + 1)};
}

bool SameName(const std::string& a, const std::string& b) {
  return EqualsIgnoreCase(a, b);
}

const TableOption* FindTable(const Options& options, const std::string& name) {
  auto found = std::find_if(options.tables.begin(), options.tables.end(),
                            [&](const TableOption& t) { return SameName(t.name, name); });
  return found == options.tables.end() ? nullptr : &*found;
}

void RequireTable(const Options& options, const std::string& option, const std::string& name) {
  if (FindTable(options, name) == nullptr) {
    throw UsageError(option + " names the table \"" + name + "\", which no --table gives");
  }
}

void Check(const Options& options) {
  for (std::size_t i = 0; i < options.tables.size(); ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      if (SameName(options.tables[i].name, options.tables[j].name)) {
        throw UsageError("the table \"" + options.tables[i].name + "\" is given twice");
      }
    }
  }
  for (std::size_t i = 0; i < options.details.size(); ++i) {
    const DetailOption& detail = options.details[i];
    RequireTable(options, "--detail", detail.name);
    RequireTable(options, "--detail", detail.master);
    for (std::size_t j = 0; j < i; ++j) {
      if (SameName(options.details[j].name, detail.name)) {
        throw UsageError("the table \"" + detail.name + "\" is given two masters");
      }
    }
  }
  if (options.pages) RequireTable(options, "--pages", options.pages->name);
}

}  // namespace

Options ParseOptions(const std::vector<std::string>& args) {
  Options options;
  std::vector<std::string> operands;
  bool only_operands = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (only_operands || arg.size() < 2 || arg[0] != '-' || arg == "-") {
      operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      only_operands = true;
      continue;
    }
    std::string option = arg;
    std::optional<std::string> inline_value;
    if (const std::size_t equal = arg.find('=');
        arg.starts_with("--") && equal != std::string::npos) {
      option = arg.substr(0, equal);
      inline_value = arg.substr(equal + 1);
    }
    auto value = [&]() -> std::string {
      if (inline_value) return *inline_value;
      if (i + 1 >= args.size()) throw UsageError(option + " wants an argument");
      return args[++i];
    };
    if (option == "--help" || option == "-h") {
      options.help = true;
    } else if (option == "--version") {
      options.version = true;
    } else if (option == "--table") {
      auto [name, file] = SplitAssignment(option, value());
      if (file.empty()) throw UsageError("--table " + name + "= wants a file name");
      options.tables.push_back({name, file});
    } else if (option == "--detail") {
      auto [name, rest] = SplitAssignment(option, value());
      const std::size_t colon = rest.rfind(':');
      if (colon == std::string::npos || colon == 0 || colon + 1 == rest.size()) {
        throw UsageError("--detail wants NAME=MASTER:FIELD, not \"" + name + "=" + rest + "\"");
      }
      options.details.push_back({name, rest.substr(0, colon), rest.substr(colon + 1)});
    } else if (option == "--pages") {
      if (options.pages) throw UsageError("--pages is given twice");
      const std::string text = value();
      const std::size_t colon = text.rfind(':');
      PagesOption pages{text, ""};
      if (colon != std::string::npos) pages = {text.substr(0, colon), text.substr(colon + 1)};
      if (pages.name.empty()) throw UsageError("--pages wants a table name");
      options.pages = pages;
    } else if (option == "--value") {
      auto [name, text] = SplitAssignment(option, value());
      options.values.push_back({name, text});
    } else {
      throw UsageError("unknown option " + option);
    }
    if (inline_value && (option == "--help" || option == "-h" || option == "--version")) {
      throw UsageError(option + " takes no argument");
    }
  }
  if (options.help || options.version) return options;
  if (operands.size() != 2) throw UsageError("TEMPLATE and OUT are both needed, and only they");
  options.template_name = operands[0];
  options.out = operands[1];
  if (options.template_name.empty() || options.out.empty()) {
    throw UsageError("TEMPLATE and OUT cannot be empty");
  }
  Check(options);
  return options;
}

}  // namespace chronolin::cli
