#pragma once
// A provider that is not up yet (NetworkManager late at the start of a session, say): every call
// asks for it again and, until it answers, fails with ERROR_RASMAN_CANNOT_INITIALIZE, so that
// the counter waits for it instead of taking another provider's phonebook for the real one.
#include <functional>
#include <memory>
#include <string>

#include "platform/ras_provider.h"

namespace chronolin {

class WaitingRasProvider final : public RasProvider {
 public:
  // Gives the provider once it is up, null until then.
  using Factory = std::function<std::unique_ptr<RasProvider>()>;

  WaitingRasProvider(std::string name, Factory factory);

  std::uint32_t RasEnumEntriesA(std::vector<std::string>& entries) override;
  std::uint32_t RasEnumConnectionsA(RASCONNA& connection, std::uint32_t& count) override;
  std::uint32_t RasGetConnectStatusA(HRASCONN handle, RASCONNSTATUSA& status) override;
  std::uint32_t RasHangUpA(HRASCONN handle) override;
  std::uint32_t Dial(const std::string& entry) override;
  void SetOffLine() override;
  std::string Name() const override { return name_; }

 private:
  RasProvider* Provider();

  std::string name_;
  Factory factory_;
  std::unique_ptr<RasProvider> provider_;
};

}  // namespace chronolin
