#include "xls/drawing/note.h"

namespace chronolin {

TNoteRecord::TNoteRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : TBaseRowColRecord(id, std::move(data), 8) {}

std::unique_ptr<TBaseRecord> TNoteRecord::Clone() const {
  return CloneAs(*this);
}

}  // namespace chronolin
