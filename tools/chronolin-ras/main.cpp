// chronolin-ras: drives the simulated dial-up line that Chronolin watches when no real one is
// configured. Every command is one short transaction on the shared state directory.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim_ras_provider.h"
#include "platform/sim_ras_state.h"

namespace {

using chronolin::SimRasProvider;

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // the state directory could not be read or written
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: chronolin-ras add NAME\n"
    "       chronolin-ras remove NAME\n"
    "       chronolin-ras list\n"
    "       chronolin-ras dial NAME [--auth-after S] [--connect-after S]\n"
    "       chronolin-ras drop NAME\n"
    "       chronolin-ras hangup NAME\n"
    "       chronolin-ras status\n"
    "       chronolin-ras --help | --version\n"
    "\n"
    "list prints the phonebook, one name per line. dial prints the connection's handle; the\n"
    "line authenticates --auth-after seconds after dialling (default 1) and is connected after\n"
    "--connect-after seconds (default 2, or the --auth-after value when that is later).\n"
    "drop makes the line fall; hangup ends it. status prints one line per active connection:\n"
    "HANDLE<tab>STATE<tab>NAME. Put -- before a NAME that starts with '-'.\n"
    "State directory: $CHRONOLIN_RAS_DIR, else $XDG_STATE_HOME/chronolin/ras.\n";

// Error messages are one line whatever the user typed.
std::string Printable(std::string_view text) {
  std::string out;
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    out += (u < 0x20 || u == 0x7f) ? '?' : c;
  }
  return out;
}

struct Failure {
  int status;
  std::string message;
};

Failure Usage(const std::string& message) {
  return {kExitUsage, message};
}

Failure StateFailure(const SimRasProvider& ras) {
  return {kExitFailure, "cannot read or write the state in " + Printable(ras.Directory().string())};
}

struct Arguments {
  std::vector<std::string> positional;
  std::optional<double> authAfter;
  std::optional<double> connectAfter;
  bool help = false;
};

// Options are only known to `dial`; a NAME that looks like one needs "--" before it.
std::optional<Failure> ParseArguments(int argc, char** argv, bool dialOptions, Arguments& args) {
  bool optionsEnded = false;
  for (int i = 2; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      args.positional.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      args.help = true;
      continue;
    }
    std::string_view name = arg;
    std::optional<std::string_view> value;
    if (const std::size_t eq = arg.find('='); eq != std::string_view::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    std::optional<double>* target = nullptr;
    if (dialOptions && name == "--auth-after") target = &args.authAfter;
    if (dialOptions && name == "--connect-after") target = &args.connectAfter;
    if (!target) return Usage("unknown option " + Printable(name));
    if (!value) {
      if (i + 1 >= argc) return Usage("missing value after " + std::string(name));
      value = argv[++i];
    }
    *target = chronolin::sim_ras::ParseTime(*value);
    if (!*target)
      return Usage("bad number of seconds for " + std::string(name) + ": " + Printable(*value));
  }
  return std::nullopt;
}

std::optional<Failure> Print(const std::string& text) {
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
    return Failure{kExitFailure, "cannot write the output"};
  }
  return std::nullopt;
}

std::optional<Failure> Run(const std::string& verb, const Arguments& args, SimRasProvider& ras) {
  const bool takesName =
      verb == "add" || verb == "remove" || verb == "dial" || verb == "drop" || verb == "hangup";
  if (!takesName && verb != "list" && verb != "status") {
    return Usage("unknown command " + Printable(verb) + " (try --help)");
  }
  const std::size_t expected = takesName ? 1 : 0;
  if (args.positional.size() < expected) return Usage(verb + ": missing NAME");
  if (args.positional.size() > expected) {
    return Usage(verb + ": unexpected argument " + Printable(args.positional[expected]));
  }
  const std::string name = takesName ? args.positional[0] : std::string();
  const std::string shown = "'" + Printable(name) + "'";

  if (verb == "list") {
    std::vector<std::string> entries;
    if (ras.RasEnumEntriesA(entries) != 0) return StateFailure(ras);
    std::string text;
    for (const std::string& entry : entries) text += entry + '\n';
    return Print(text);
  }
  if (verb == "status") {
    std::vector<SimRasProvider::ActiveConnection> connections;
    if (ras.ListConnections(connections) != 0) return StateFailure(ras);
    std::string text;
    for (const auto& c : connections) {
      text += std::to_string(c.handle) + '\t' + std::to_string(c.state) + '\t' + c.entry + '\n';
    }
    return Print(text);
  }

  std::uint32_t rc = 0;
  chronolin::HRASCONN handle = 0;
  if (verb == "add") {
    rc = ras.AddEntry(name);
  } else if (verb == "remove") {
    rc = ras.RemoveEntry(name);
  } else if (verb == "dial") {
    const double authAfter = args.authAfter.value_or(SimRasProvider::kDefaultAuthAfter);
    const double connectAfter =
        args.connectAfter.value_or(std::max(authAfter, SimRasProvider::kDefaultConnectAfter));
    if (authAfter < 0) return Usage("--auth-after must not be negative");
    if (connectAfter < authAfter)
      return Usage("--connect-after must not be less than --auth-after");
    rc = ras.Dial(name, authAfter, connectAfter, &handle);
  } else if (verb == "drop") {
    rc = ras.Drop(name);
  } else {
    rc = ras.HangUp(name);
  }

  switch (rc) {
    case chronolin::ERROR_SUCCESS_RAS:
      return verb == "dial" ? Print(std::to_string(handle) + '\n') : std::nullopt;
    case chronolin::ERROR_CANNOT_FIND_PHONEBOOK_ENTRY:
      return Usage("no phonebook entry " + shown);
    case SimRasProvider::kErrorAlreadyExists:
      return Usage("entry " + shown + " already exists");
    case SimRasProvider::kErrorInvalidParameter:
      return Usage("invalid entry name " + shown + " (empty, line break or not UTF-8)");
    case SimRasProvider::kErrorNoConnection:
      return Usage("entry " + shown + " has no active connection");
    case SimRasProvider::kErrorOutOfHandles:
      return Failure{kExitFailure,
                     "no connection handle left in " + Printable(ras.Directory().string())};
    default:
      return StateFailure(ras);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string verb = argc > 1 ? argv[1] : "";
  if (verb == "--help" || verb == "-h") {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  if (verb == "--version") {
    std::puts("chronolin-ras " CHRONOLIN_VERSION);
    return kExitOk;
  }
  std::optional<Failure> failure;
  Arguments args;
  if (argc < 2) {
    failure = Usage("missing command (try --help)");
  } else {
    failure = ParseArguments(argc, argv, verb == "dial", args);
  }
  if (!failure && args.help) {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  if (!failure) {
    SimRasProvider ras(chronolin::DefaultSimRasDirectory());
    failure = Run(verb, args, ras);
  }
  if (!failure && std::fflush(stdout) != 0)
    failure = Failure{kExitFailure, "cannot write the output"};
  if (failure) {
    std::fprintf(stderr, "chronolin-ras: %s\n", failure->message.c_str());
    return failure->status;
  }
  return kExitOk;
}
