#include "xls/strings/sst.h"

#include <algorithm>

#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/records/record_chain_reader.h"
#include "xls/records/record_chain_writer.h"
#include "xls/records/record_ids.h"

namespace chronolin {

namespace {

std::uint32_t Hash32(const TExcelString& s) {
  const std::uint64_t h = Hash(s);
  return static_cast<std::uint32_t>(h ^ (h >> 32));
}

}  // namespace

std::uint32_t TSST::NewEntry(TExcelString string) {
  std::uint32_t id;
  if (!dropped_.empty()) {
    id = dropped_.back();
    dropped_.pop_back();
  } else {
    if (used_ == blocks_.size() * kBlockSize) {
      blocks_.push_back(std::make_unique<TSSTEntry[]>(kBlockSize));
    }
    id = used_++;
  }
  TSSTEntry& entry = At(id);
  entry.string = std::move(string);
  entry.ref_count = 0;
  entry.save_index = 0;
  return id;
}

void TSST::Load(const TBaseRecord& sst) {
  TRecordChainReader reader(sst, 0);
  reader.Read32();  // total references: recomputed at save
  const std::uint32_t count = reader.Read32();
  // Every string takes at least three bytes, so a count the data cannot hold fails in the
  // loop long before it could exhaust memory.
  for (std::uint32_t i = 0; i < count; ++i) {
    order_.push_back(NewEntry(TExcelString::Read(reader, 2)));
  }
  // In file order, as the cells' indexes count them, until Sort.
  sorted_count_ = order_.size();
  index_.clear();
  indexed_ = false;
}

bool TSST::Before(std::uint32_t a, std::uint32_t b) const {
  return Compare(At(a).string, At(b).string) < 0;
}

void TSST::Sort() {
  std::stable_sort(order_.begin(), order_.end(),
                   [this](std::uint32_t a, std::uint32_t b) { return Before(a, b); });
  sorted_count_ = order_.size();
  // Of equal loaded strings, the first in table order is the one found.
  index_.clear();
  indexed_ = false;
}

void TSST::Clear() {
  blocks_.clear();
  used_ = 0;
  dropped_.clear();
  order_.clear();
  sorted_count_ = 0;
  index_.clear();
  indexed_count_ = 0;
  indexed_ = false;
}

void TSST::PlaceAdded() const {
  if (sorted_count_ == order_.size()) return;
  const auto before = [this](std::uint32_t a, std::uint32_t b) { return Before(a, b); };
  const auto middle = order_.begin() + static_cast<std::ptrdiff_t>(sorted_count_);
  // An added string equals no other entry: the merge gives the order sorted inserts gave.
  std::stable_sort(middle, order_.end(), before);
  std::inplace_merge(order_.begin(), middle, order_.end(), before);
  sorted_count_ = order_.size();
}

TSST::Slot* TSST::FindSlot(const TExcelString& s, std::uint32_t hash) {
  if (index_.empty()) return nullptr;
  const std::size_t mask = index_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    Slot& slot = index_[i];
    if (slot.id == kNoEntry) return nullptr;
    if (slot.hash == hash && Compare(At(slot.id).string, s) == 0) return &slot;
  }
}

void TSST::Insert(std::uint32_t id, std::uint32_t hash) {
  if ((indexed_count_ + 1) * 2 > index_.size()) {
    std::vector<Slot> old(std::max<std::size_t>(64, index_.size() * 2));
    old.swap(index_);
    indexed_count_ = 0;
    for (const Slot& slot : old) {
      if (slot.id != kNoEntry) Insert(slot.id, slot.hash);
    }
  }
  const std::size_t mask = index_.size() - 1;
  std::size_t i = hash & mask;
  while (index_[i].id != kNoEntry) i = (i + 1) & mask;
  index_[i] = Slot{hash, id};
  ++indexed_count_;
}

void TSST::BuildIndex() {
  PlaceAdded();
  index_.clear();
  indexed_count_ = 0;
  for (const std::uint32_t id : order_) {
    // Of equal strings, the first in table order is the one found.
    const TExcelString& s = At(id).string;
    const std::uint32_t hash = Hash32(s);
    if (FindSlot(s, hash) == nullptr) Insert(id, hash);
  }
  indexed_ = true;
}

TSSTEntry* TSST::AddString(std::u16string_view text) {
  TExcelString s = TExcelString::FromText(text, 2);
  if (!indexed_) BuildIndex();
  const std::uint32_t hash = Hash32(s);
  if (Slot* found = FindSlot(s, hash)) {
    TSSTEntry& entry = At(found->id);
    entry.AddRef();
    return &entry;
  }
  const std::uint32_t id = NewEntry(std::move(s));
  order_.push_back(id);
  Insert(id, hash);
  TSSTEntry& entry = At(id);
  entry.ref_count = 1;
  return &entry;
}

void TSST::PrepareForSave() {
  PlaceAdded();
  const std::size_t before = order_.size();
  std::erase_if(order_, [this](std::uint32_t id) {
    TSSTEntry& entry = At(id);
    if (entry.ref_count > 0) return false;
    // Its text is freed now; the place is taken by the next new string.
    entry.string = TExcelString();
    dropped_.push_back(id);
    return true;
  });
  sorted_count_ = order_.size();
  if (order_.size() != before) {
    index_.clear();
    indexed_ = false;
  }
}

void TSST::WriteTable(std::uint32_t total_refs, TOutStream& out,
                      std::vector<TStringPlace>* places) const {
  const std::size_t bucket = BucketSize();
  TRecordChainWriter chain(out, rid::kSst, rid::kContinue, rid::kMaxSstBody);
  chain.Write32(total_refs);
  chain.Write32(static_cast<std::uint32_t>(order_.size()));
  for (std::size_t i = 0; i < order_.size(); ++i) {
    const TExcelString& s = At(order_[i]).string;
    const std::size_t size = s.WrittenSize();
    // A string that fits a record of its own starts one, unless that would leave the table's
    // first record without any string (readers expect one there). Longer ones are split.
    const bool first_record_empty = chain.RecordIndex() == 0 && i == 0;
    if (size > chain.Room() && size <= rid::kMaxSstBody && !first_record_empty) {
      chain.NextRecord();
    }
    chain.KeepTogether(s.HeadSize());
    if (places != nullptr && i % bucket == 0) {
      places->push_back({static_cast<std::uint32_t>(chain.RecordPosition() + 4 + chain.BodySize()),
                         static_cast<std::uint16_t>(chain.BodySize() + 4)});
    }
    s.Write(chain);
  }
  chain.Finish();
}

std::size_t TSST::BucketSize() const {
  return std::max<std::size_t>(order_.size() / 128 + 1, 8);
}

std::size_t TSST::BucketCount() const {
  return order_.empty() ? 0 : (order_.size() - 1) / BucketSize() + 1;
}

void TSST::SaveToStream(TOutStream& out) {
  PlaceAdded();
  std::uint32_t total_refs = 0;
  for (std::size_t i = 0; i < order_.size(); ++i) {
    TSSTEntry& entry = At(order_[i]);
    entry.save_index = static_cast<std::uint32_t>(i);
    total_refs += static_cast<std::uint32_t>(std::max(entry.ref_count, 0));
  }
  std::vector<TStringPlace> places;
  places.reserve(BucketCount());
  WriteTable(total_refs, out, &places);

  out.WriteHeader(rid::kExtSst, static_cast<std::uint16_t>(places.size() * 8 + 2));
  out.Write16(static_cast<std::uint16_t>(BucketSize()));
  for (const TStringPlace& place : places) {
    out.Write32(place.stream_position);
    out.Write16(place.record_offset);
    out.Write16(0);
  }
}

std::int64_t TSST::TotalSize() const {
  PlaceAdded();
  TCountingOutStream counter;
  WriteTable(0, counter, nullptr);
  return static_cast<std::int64_t>(counter.Position()) + 4 + 2 +
         8 * static_cast<std::int64_t>(BucketCount());
}

}  // namespace chronolin
