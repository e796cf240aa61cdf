#include "xls/drawing/note.h"

namespace chronolin {

TNoteRecord::TNoteRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : TBaseRowColRecord(id, std::move(data), 8) {}

std::unique_ptr<TBaseRecord> TNoteRecord::Clone() const {
  // A clone is linked by whoever clones the drawing object with it.
  auto copy = std::unique_ptr<TNoteRecord>(new TNoteRecord(*this));
  copy->object_ = nullptr;
  return copy;
}

}  // namespace chronolin
