#include "counter/quota.h"

#include <algorithm>

#include "counter/duree.h"

namespace chronolin {

std::vector<int> QuotaThresholdsReached(std::int32_t used, std::int32_t quota, int warned) {
  std::vector<int> reached;
  if (quota <= 0) return reached;
  for (const int percent : kQuotaThresholds) {
    // In 64 bits: a quota of several hundred hours times 100 does not fit 32.
    if (percent > warned &&
        static_cast<std::int64_t>(used) * 100 >= static_cast<std::int64_t>(quota) * percent)
      reached.push_back(percent);
  }
  return reached;
}

std::string QuotaWarningText(const std::string& entry, int percent, std::int32_t used,
                             std::int32_t quota) {
  return "Quota de " + entry + " : " + std::to_string(percent) + " % atteint (" +
         SecondsToStoredDuree(used) + " sur " + SecondsToStoredDuree(quota) + ")";
}

std::string QuotaHint(const std::string& entry, std::int32_t used, std::int32_t quota) {
  if (quota <= 0) return entry;
  const std::int64_t left = std::max<std::int64_t>(static_cast<std::int64_t>(quota) - used, 0);
  return entry + " — reste " + SecondsToStoredDuree(static_cast<std::int32_t>(left));
}

std::string QuotaHangUpText(const std::string& entry, std::int32_t seconds) {
  return "Quota de " + entry + " épuisé : déconnexion dans " + std::to_string(seconds) + " s";
}

}  // namespace chronolin
