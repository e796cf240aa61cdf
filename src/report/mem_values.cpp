#include "report/mem_values.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <string>

namespace chronolin {
namespace {

// Chunks start small, for the many small tables, and double up to a size that keeps the
// unused end of the last one cheap.
constexpr std::size_t kFirstChunk = 256;
constexpr std::size_t kLargestChunk = std::size_t{64} << 10;
// A text this long gets a chunk of its own rather than ending the one being filled early.
constexpr std::size_t kOwnChunk = kLargestChunk / 4;

constexpr std::uint64_t kMaxTextBytes = std::numeric_limits<std::uint32_t>::max();

std::uint64_t Place(std::size_t chunk, std::size_t offset) {
  return (static_cast<std::uint64_t>(chunk) << 32) | static_cast<std::uint64_t>(offset);
}

}  // namespace

std::uint64_t TMemTextArena::Add(std::string_view bytes) {
  if (bytes.empty()) return 0;
  auto new_chunk = [this](std::size_t capacity) {
    chunks_.push_back({std::make_unique_for_overwrite<char[]>(capacity), capacity, 0});
    return chunks_.size() - 1;
  };
  std::size_t chunk = filling_;
  if (bytes.size() >= kOwnChunk) {
    chunk = new_chunk(bytes.size());
  } else if (chunk == kNoChunk || chunks_[chunk].capacity - chunks_[chunk].used < bytes.size()) {
    const std::size_t last = chunk == kNoChunk ? 0 : chunks_[chunk].capacity;
    filling_ = chunk = new_chunk(std::clamp(last * 2, kFirstChunk, kLargestChunk));
  }
  Chunk& to = chunks_[chunk];
  const std::size_t offset = to.used;
  std::memcpy(to.data.get() + offset, bytes.data(), bytes.size());
  to.used += bytes.size();
  return Place(chunk, offset);
}

std::string_view TMemTextArena::View(std::uint64_t at, std::size_t size) const {
  if (size == 0) return {};
  const Chunk& chunk = chunks_[static_cast<std::size_t>(at >> 32)];
  return {chunk.data.get() + static_cast<std::size_t>(at & 0xFFFFFFFFu), size};
}

void TMemTextArena::Clear() {
  chunks_.clear();
  filling_ = kNoChunk;
}

TMemCell TMemValueStore::Store(const Variant& value) {
  TMemCell cell;
  cell.type = value.Type();
  auto keep_text = [&](std::string_view bytes) {
    if (bytes.size() > kMaxTextBytes) return false;
    cell.bits = texts_.Add(bytes);
    cell.size = static_cast<std::uint32_t>(bytes.size());
    return true;
  };
  switch (value.Type()) {
    case VarType::Empty:
    case VarType::Null:
      return cell;
    case VarType::SmallInt:
    case VarType::Integer:
    case VarType::Byte:
      cell.bits = static_cast<std::uint64_t>(static_cast<std::int64_t>(value.ToInt32()));
      return cell;
    case VarType::Int64:
      cell.bits = static_cast<std::uint64_t>(value.ToInt64());
      return cell;
    case VarType::Single:
      cell.bits = std::bit_cast<std::uint32_t>(static_cast<float>(value.ToDouble()));
      return cell;
    case VarType::Double:
    case VarType::Date:
      cell.bits = std::bit_cast<std::uint64_t>(value.ToDouble());
      return cell;
    case VarType::Currency:
      cell.bits = static_cast<std::uint64_t>(value.ToCurrency().Scaled());
      return cell;
    case VarType::Boolean:
      cell.bits = value.ToBool() ? 1 : 0;
      return cell;
    case VarType::String:
      if (keep_text(value.AsString())) return cell;
      break;
    case VarType::WideString: {
      const std::u16string& text = value.AsWideString();
      if (keep_text({reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t)})) {
        return cell;
      }
      break;
    }
    case VarType::Array:
      break;
  }
  // Arrays, and texts beyond what a cell can measure, are kept whole.
  cell.bits = whole_.size();
  cell.size = 0;
  whole_.push_back(value);
  cell.type = VarType::Array;
  return cell;
}

Variant TMemValueStore::Load(const TMemCell& cell) const {
  const auto integer = static_cast<std::int64_t>(cell.bits);
  switch (cell.type) {
    case VarType::Empty:
      return {};
    case VarType::Null:
      return Variant::Null();
    case VarType::SmallInt:
      return Variant::FromSmallInt(static_cast<std::int16_t>(integer));
    case VarType::Integer:
      return Variant::FromInt32(static_cast<std::int32_t>(integer));
    case VarType::Int64:
      return Variant::FromInt64(integer);
    case VarType::Byte:
      return Variant::FromByte(static_cast<std::uint8_t>(integer));
    case VarType::Single:
      return Variant::FromSingle(std::bit_cast<float>(static_cast<std::uint32_t>(cell.bits)));
    case VarType::Double:
      return Variant::FromDouble(std::bit_cast<double>(cell.bits));
    case VarType::Date:
      return Variant::FromDate(std::bit_cast<double>(cell.bits));
    case VarType::Currency:
      return Variant::FromCurrency(Currency::FromScaled(integer));
    case VarType::Boolean:
      return Variant::FromBool(cell.bits != 0);
    case VarType::String:
      return Variant::FromString(std::string(texts_.View(cell.bits, cell.size)));
    case VarType::WideString: {
      const std::string_view bytes = texts_.View(cell.bits, cell.size);
      std::u16string text(bytes.size() / sizeof(char16_t), u'\0');
      if (!bytes.empty()) std::memcpy(text.data(), bytes.data(), bytes.size());
      return Variant::FromWideString(std::move(text));
    }
    case VarType::Array:
      break;
  }
  return whole_[static_cast<std::size_t>(cell.bits)];
}

void TMemValueStore::Clear() {
  texts_.Clear();
  whole_.clear();
}

}  // namespace chronolin
