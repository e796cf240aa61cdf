#include "platform/waiting_ras_provider.h"

#include <exception>
#include <utility>

namespace chronolin {

WaitingRasProvider::WaitingRasProvider(std::string name, Factory factory)
    : name_(std::move(name)), factory_(std::move(factory)) {}

RasProvider* WaitingRasProvider::Provider() {
  if (!provider_) {
    try {
      provider_ = factory_();
    } catch (const std::exception&) {
      // Still not there: asked again at the next call.
    }
  }
  return provider_.get();
}

std::uint32_t WaitingRasProvider::RasEnumEntriesA(std::vector<std::string>& entries) {
  entries.clear();
  RasProvider* provider = Provider();
  return provider ? provider->RasEnumEntriesA(entries) : ERROR_RASMAN_CANNOT_INITIALIZE;
}

std::uint32_t WaitingRasProvider::RasEnumConnectionsA(RASCONNA& connection,
                                                      std::uint32_t& count) {
  count = 0;
  RasProvider* provider = Provider();
  return provider ? provider->RasEnumConnectionsA(connection, count)
                  : ERROR_RASMAN_CANNOT_INITIALIZE;
}

std::uint32_t WaitingRasProvider::RasGetConnectStatusA(HRASCONN handle,
                                                       RASCONNSTATUSA& status) {
  RasProvider* provider = Provider();
  return provider ? provider->RasGetConnectStatusA(handle, status)
                  : ERROR_RASMAN_CANNOT_INITIALIZE;
}

std::uint32_t WaitingRasProvider::RasHangUpA(HRASCONN handle) {
  RasProvider* provider = Provider();
  return provider ? provider->RasHangUpA(handle) : ERROR_RASMAN_CANNOT_INITIALIZE;
}

std::uint32_t WaitingRasProvider::Dial(const std::string& entry) {
  RasProvider* provider = Provider();
  return provider ? provider->Dial(entry) : ERROR_RASMAN_CANNOT_INITIALIZE;
}

void WaitingRasProvider::SetOffLine() {
  if (RasProvider* provider = Provider()) provider->SetOffLine();
}

}  // namespace chronolin
