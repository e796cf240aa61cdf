#include <cstdlib>
#include <stdexcept>
#include <string>

#include "platform/nm_ras_provider.h"
#include "platform/pppd_ras_provider.h"
#include "platform/ras_provider.h"
#include "platform/sim_ras_provider.h"
#include "platform/waiting_ras_provider.h"

namespace chronolin {
namespace {

bool HasEntries(RasProvider& provider) {
  std::vector<std::string> entries;
  return provider.RasEnumEntriesA(entries) == 0 && !entries.empty();
}

}  // namespace

RasSelection SelectRasProvider(const std::string& remembered) {
  const auto makeSim = [] { return std::make_unique<SimRasProvider>(DefaultSimRasDirectory()); };
  const char* choice = std::getenv("CHRONOLIN_RAS");
  const std::string name = choice ? choice : "";
  if (name == "sim") return {makeSim(), false};
  if (name == "nm") {
    if (auto provider = MakeNmRasProvider()) return {std::move(provider), false};
    throw std::runtime_error("CHRONOLIN_RAS=nm : le service réseau du système ne répond pas");
  }
  if (name == "pppd") return {MakePppdRasProvider(), false};
  if (!name.empty())
    throw std::runtime_error("CHRONOLIN_RAS=" + name + " : fournisseur inconnu (sim, nm ou pppd)");

  // The provider chosen at an earlier start stays the one: a service late at the start of a
  // session is waited for, not replaced by a line whose phonebook would be taken for the real
  // one (the monthly reset erases the sections of entries it does not list).
  if (remembered == "sim") return {makeSim(), false};
  if (remembered == "pppd") return {MakePppdRasProvider(), false};
  if (remembered == "nm") {
    if (auto provider = MakeNmRasProvider()) return {std::move(provider), false};
    return {std::make_unique<WaitingRasProvider>("nm", [] { return MakeNmRasProvider(); }),
            false};
  }

  // Nothing chosen yet: a real provider that has something to dial, else the simulated line.
  if (NmHasDialUpProfiles()) {
    if (auto provider = MakeNmRasProvider()) return {std::move(provider), true};
  }
  if (auto pppd = MakePppdRasProvider(); HasEntries(*pppd)) return {std::move(pppd), true};
  return {makeSim(), true};
}

std::unique_ptr<RasProvider> MakeRasProvider() {
  return SelectRasProvider("").provider;
}

}  // namespace chronolin
