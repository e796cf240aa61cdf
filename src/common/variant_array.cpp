#include <string>

#include "common/variant.h"

namespace chronolin {
namespace {

std::int64_t Length(const ArrayBound& b) {
  return static_cast<std::int64_t>(b.high) - static_cast<std::int64_t>(b.low) + 1;
}

}  // namespace

VariantArray::VariantArray(std::vector<ArrayBound> bounds) : bounds_(std::move(bounds)) {
  if (bounds_.empty()) throw VariantError("A variant array needs at least one dimension");
  std::size_t count = 1;
  for (const ArrayBound& b : bounds_) {
    const std::int64_t length = Length(b);
    if (length < 0)
      throw VariantError("Invalid variant array bounds [" + std::to_string(b.low) + ".." +
                         std::to_string(b.high) + "]");
    // Checked per step: the product of a few large dimensions can wrap around size_t.
    if (length != 0 && count > kMaxElements / static_cast<std::size_t>(length))
      throw VariantError("Variant array too large");
    count *= static_cast<std::size_t>(length);
  }
  elements_.resize(count);
}

std::size_t VariantArray::ElementCount() const {
  return elements_.size();
}

std::size_t VariantArray::Offset(std::span<const std::int32_t> indices) const {
  if (indices.size() != bounds_.size())
    throw VariantError("Variant array has " + std::to_string(bounds_.size()) +
                       " dimension(s), got " + std::to_string(indices.size()) + " index(es)");
  std::size_t offset = 0;
  for (std::size_t d = 0; d < bounds_.size(); ++d) {
    const ArrayBound& b = bounds_[d];
    const std::int32_t i = indices[d];
    if (i < b.low || i > b.high)
      throw VariantError("Variant array index " + std::to_string(i) + " out of bounds [" +
                         std::to_string(b.low) + ".." + std::to_string(b.high) + "] in dimension " +
                         std::to_string(d + 1));
    offset = offset * static_cast<std::size_t>(Length(b)) +
             static_cast<std::size_t>(static_cast<std::int64_t>(i) - b.low);
  }
  return offset;
}

const Variant& VariantArray::At(std::span<const std::int32_t> indices) const {
  return elements_[Offset(indices)];
}

Variant& VariantArray::At(std::span<const std::int32_t> indices) {
  return elements_[Offset(indices)];
}

const Variant& VariantArray::At(std::initializer_list<std::int32_t> indices) const {
  return At(std::span<const std::int32_t>(indices.begin(), indices.size()));
}

Variant& VariantArray::At(std::initializer_list<std::int32_t> indices) {
  return At(std::span<const std::int32_t>(indices.begin(), indices.size()));
}

bool operator==(const VariantArray& a, const VariantArray& b) {
  return a.bounds_ == b.bounds_ && a.elements_ == b.elements_;
}

}  // namespace chronolin
