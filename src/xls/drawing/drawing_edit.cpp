// Editing a sheet's drawing with its rows: shapes moved, cloned and removed, pictures replaced.
#include <algorithm>
#include <functional>
#include <unordered_map>
#include <unordered_set>

#include "common/format.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/drawing/drawing.h"
#include "xls/records/biff_bytes.h"

namespace chronolin {

namespace {

constexpr std::uint16_t kCommentKind = 25;  // OBJ kind of a cell comment
constexpr int kMaxObjectId = 0xFFFF;        // an OBJ's id is a 16-bit field

void ForEach(TEscherRecord& record, const std::function<void(TEscherRecord&)>& f) {
  f(record);
  if (!record.IsContainer()) return;
  auto& container = static_cast<TEscherContainerRecord&>(record);
  for (std::size_t i = 0; i < container.ChildCount(); ++i) ForEach(container.Child(i), f);
}

TEscherClientAnchorRecord* AnchorOf(TEscherRecord& unit) {
  return FindFirstAs<TEscherClientAnchorRecord>(unit, escher::kClientAnchor);
}

TEscherClientDataRecord* ObjectOf(TEscherRecord& unit) {
  return FindFirstAs<TEscherClientDataRecord>(unit, escher::kClientData);
}

bool IsComment(TEscherRecord& unit) {
  const TEscherClientDataRecord* data = ObjectOf(unit);
  return data != nullptr && data->Obj() != nullptr && data->Obj()->Kind() == kCommentKind;
}

// The blip store entries (1-based) the pictures of a unit refer to.
template <class F>
void ForEachBlipReference(TEscherRecord& unit, F&& f) {
  ForEach(unit, [&](TEscherRecord& r) {
    if (r.Type() != escher::kOPT) return;
    for (const std::uint32_t index : static_cast<TEscherOPTRecord&>(r).BlipReferences()) f(index);
  });
}

// Shapes held by a unit; a shared copy holds one.
std::uint32_t ShapeCount(TEscherRecord& unit) {
  std::uint32_t shapes = 0;
  ForEach(unit, [&](TEscherRecord& r) {
    shapes += r.Type() == escher::kSp || CompactCopy(r) != nullptr;
  });
  return shapes;
}

// The first text box of a unit, or null.
TEscherClientTextBoxRecord* TextBoxIn(TEscherRecord& unit) {
  return FindFirstAs<TEscherClientTextBoxRecord>(unit, escher::kClientTextbox);
}

// Anchor rows after rows [first, first + count) are deleted (anchor: a client anchor or a
// shared copy). A corner in the deleted rows goes to the top of the first row after them, so
// that an anchor cut by the deletion still ends at or after its start. A shape wholly in them
// (a comment's box: its note lies elsewhere) keeps its height from there: an empty box is
// dropped by readers.
template <class A>
void DeleteAnchorRows(A& anchor, int first, int count) {
  const int end = first + count;
  const int first_row = anchor.FirstRow();
  const int last_row = anchor.LastRow();
  const bool first_cut = first_row >= first && first_row < end;
  const bool last_cut = last_row >= first && last_row < end;
  if (first_cut && last_cut) {
    anchor.SetRows(static_cast<std::uint16_t>(first),
                   static_cast<std::uint16_t>(first + last_row - first_row));
    anchor.SetRowOffsets(0, anchor.LastRowOffset());
    return;
  }
  auto moved = [&](int row) {
    return static_cast<std::uint16_t>(row >= end ? row - count : row >= first ? first : row);
  };
  anchor.SetRows(moved(first_row), moved(last_row));
  anchor.SetRowOffsets(first_cut ? 0 : anchor.FirstRowOffset(),
                       last_cut ? 0 : anchor.LastRowOffset());
}

// Anchor rows >= from move by delta (rows inserted).
template <class A>
void ShiftAnchorRows(A& anchor, int from, int delta) {
  auto moved = [&](std::uint16_t row) {
    return row >= from ? static_cast<std::uint16_t>(std::min(row + delta, 0xFFFF)) : row;
  };
  anchor.SetRows(moved(anchor.FirstRow()), moved(anchor.LastRow()));
}

template <class A>
void MoveAnchor(A& anchor, int delta) {
  auto moved = [&](int row) {
    return static_cast<std::uint16_t>(std::clamp(row + delta, 0, 0xFFFF));
  };
  anchor.SetRows(moved(anchor.FirstRow()), moved(anchor.LastRow()));
}

}  // namespace

TEscherContainerRecord* TDrawing::TopGroup() const {
  return static_cast<TEscherContainerRecord*>(
      TEscherContainerRecord::FindChild(root_, escher::kSpgrContainer));
}

TEscherDgRecord* TDrawing::Dg() const {
  return static_cast<TEscherDgRecord*>(TEscherContainerRecord::FindChild(root_, escher::kDg));
}

void TDrawing::ShiftAnchors(int from, int delta) {
  for (auto* anchor : anchors_) ShiftAnchorRows(*anchor, from, delta);
  for (TEscherShapeCopy* copy : copies_) {
    if (!copy->Expanded()) ShiftAnchorRows(*copy, from, delta);
  }
}

void TDrawing::AdoptClone(TEscherRecord& unit, TDrawingGroup& group, bool new_object_ids) {
  TEscherDgRecord* dg = Dg();
  if (dg == nullptr) throw XlsError(msg::kEscherProcessing);
  std::uint32_t max_id = max_shape_id_;
  std::uint32_t object_id = next_object_id_;
  ForEach(unit, [&](TEscherRecord& r) {
    if (r.Type() == escher::kSp) {
      const std::uint32_t id = group.AllocateShapeId(dg->DrawingId(), max_id + 1);
      max_id = std::max(max_id, id);
      static_cast<TEscherSPRecord&>(r).SetShapeId(id);
      dg->ShapeAdded(id);
    } else if (r.Type() == escher::kClientData && new_object_ids) {
      auto& data = static_cast<TEscherClientDataRecord&>(r);
      if (data.Obj() != nullptr) {
        // Checked up front by the callers; a file already at the limit is refused here.
        if (object_id > kMaxObjectId) {
          throw XlsError(Format(msg::kTooManyEntries, static_cast<int>(object_id), kMaxObjectId));
        }
        data.Obj()->SetObjectId(static_cast<std::uint16_t>(object_id++));
      }
    }
  });
  ForEachBlipReference(unit, [&](std::uint32_t index) { group.AddBlipReference(index, +1); });
}

void TDrawing::CheckDeleteRows(int first, int count, const TDrawingGroup& group) const {
  TEscherContainerRecord* top = TopGroup();
  if (top == nullptr) return;
  const int end = first + count;
  for (std::size_t i = 0; i < top->ChildCount(); ++i) {
    TEscherRecord& unit = top->Child(i);
    TEscherClientAnchorRecord* anchor = AnchorOf(unit);
    if (anchor == nullptr || IsComment(unit)) continue;
    if (anchor->FirstRow() >= first && anchor->LastRow() < end) {
      group.CheckEditable();
      return;
    }
  }
}

void TDrawing::CheckCopyRows(int first, int last, const TDrawingGroup& group) const {
  TEscherContainerRecord* top = TopGroup();
  if (top == nullptr) return;
  bool copies = false;
  for (std::size_t i = 0; i < top->ChildCount(); ++i) {
    TEscherRecord& unit = top->Child(i);
    TEscherClientAnchorRecord* anchor = AnchorOf(unit);
    if (anchor == nullptr || IsComment(unit)) continue;
    if (anchor->FirstRow() < first || anchor->LastRow() > last) continue;
    const TEscherClientDataRecord* data = ObjectOf(unit);
    if (data != nullptr && data->Obj() != nullptr && data->Obj()->IsEmbeddedOle()) {
      throw XlsError(msg::kCantCopyOle);
    }
    copies = true;
  }
  if (!copies) return;
  if (Dg() == nullptr) throw XlsError(msg::kEscherProcessing);
  group.CheckEditable();
}

void TDrawing::CheckCloneObject(std::uint16_t object_id, const TDrawingGroup& group) const {
  TEscherContainerRecord* top = TopGroup();
  if (top == nullptr || units_by_id_.Find(object_id) == nullptr) return;
  if (Dg() == nullptr) throw XlsError(msg::kEscherProcessing);
  group.CheckEditable();
}

void TDrawing::CheckRemoveObject(std::uint16_t object_id, const TDrawingGroup& group) const {
  TEscherContainerRecord* top = TopGroup();
  if (top == nullptr) {
    if (FindObject(object_id) != nullptr) throw XlsError(msg::kEscherLoading);
    return;
  }
  if (units_by_id_.Find(object_id) != nullptr) group.CheckEditable();
}

void TDrawing::CheckNewIdentity(const TDrawingGroup& group) const {
  if (Dg() != nullptr) group.CheckEditable();
}

void TDrawing::DeleteRows(int first, int count, TDrawingGroup& group) {
  DeleteRows(first, count, {}, group);
}

void TDrawing::DeleteRows(int first, int count, const std::vector<std::uint16_t>& comment_ids,
                          TDrawingGroup& group) {
  if (!root_) return;
  const int end = first + count;
  if (TEscherContainerRecord* top = TopGroup()) {
    std::unordered_set<const TEscherRecord*> doomed;
    for (const std::uint16_t id : comment_ids) {
      if (TEscherRecord* unit = units_by_id_.Find(id)) doomed.insert(unit);
    }
    TEscherDgRecord* dg = Dg();
    top->RemoveChildrenIf([&](TEscherRecord& unit) {
      if (!doomed.contains(&unit)) {
        TEscherClientAnchorRecord* anchor = AnchorOf(unit);
        if (anchor == nullptr || IsComment(unit)) return false;
        if (anchor->FirstRow() < first || anchor->LastRow() >= end) return false;
      }
      const std::uint32_t shapes = ShapeCount(unit);
      ForEachBlipReference(unit, [&](std::uint32_t index) { group.AddBlipReference(index, -1); });
      group.ShapesRemoved(shapes);
      if (dg != nullptr) dg->ShapesRemoved(shapes);
      return true;
    });
  } else {
    for (const std::uint16_t id : comment_ids) {
      if (FindObject(id) != nullptr) throw XlsError(msg::kEscherLoading);
    }
  }
  BuildCaches();
  for (auto* anchor : anchors_) DeleteAnchorRows(*anchor, first, count);
  for (TEscherShapeCopy* copy : copies_) DeleteAnchorRows(*copy, first, count);
}

std::vector<const TEscherRecord*> TDrawing::ShapesInRows(int first, int last) const {
  std::vector<const TEscherRecord*> found;
  TEscherContainerRecord* top = TopGroup();
  if (top == nullptr) return found;
  for (std::size_t i = 0; i < top->ChildCount(); ++i) {
    TEscherRecord& unit = top->Child(i);
    TEscherClientAnchorRecord* anchor = AnchorOf(unit);
    if (anchor == nullptr || IsComment(unit)) continue;
    if (anchor->FirstRow() < first || anchor->LastRow() > last) continue;
    const TEscherClientDataRecord* data = ObjectOf(unit);
    if (data != nullptr && data->Obj() != nullptr && data->Obj()->IsEmbeddedOle()) {
      throw XlsError(msg::kCantCopyOle);
    }
    found.push_back(&unit);
  }
  return found;
}

std::size_t TDrawing::ObjectCount(const std::vector<const TEscherRecord*>& shapes) {
  std::size_t count = 0;
  for (const TEscherRecord* unit : shapes) {
    ForEach(const_cast<TEscherRecord&>(*unit), [&](TEscherRecord& r) {
      count += r.Type() == escher::kClientData &&
               static_cast<TEscherClientDataRecord&>(r).Obj() != nullptr;
    });
  }
  return count;
}

void TDrawing::CheckNewObjects(std::size_t count, const TDrawingGroup& group) const {
  if (count == 0) return;
  // Clones take their shape ids from the drawing and the drawing group.
  if (Dg() == nullptr || TopGroup() == nullptr || !group.Loaded()) {
    throw XlsError(msg::kEscherProcessing);
  }
  const std::uint64_t last = next_object_id_ - 1ull + count;
  if (last > static_cast<std::uint64_t>(kMaxObjectId)) {
    throw XlsError(Format(msg::kTooManyEntries,
                          static_cast<int>(std::min<std::uint64_t>(last, 0x7FFFFFFF)),
                          kMaxObjectId));
  }
}

std::shared_ptr<const TShapePrototype> TDrawing::PrototypeFor(const TEscherRecord& unit) {
  if (const TEscherShapeCopy* copy = CompactCopy(unit)) return copy->Prototype();
  // The text is what a note's shape may have changed since: its records are copied on write.
  // Anything else that changes a shape's records goes through the caches, which drop this one.
  const TEscherClientTextBoxRecord* box = TextBoxIn(const_cast<TEscherRecord&>(unit));
  const TTXO* txo = box != nullptr ? box->Txo() : nullptr;
  const TBaseRecord* text = txo != nullptr ? &txo->Record() : nullptr;
  TPrototypeCache& cache = prototype_cache_;
  if (cache.prototype != nullptr && cache.source == &unit && cache.text == text) {
    return cache.prototype;
  }
  if (!TEscherShapeCopy::CanShare(unit)) return nullptr;
  cache.prototype = std::make_shared<const TShapePrototype>(unit.Clone());
  cache.source = &unit;
  cache.text = text;
  return cache.prototype;
}

std::unique_ptr<TEscherShapeCopy> TDrawing::NewCopy(
    const TEscherRecord& unit, std::shared_ptr<const TShapePrototype> prototype, int delta,
    TDrawingGroup& group) {
  TEscherDgRecord* dg = Dg();
  if (dg == nullptr) throw XlsError(msg::kEscherProcessing);
  // Checked up front by the callers; a file already at the limit is refused here.
  if (next_object_id_ > static_cast<std::uint32_t>(kMaxObjectId)) {
    throw XlsError(Format(msg::kTooManyEntries, static_cast<int>(next_object_id_), kMaxObjectId));
  }
  auto copy = std::make_unique<TEscherShapeCopy>(std::move(prototype));
  if (const TEscherShapeCopy* source = CompactCopy(unit)) {
    copy->SetRows(source->FirstRow(), source->LastRow());
    copy->SetRowOffsets(source->FirstRowOffset(), source->LastRowOffset());
  } else if (const TEscherClientAnchorRecord* anchor = AnchorOf(const_cast<TEscherRecord&>(unit))) {
    copy->SetRows(anchor->FirstRow(), anchor->LastRow());
    copy->SetRowOffsets(anchor->FirstRowOffset(), anchor->LastRowOffset());
  }
  MoveAnchor(*copy, delta);
  const std::uint32_t id = group.AllocateShapeId(dg->DrawingId(), max_shape_id_ + 1);
  copy->SetShapeId(id);
  dg->ShapeAdded(id);
  copy->SetObjectId(static_cast<std::uint16_t>(next_object_id_));
  return copy;
}

TEscherRecord& TDrawing::AppendClone(const TEscherRecord& unit, int delta, TDrawingGroup& group) {
  TEscherContainerRecord* top = TopGroup();
  std::unique_ptr<TEscherRecord> clone;
  if (std::shared_ptr<const TShapePrototype> prototype = PrototypeFor(unit)) {
    clone = NewCopy(unit, std::move(prototype), delta, group);
  } else {
    clone = unit.Clone();
    if (TEscherClientAnchorRecord* anchor = AnchorOf(*clone)) MoveAnchor(*anchor, delta);
    AdoptClone(*clone, group, true);
  }
  TEscherRecord& added = *clone;
  top->InsertChild(top->ChildCount(), std::move(clone));
  AddToCaches(added);
  return added;
}

void TDrawing::CopyShapes(const std::vector<const TEscherRecord*>& shapes, int delta,
                          TDrawingGroup& group) {
  for (const TEscherRecord* unit : shapes) AppendClone(*unit, delta, group);
}

void TDrawing::CopyRows(int first, int last, int delta, TDrawingGroup& group) {
  const std::vector<const TEscherRecord*> shapes = ShapesInRows(first, last);
  CheckNewObjects(ObjectCount(shapes), group);
  CopyShapes(shapes, delta, group);
}

std::uint16_t TDrawing::CloneObject(std::uint16_t object_id, int delta, TDrawingGroup& group) {
  TEscherRecord* unit = units_by_id_.Find(object_id);
  if (unit == nullptr || TopGroup() == nullptr) return 0;
  TEscherRecord& clone = AppendClone(*unit, delta, group);
  if (const TEscherShapeCopy* copy = CompactCopy(clone)) return copy->ObjectId();
  return ObjectOf(clone)->Obj()->ObjectId();
}

void TDrawing::RemoveObject(std::uint16_t object_id, TDrawingGroup& group) {
  TEscherContainerRecord* top = TopGroup();
  if (top == nullptr) {
    if (FindObject(object_id) != nullptr) throw XlsError(msg::kEscherLoading);
    return;
  }
  const TEscherRecord* doomed = units_by_id_.Find(object_id);
  if (doomed == nullptr) return;
  TEscherDgRecord* dg = Dg();
  top->RemoveChildrenIf([&](TEscherRecord& unit) {
    if (&unit != doomed) return false;
    const std::uint32_t shapes = ShapeCount(unit);
    ForEachBlipReference(unit, [&](std::uint32_t index) { group.AddBlipReference(index, -1); });
    group.ShapesRemoved(shapes);
    if (dg != nullptr) dg->ShapesRemoved(shapes);
    return true;
  });
  BuildCaches();
}

void TDrawing::TakeNewIdentity(TDrawingGroup& group) {
  TEscherDgRecord* dg = Dg();
  if (dg == nullptr) return;
  const std::uint32_t drawing_id = group.NewDrawingId();
  dg->SetInstance(static_cast<std::uint16_t>(drawing_id));
  std::uint32_t last = 0;
  ForEach(*root_, [&](TEscherRecord& r) {
    TEscherShapeCopy* copy = CompactCopy(r);
    if (r.Type() != escher::kSp && copy == nullptr) return;
    last = group.AllocateShapeId(drawing_id, last + 1);
    if (copy != nullptr) {
      copy->SetShapeId(last);
    } else {
      static_cast<TEscherSPRecord&>(r).SetShapeId(last);
    }
  });
  dg->SetLastShapeId(last);
  ForEachBlipReference(*root_, [&](std::uint32_t index) { group.AddBlipReference(index, +1); });
  BuildCaches();
}

const TTXO* TDrawing::CommentTxo(std::uint16_t object_id) const {
  TEscherRecord* unit = units_by_id_.Find(object_id);
  if (unit == nullptr) return nullptr;
  const TEscherShapeCopy* copy = CompactCopy(*unit);
  const TEscherClientTextBoxRecord* box = copy != nullptr ? copy->TextBox() : TextBoxIn(*unit);
  return box != nullptr ? box->Txo() : nullptr;
}

TTXO* TDrawing::EditCommentTxo(std::uint16_t object_id) {
  TEscherRecord* unit = units_by_id_.Find(object_id);
  if (unit == nullptr) return nullptr;
  if (TEscherShapeCopy* copy = CompactCopy(*unit)) {
    // Its own records from now on, cached like any shape's (the copy stays in copies_,
    // skipped there once expanded).
    copy->Expand();
    AddToCaches(*copy);
  }
  TEscherClientTextBoxRecord* box = TextBoxIn(*unit);
  return box != nullptr ? box->Txo() : nullptr;
}

int TDrawing::PictureRow(std::size_t index) const {
  TEscherContainerRecord* top = TopGroup();
  if (top == nullptr || index >= pictures_.size()) return -1;
  for (std::size_t i = 0; i < top->ChildCount(); ++i) {
    bool holds = false;
    ForEach(top->Child(i), [&](TEscherRecord& r) { holds = holds || &r == pictures_[index]; });
    if (!holds) continue;
    const TEscherClientAnchorRecord* anchor = AnchorOf(top->Child(i));
    return anchor == nullptr ? -1 : anchor->FirstRow();
  }
  return -1;
}

void TDrawing::ReplacePicture(std::size_t index, std::span<const std::uint8_t> bytes,
                              TPictureType type, TDrawingGroup& group) {
  if (index >= pictures_.size()) {
    throw XlsError(Format(msg::kIndexOutOfRange, static_cast<int>(index), "Picture index", 0,
                          static_cast<int>(pictures_.size()) - 1));
  }
  TEscherOPTRecord* opt = pictures_[index];
  if (opt->BlipReferenceCount() != 1) throw XlsError(msg::kEscherProcessing);
  const std::uint32_t new_index = group.AddBlip(TEscherBSERecord::FromPicture(bytes, type));
  for (const std::uint32_t old_index : opt->BlipReferences()) {
    group.AddBlipReference(old_index, -1);
    group.AddBlipReference(new_index, +1);
  }
  opt->SetBlipReferences(new_index);
}

}  // namespace chronolin
