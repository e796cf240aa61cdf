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

constexpr std::uint32_t kClusterSize = 1024;  // shape ids per Dgg cluster

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
  // BSE: two blip type bytes, then the 16-byte digest.
  auto digest = [](const TEscherBSERecord* r) {
    std::vector<std::uint8_t> d(16);
    if (r->Data().size() >= 18) std::memcpy(d.data(), r->Data().data() + 2, 16);
    return d;
  };
  std::stable_sort(sorted_blips_.begin(), sorted_blips_.end(),
                   [&](const auto* a, const auto* b) { return digest(a) < digest(b); });
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

TEscherDataRecord& TDrawingGroup::Dgg() const {
  if (root_ && root_->IsContainer()) {
    auto& container = static_cast<TEscherContainerRecord&>(*root_);
    for (std::size_t i = 0; i < container.ChildCount(); ++i) {
      if (container.Child(i).Type() == escher::kDgg) {
        return static_cast<TEscherDataRecord&>(container.Child(i));
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
  if (Dgg().Data().size() < 16) throw XlsError(msg::kEscherProcessing);
}

std::uint32_t TDrawingGroup::NewDrawingId() {
  TEscherDataRecord& dgg = Dgg();
  std::uint32_t max_id = 0;
  for (std::size_t at = 16; at + 8 <= dgg.Data().size(); at += 8) {
    max_id = std::max(max_id, dgg.Get32(at));
  }
  dgg.Set32(12, dgg.Get32(12) + 1);
  return max_id + 1;
}

std::uint32_t TDrawingGroup::AllocateShapeId(std::uint32_t drawing_id, std::uint32_t at_least) {
  TEscherDataRecord& dgg = Dgg();
  if (dgg.Data().size() < 16) throw XlsError(msg::kEscherProcessing);
  const std::size_t clusters = (dgg.Data().size() - 16) / 8;
  std::uint32_t id = 0;
  for (std::size_t i = 0; i < clusters && id == 0; ++i) {
    const std::size_t at = 16 + 8 * i;
    if (dgg.Get32(at) != drawing_id) continue;
    const auto base = static_cast<std::uint32_t>((i + 1) * kClusterSize);
    const std::uint32_t next = std::max(base + dgg.Get32(at + 4), at_least);
    if (next < base + kClusterSize) {
      id = next;
      dgg.Set32(at + 4, next - base + 1);
    }
  }
  if (id == 0) {
    dgg.Data().resize(16 + 8 * clusters);
    biff::Put32(dgg.Data(), drawing_id);
    biff::Put32(dgg.Data(), 1);
    id = static_cast<std::uint32_t>((clusters + 1) * kClusterSize);
    dgg.Set32(4, static_cast<std::uint32_t>(clusters + 2));
  }
  dgg.Set32(0, std::max(dgg.Get32(0), id + 1));
  dgg.Set32(8, dgg.Get32(8) + 1);
  return id;
}

void TDrawingGroup::ShapesRemoved(std::uint32_t count) {
  TEscherDataRecord& dgg = Dgg();
  dgg.Set32(8, dgg.Get32(8) >= count ? dgg.Get32(8) - count : 0);
}

void TDrawingGroup::AddBlipReference(std::uint32_t index, int delta) {
  TEscherContainerRecord* store = BStore();
  if (store == nullptr || index == 0 || index > store->ChildCount()) return;
  auto& bse = static_cast<TEscherDataRecord&>(store->Child(index - 1));
  const auto count = static_cast<std::int64_t>(bse.Get32(24)) + delta;
  bse.Set32(24, static_cast<std::uint32_t>(std::max<std::int64_t>(count, 0)));
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
