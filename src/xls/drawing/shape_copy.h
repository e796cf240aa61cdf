#pragma once
// A copy of a comment's shape that keeps only what differs from the shape it copies: its shape
// id, its object id and the rows of its anchor. A band copied tens of thousands of times
// would otherwise hold as many whole shape trees, a dozen small records each. The copy stands
// in the drawing's top group as one record without children; it is written out as the whole
// shape, and becomes that shape, in place, before anything in it is edited.
#include <cstdint>
#include <memory>

#include "xls/drawing/escher_record.h"

namespace chronolin {

// The shape copies stand on, never changed once shared, with a scratch clone of it that the
// writer gives each copy's values in turn: writing a copy makes no tree of its own.
class TShapePrototype {
 public:
  explicit TShapePrototype(std::unique_ptr<TEscherRecord> shape);
  const TEscherContainerRecord& Shape() const { return *shape_; }
  TEscherContainerRecord& Scratch() const;

 private:
  std::unique_ptr<const TEscherContainerRecord> shape_;
  mutable std::unique_ptr<TEscherContainerRecord> scratch_;
};

class TEscherShapeCopy final : public TEscherContainerRecord {
 public:
  // Whether a shape can be copied this way: a comment's shape container with one shape, one
  // anchor, one object (no chart) and no picture.
  static bool CanShare(const TEscherRecord& unit);

  explicit TEscherShapeCopy(std::shared_ptr<const TShapePrototype> prototype);

  // Seen as a container, with the shape's records as children, once expanded.
  bool IsContainer() const override { return expanded_; }
  std::uint64_t BodySize() const override {
    return expanded_ ? TEscherContainerRecord::BodySize() : prototype_->Shape().BodySize();
  }
  std::unique_ptr<TEscherRecord> Clone() const override {
    return std::unique_ptr<TEscherRecord>(new TEscherShapeCopy(*this));
  }
  bool Expanded() const { return expanded_; }
  const std::shared_ptr<const TShapePrototype>& Prototype() const { return prototype_; }
  // The whole shape this copy stands for, to write at once: valid until another copy of the
  // prototype is written.
  const TEscherRecord& ToWrite() const;
  // Takes the shape's records as children: from then on the copy is an ordinary shape and
  // the fields below no longer follow it.
  void Expand();
  // The comment's text box, shared with the prototype: to read only.
  const TEscherClientTextBoxRecord* TextBox() const;

  std::uint32_t ShapeId() const { return shape_id_; }
  void SetShapeId(std::uint32_t id) { shape_id_ = id; }
  std::uint16_t ObjectId() const { return object_id_; }
  void SetObjectId(std::uint16_t id) { object_id_ = id; }

  // The rows of the anchor, as TEscherClientAnchorRecord has them.
  std::uint16_t FirstRow() const { return first_row_; }
  std::uint16_t LastRow() const { return last_row_; }
  void SetRows(std::uint16_t first, std::uint16_t last) {
    first_row_ = first;
    last_row_ = last;
  }
  std::uint16_t FirstRowOffset() const { return first_row_offset_; }
  std::uint16_t LastRowOffset() const { return last_row_offset_; }
  void SetRowOffsets(std::uint16_t first, std::uint16_t last) {
    first_row_offset_ = first;
    last_row_offset_ = last;
  }

 private:
  TEscherShapeCopy(const TEscherShapeCopy&) = default;

  std::shared_ptr<const TShapePrototype> prototype_;
  std::uint32_t shape_id_ = 0;
  std::uint16_t object_id_ = 0;
  std::uint16_t first_row_ = 0;
  std::uint16_t first_row_offset_ = 0;
  std::uint16_t last_row_ = 0;
  std::uint16_t last_row_offset_ = 0;
  bool expanded_ = false;
};

// The record as a shared copy not expanded yet, or null.
inline TEscherShapeCopy* CompactCopy(TEscherRecord& record) {
  return record.Type() == escher::kSpContainer && !record.IsContainer()
             ? dynamic_cast<TEscherShapeCopy*>(&record)
             : nullptr;
}
inline const TEscherShapeCopy* CompactCopy(const TEscherRecord& record) {
  return CompactCopy(const_cast<TEscherRecord&>(record));
}

}  // namespace chronolin
