#include <cstdlib>
#include <stdexcept>
#include <string>

#include "platform/nm_ras_provider.h"
#include "platform/pppd_ras_provider.h"
#include "platform/ras_provider.h"
#include "platform/sim_ras_provider.h"

namespace chronolin {

std::unique_ptr<RasProvider> MakeRasProvider() {
  const char* choice = std::getenv("CHRONOLIN_RAS");
  const std::string name = choice ? choice : "";
  if (name.empty() || name == "sim")
    return std::make_unique<SimRasProvider>(DefaultSimRasDirectory());
  if (name == "nm") {
    if (auto provider = MakeNmRasProvider()) return provider;
    throw std::runtime_error("CHRONOLIN_RAS=nm : le service réseau du système ne répond pas");
  }
  if (name == "pppd") return MakePppdRasProvider();
  throw std::runtime_error("CHRONOLIN_RAS=" + name + " : fournisseur inconnu (sim, nm ou pppd)");
}

}  // namespace chronolin
