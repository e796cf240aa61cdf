#include "xls/drawing/drawing_group.h"

#include <algorithm>
#include <cstring>

#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/drawing/escher_io.h"
#include "xls/records/biff_bytes.h"
#include "xls/records/record_chain_writer.h"
#include "xls/records/record_ids.h"

namespace chronolin {

namespace {

template <class F>
void Walk(TEscherRecord& record, F&& f) {
  f(record);
  if (!record.IsContainer()) return;
  auto& container = static_cast<TEscherContainerRecord&>(record);
  for (std::size_t i = 0; i < container.ChildCount(); ++i) Walk(container.Child(i), f);
}

}  // namespace

void TDrawingGroup::Load(TBiffReader& reader, std::unique_ptr<TBaseRecord> first) {
  if (root_) throw XlsError(msg::kFileInvalid);
  TEscherPieceReader source(reader, std::move(first));
  root_ = ReadEscherRecord(source, nullptr);
  if (!source.PieceExhausted()) throw XlsError(msg::kFileInvalid);
}

void TDrawingGroup::Clear() {
  root_.reset();
  sorted_blips_.clear();
}

void TDrawingGroup::SortBlips() {
  sorted_blips_.clear();
  if (!root_) return;
  Walk(*root_, [&](TEscherRecord& r) {
    if (r.Type() == escher::kBSE) sorted_blips_.push_back(static_cast<TEscherBSERecord*>(&r));
  });
  std::stable_sort(sorted_blips_.begin(), sorted_blips_.end(),
                   [](const auto* a, const auto* b) { return a->Digest() < b->Digest(); });
}

std::vector<std::uint8_t> TDrawingGroup::Bytes() const {
  std::vector<std::uint8_t> bytes;
  if (root_) WriteEscherRecord(*root_, bytes, nullptr);
  return bytes;
}

void TDrawingGroup::SaveToStream(TOutStream& out) const {
  if (!root_) return;
  TRecordChainWriter chain(out, rid::kMsoDrawingGroup);
  chain.Write(Bytes());
  chain.Finish();
}

std::int64_t TDrawingGroup::TotalSize() const {
  TCountingOutStream counter;
  SaveToStream(counter);
  return static_cast<std::int64_t>(counter.Position());
}

TEscherDggRecord& TDrawingGroup::Dgg() const {
  if (root_ && root_->IsContainer()) {
    auto& container = static_cast<TEscherContainerRecord&>(*root_);
    for (std::size_t i = 0; i < container.ChildCount(); ++i) {
      if (container.Child(i).Type() == escher::kDgg) {
        return static_cast<TEscherDggRecord&>(container.Child(i));
      }
    }
  }
  throw XlsError(msg::kEscherProcessing);
}

TEscherContainerRecord* TDrawingGroup::BStore() const {
  if (!root_ || !root_->IsContainer()) return nullptr;
  auto& container = static_cast<TEscherContainerRecord&>(*root_);
  for (std::size_t i = 0; i < container.ChildCount(); ++i) {
    if (container.Child(i).Type() == escher::kBStoreContainer) {
      return static_cast<TEscherContainerRecord*>(&container.Child(i));
    }
  }
  return nullptr;
}

void TDrawingGroup::CheckEditable() const {
  if (!Dgg().HasCounters()) throw XlsError(msg::kEscherProcessing);
}

std::uint32_t TDrawingGroup::NewDrawingId() {
  TEscherDggRecord& dgg = Dgg();
  std::uint32_t max_id = 0;
  for (std::size_t i = 0; i < dgg.ClusterCount(); ++i) {
    max_id = std::max(max_id, dgg.ClusterDrawing(i));
  }
  dgg.SetSavedDrawings(dgg.SavedDrawings() + 1);
  return max_id + 1;
}

std::uint32_t TDrawingGroup::AllocateShapeId(std::uint32_t drawing_id, std::uint32_t at_least) {
  constexpr std::uint32_t kClusterSize = TEscherDggRecord::kClusterSize;
  TEscherDggRecord& dgg = Dgg();
  if (!dgg.HasCounters()) throw XlsError(msg::kEscherProcessing);
  const std::size_t clusters = dgg.ClusterCount();
  std::uint32_t id = 0;
  for (std::size_t i = 0; i < clusters && id == 0; ++i) {
    if (dgg.ClusterDrawing(i) != drawing_id) continue;
    const auto base = static_cast<std::uint32_t>((i + 1) * kClusterSize);
    const std::uint32_t next = std::max(base + dgg.ClusterIdsTaken(i), at_least);
    if (next < base + kClusterSize) {
      id = next;
      dgg.SetClusterIdsTaken(i, next - base + 1);
    }
  }
  if (id == 0) {
    dgg.AddCluster(drawing_id, 1);
    id = static_cast<std::uint32_t>((clusters + 1) * kClusterSize);
  }
  dgg.SetNextShapeId(std::max(dgg.NextShapeId(), id + 1));
  dgg.SetSavedShapes(dgg.SavedShapes() + 1);
  return id;
}

void TDrawingGroup::ShapesRemoved(std::uint32_t count) {
  TEscherDggRecord& dgg = Dgg();
  dgg.SetSavedShapes(dgg.SavedShapes() >= count ? dgg.SavedShapes() - count : 0);
}

void TDrawingGroup::AddBlipReference(std::uint32_t index, int delta) {
  TEscherContainerRecord* store = BStore();
  if (store == nullptr || index == 0 || index > store->ChildCount()) return;
  auto* bse = dynamic_cast<TEscherBSERecord*>(&store->Child(index - 1));
  if (bse == nullptr) return;
  const auto count = static_cast<std::int64_t>(bse->RefCount()) + delta;
  bse->SetRefCount(static_cast<std::uint32_t>(std::max<std::int64_t>(count, 0)));
}

std::uint32_t TDrawingGroup::AddBlip(std::unique_ptr<TEscherBSERecord> entry) {
  TEscherContainerRecord* store = BStore();
  if (store == nullptr) {
    if (!root_ || !root_->IsContainer()) throw XlsError(msg::kEscherProcessing);
    auto& container = static_cast<TEscherContainerRecord&>(*root_);
    container.InsertChild(std::min<std::size_t>(1, container.ChildCount()),
                          std::make_unique<TEscherBStoreRecord>(0x000F, escher::kBStoreContainer));
    store = BStore();
  }
  store->InsertChild(store->ChildCount(), std::move(entry));
  store->SetInstance(static_cast<std::uint16_t>(store->ChildCount()));
  SortBlips();
  return static_cast<std::uint32_t>(store->ChildCount());
}

}  // namespace chronolin
