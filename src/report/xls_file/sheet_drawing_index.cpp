#include "report/xls_file/sheet_drawing_index.h"

#include <algorithm>
#include <functional>
#include <unordered_map>

namespace chronolin {

namespace {

constexpr std::uint16_t kNameProperty = 0x0380;
constexpr std::uint16_t kComplexFlag = 0x8000;

struct UnitParts {
  const TEscherClientAnchorRecord* anchor = nullptr;
  std::vector<const TEscherRecord*> opts;
};

// One shape (or group) of the top group: its first anchor and its property tables.
void Collect(TEscherRecord& record, UnitParts& parts) {
  switch (record.Type()) {
    case escher::kClientAnchor:
      if (parts.anchor == nullptr) parts.anchor = static_cast<TEscherClientAnchorRecord*>(&record);
      break;
    case escher::kOPT:
      parts.opts.push_back(&record);
      break;
    default:
      break;
  }
  if (!record.IsContainer()) return;
  auto& container = static_cast<TEscherContainerRecord&>(record);
  for (std::size_t i = 0; i < container.ChildCount(); ++i) Collect(container.Child(i), parts);
}

}  // namespace

void TSheetDrawingIndex::Clear() {
  picture_anchors_.clear();
}

void TSheetDrawingIndex::Build(const TDrawing& drawing) {
  Clear();
  const auto& pictures = drawing.Pictures();
  picture_anchors_.assign(pictures.size(), nullptr);
  const TEscherRecord* root = drawing.Root();
  if (root == nullptr || !root->IsContainer()) return;
  std::unordered_map<const TEscherRecord*, std::size_t> picture_of;
  for (std::size_t i = 0; i < pictures.size(); ++i) picture_of.emplace(pictures[i], i);

  const auto& dg = static_cast<const TEscherContainerRecord&>(*root);
  for (std::size_t g = 0; g < dg.ChildCount(); ++g) {
    if (dg.Child(g).Type() != escher::kSpgrContainer) continue;
    auto& top = static_cast<TEscherContainerRecord&>(dg.Child(g));
    UnitParts parts;
    for (std::size_t i = 0; i < top.ChildCount(); ++i) {
      parts.anchor = nullptr;
      parts.opts.clear();
      Collect(top.Child(i), parts);
      for (const TEscherRecord* opt : parts.opts) {
        if (auto found = picture_of.find(opt); found != picture_of.end()) {
          picture_anchors_[found->second] = parts.anchor;
        }
      }
    }
    break;  // only the first group holds the sheet's shapes
  }
}

const TEscherClientAnchorRecord* TSheetDrawingIndex::PictureAnchor(std::size_t picture) const {
  return picture < picture_anchors_.size() ? picture_anchors_[picture] : nullptr;
}

std::u16string ShapeName(const TEscherOPTRecord& opt) {
  const std::vector<std::uint8_t>& data = opt.Data();
  const std::size_t count = opt.Instance();
  std::size_t complex = 6 * count;  // complex values follow the table, in property order
  for (std::size_t i = 0; i < count && 6 * i + 6 <= data.size(); ++i) {
    const std::uint16_t id = opt.Get16(6 * i);
    if ((id & kComplexFlag) == 0) continue;
    const std::uint32_t length = opt.Get32(6 * i + 2);
    if ((id & 0x3FFF) == kNameProperty) {
      if (complex > data.size() || length > data.size() - complex) return {};
      std::u16string name;
      for (std::size_t at = complex; at + 1 < complex + length; at += 2) {
        const auto unit = static_cast<char16_t>(data[at] | (data[at + 1] << 8));
        if (unit == 0) break;
        name.push_back(unit);
      }
      return name;
    }
    complex += length;
  }
  return {};
}

}  // namespace chronolin
