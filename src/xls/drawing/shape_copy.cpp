#include "xls/drawing/shape_copy.h"

namespace chronolin {

namespace {

constexpr std::uint16_t kCommentKind = 25;  // OBJ kind of a cell comment

template <class T>
T* FindAtom(const TEscherContainerRecord& unit, std::uint16_t type) {
  return static_cast<T*>(unit.FindChild(type));
}

}  // namespace

bool TEscherShapeCopy::CanShare(const TEscherRecord& unit) {
  if (unit.Type() != escher::kSpContainer || !unit.IsContainer() ||
      (dynamic_cast<const TEscherSpContainerRecord*>(&unit) == nullptr &&
       dynamic_cast<const TEscherShapeCopy*>(&unit) == nullptr)) {
    return false;
  }
  const auto& container = static_cast<const TEscherContainerRecord&>(unit);
  int shapes = 0;
  int anchors = 0;
  int objects = 0;
  for (std::size_t i = 0; i < container.ChildCount(); ++i) {
    const TEscherRecord& child = container.Child(i);
    if (child.IsContainer()) return false;
    switch (child.Type()) {
      case escher::kSp:
        if (dynamic_cast<const TEscherSPRecord*>(&child) == nullptr) return false;
        ++shapes;
        break;
      case escher::kClientAnchor:
        if (dynamic_cast<const TEscherClientAnchorRecord*>(&child) == nullptr) return false;
        ++anchors;
        break;
      case escher::kClientData: {
        const auto* data = dynamic_cast<const TEscherClientDataRecord*>(&child);
        if (data == nullptr || data->Obj() == nullptr || data->Obj()->Kind() != kCommentKind ||
            data->Obj()->Chart() != nullptr) {
          return false;
        }
        ++objects;
        break;
      }
      case escher::kClientTextbox:
        if (dynamic_cast<const TEscherClientTextBoxRecord*>(&child) == nullptr) return false;
        break;
      case escher::kOPT: {
        const auto* opt = dynamic_cast<const TEscherOPTRecord*>(&child);
        if (opt == nullptr || opt->BlipReferenceCount() > 0) return false;
        break;
      }
      default:
        break;
    }
  }
  return shapes == 1 && anchors == 1 && objects == 1;
}

TShapePrototype::TShapePrototype(std::unique_ptr<TEscherRecord> shape)
    : shape_(static_cast<const TEscherContainerRecord*>(shape.release())) {}

TEscherContainerRecord& TShapePrototype::Scratch() const {
  if (!scratch_) {
    scratch_.reset(static_cast<TEscherContainerRecord*>(shape_->Clone().release()));
  }
  return *scratch_;
}

TEscherShapeCopy::TEscherShapeCopy(std::shared_ptr<const TShapePrototype> prototype)
    : TEscherContainerRecord(prototype->Shape().VerInst(), prototype->Shape().Type()),
      prototype_(std::move(prototype)) {
  const TEscherContainerRecord& shape = prototype_->Shape();
  shape_id_ = FindAtom<const TEscherSPRecord>(shape, escher::kSp)->ShapeId();
  object_id_ =
      FindAtom<const TEscherClientDataRecord>(shape, escher::kClientData)->Obj()->ObjectId();
  const auto* anchor = FindAtom<const TEscherClientAnchorRecord>(shape, escher::kClientAnchor);
  SetRows(anchor->FirstRow(), anchor->LastRow());
  SetRowOffsets(anchor->FirstRowOffset(), anchor->LastRowOffset());
}

namespace {

// Gives the records of a prototype's clone a copy's own values.
void Apply(TEscherContainerRecord& unit, const TEscherShapeCopy& copy) {
  FindAtom<TEscherSPRecord>(unit, escher::kSp)->SetShapeId(copy.ShapeId());
  FindAtom<TEscherClientDataRecord>(unit, escher::kClientData)->Obj()->SetObjectId(copy.ObjectId());
  auto* anchor = FindAtom<TEscherClientAnchorRecord>(unit, escher::kClientAnchor);
  anchor->SetRows(copy.FirstRow(), copy.LastRow());
  anchor->SetRowOffsets(copy.FirstRowOffset(), copy.LastRowOffset());
}

}  // namespace

const TEscherRecord& TEscherShapeCopy::ToWrite() const {
  if (expanded_) return *this;
  TEscherContainerRecord& scratch = prototype_->Scratch();
  Apply(scratch, *this);
  return scratch;
}

void TEscherShapeCopy::Expand() {
  if (expanded_) return;
  const TEscherContainerRecord& shape = prototype_->Shape();
  for (std::size_t i = 0; i < shape.ChildCount(); ++i) {
    AddChild(shape.Child(i).Clone());
  }
  Apply(*this, *this);
  expanded_ = true;
}

const TEscherClientTextBoxRecord* TEscherShapeCopy::TextBox() const {
  return FindAtom<const TEscherClientTextBoxRecord>(expanded_ ? *this : prototype_->Shape(),
                                                    escher::kClientTextbox);
}

}  // namespace chronolin
