#include <cstdlib>
#include <stdexcept>
#include <string>

#include "platform/nm_ras_provider.h"
#include "platform/pppd_ras_provider.h"
#include "platform/ras_provider.h"
#include "platform/sim_ras_provider.h"

namespace chronolin {
namespace {

bool HasEntries(RasProvider& provider) {
  std::vector<std::string> entries;
  return provider.RasEnumEntriesA(entries) == 0 && !entries.empty();
}

}  // namespace

std::unique_ptr<RasProvider> MakeRasProvider() {
  const char* choice = std::getenv("CHRONOLIN_RAS");
  const std::string name = choice ? choice : "";
  if (name == "sim") return std::make_unique<SimRasProvider>(DefaultSimRasDirectory());
  if (name == "nm") {
    if (auto provider = MakeNmRasProvider()) return provider;
    throw std::runtime_error("CHRONOLIN_RAS=nm : le service réseau du système ne répond pas");
  }
  if (name == "pppd") return MakePppdRasProvider();
  if (!name.empty())
    throw std::runtime_error("CHRONOLIN_RAS=" + name + " : fournisseur inconnu (sim, nm ou pppd)");

  // Nothing chosen: a real provider that has something to dial, else the simulated line.
  if (NmHasDialUpProfiles()) {
    if (auto provider = MakeNmRasProvider()) return provider;
  }
  if (auto pppd = MakePppdRasProvider(); HasEntries(*pppd)) return pppd;
  return std::make_unique<SimRasProvider>(DefaultSimRasDirectory());
}

}  // namespace chronolin
