#pragma once
// The monthly allowance of an entry: which warnings its use calls for, and their wording.
#include <cstdint>
#include <string>
#include <vector>

namespace chronolin {

// The warnings, in percent of the quota, in the order they come.
inline constexpr int kQuotaThresholds[] = {80, 100};
// How long the user has to keep the line once the quota is used up (QuotaAction=1).
inline constexpr std::int32_t kQuotaHangUpNoticeSeconds = 30;
inline constexpr std::int32_t kQuotaActionHangUp = 1;
inline constexpr char kCancelHangUpCaption[] = "Annuler la déconnexion";

// The thresholds that `used` seconds of a `quota` reach and that were not given yet (`warned`:
// the highest one given this month), lowest first. Nothing without a quota (zero or less).
std::vector<int> QuotaThresholdsReached(std::int32_t used, std::int32_t quota, int warned);

// "Quota de Fournisseur : 80 % atteint (08:00:00 sur 10:00:00)"; hours as wide as they need.
std::string QuotaWarningText(const std::string& entry, int percent, std::int32_t used,
                             std::int32_t quota);

// The counter's hint: the entry alone without a quota, else "Fournisseur — reste 01:59:00".
std::string QuotaHint(const std::string& entry, std::int32_t used, std::int32_t quota);

// The notice of the coming hang-up.
std::string QuotaHangUpText(const std::string& entry, std::int32_t seconds);

}  // namespace chronolin
