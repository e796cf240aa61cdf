#include "platform/ras_provider.h"

namespace chronolin {

std::string RasProvider::RasErrorText(std::uint32_t code) {
  switch (code) {
    case ERROR_SUCCESS_RAS:
      return "Aucune erreur.";
    case ERROR_CANNOT_FIND_PHONEBOOK_ENTRY:
      return "Cette connexion ne figure plus dans l'annuaire.";
    case ERROR_CANNOT_OPEN_PHONEBOOK:
      return "L'annuaire des connexions ne peut pas être lu.";
    case ERROR_INVALID_HANDLE:
      return "Cette connexion n'est plus active.";
    default:
      return "Le service d'accès distant a refusé la demande.";
  }
}

}  // namespace chronolin
