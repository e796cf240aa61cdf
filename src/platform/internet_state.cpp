#include "platform/internet_state.h"

#include <cstdio>
#include <exception>

namespace chronolin {

void InternetState::SetOffLine() noexcept {
  try {
    provider_.SetOffLine();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "chronolin: mode hors ligne non appliqué : %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "chronolin: mode hors ligne non appliqué\n");
  }
}

}  // namespace chronolin
