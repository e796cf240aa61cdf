#include "xls/strings/sst.h"

#include <algorithm>

#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/records/record_chain_reader.h"
#include "xls/records/record_chain_writer.h"
#include "xls/records/record_ids.h"

namespace chronolin {

void TSST::Load(const TBaseRecord& sst) {
  TRecordChainReader reader(sst, 0);
  reader.Read32();  // total references: recomputed at save
  const std::uint32_t count = reader.Read32();
  // Every string takes at least three bytes, so a count the data cannot hold fails in the
  // loop long before it could exhaust memory.
  for (std::uint32_t i = 0; i < count; ++i) {
    auto entry = std::make_shared<TSSTEntry>();
    entry->string = TExcelString::Read(reader, 2);
    entries_.push_back(std::move(entry));
  }
  // In file order, as the cells' indexes count them, until Sort.
  sorted_count_ = entries_.size();
  index_.clear();
  indexed_ = false;
}

namespace {

bool Before(const std::shared_ptr<TSSTEntry>& a, const std::shared_ptr<TSSTEntry>& b) {
  return Compare(a->string, b->string) < 0;
}

}  // namespace

void TSST::Sort() {
  std::stable_sort(entries_.begin(), entries_.end(), Before);
  sorted_count_ = entries_.size();
  // Of equal loaded strings, the first in table order is the one found.
  index_.clear();
  indexed_ = false;
}

void TSST::Clear() {
  entries_.clear();
  sorted_count_ = 0;
  index_.clear();
  indexed_count_ = 0;
  indexed_ = false;
}

void TSST::PlaceAdded() const {
  if (sorted_count_ == entries_.size()) return;
  const auto middle = entries_.begin() + static_cast<std::ptrdiff_t>(sorted_count_);
  // An added string equals no other entry: the merge gives the order sorted inserts gave.
  std::stable_sort(middle, entries_.end(), Before);
  std::inplace_merge(entries_.begin(), middle, entries_.end(), Before);
  sorted_count_ = entries_.size();
}

TSST::Slot* TSST::FindSlot(const TExcelString& s, std::size_t hash) {
  if (index_.empty()) return nullptr;
  const std::size_t mask = index_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    Slot& slot = index_[i];
    if (!slot.entry) return nullptr;
    if (slot.hash == hash && Compare(slot.entry->string, s) == 0) return &slot;
  }
}

void TSST::Insert(std::shared_ptr<TSSTEntry> entry, std::size_t hash) {
  if ((indexed_count_ + 1) * 2 > index_.size()) {
    std::vector<Slot> old(std::max<std::size_t>(64, index_.size() * 2));
    old.swap(index_);
    indexed_count_ = 0;
    for (Slot& slot : old) {
      if (slot.entry) Insert(std::move(slot.entry), slot.hash);
    }
  }
  const std::size_t mask = index_.size() - 1;
  std::size_t i = hash & mask;
  while (index_[i].entry) i = (i + 1) & mask;
  index_[i] = Slot{hash, std::move(entry)};
  ++indexed_count_;
}

void TSST::BuildIndex() {
  PlaceAdded();
  index_.clear();
  indexed_count_ = 0;
  for (const auto& entry : entries_) {
    // Of equal strings, the first in table order is the one found.
    const std::size_t hash = Hash(entry->string);
    if (FindSlot(entry->string, hash) == nullptr) Insert(entry, hash);
  }
  indexed_ = true;
}

std::shared_ptr<TSSTEntry> TSST::AddString(std::u16string_view text) {
  TExcelString s = TExcelString::FromText(text, 2);
  if (!indexed_) BuildIndex();
  const std::size_t hash = Hash(s);
  if (Slot* found = FindSlot(s, hash)) {
    found->entry->AddRef();
    return found->entry;
  }
  auto entry = std::make_shared<TSSTEntry>();
  entry->string = std::move(s);
  entry->ref_count = 1;
  entries_.push_back(entry);
  Insert(entry, hash);
  return entry;
}

void TSST::PrepareForSave() {
  PlaceAdded();
  const std::size_t before = entries_.size();
  std::erase_if(entries_, [](const auto& e) { return e->ref_count <= 0; });
  sorted_count_ = entries_.size();
  if (entries_.size() != before) {
    index_.clear();
    indexed_ = false;
  }
}

namespace {

// The SST record and its CONTINUE records; with `keep_positions`, each entry learns where its
// string went (for EXTSST and for callers that look strings up in the saved stream).
void WriteTable(const std::vector<std::shared_ptr<TSSTEntry>>& entries, std::uint32_t total_refs,
                TOutStream& out, bool keep_positions) {
  TRecordChainWriter chain(out, rid::kSst, rid::kContinue, rid::kMaxSstBody);
  chain.Write32(total_refs);
  chain.Write32(static_cast<std::uint32_t>(entries.size()));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const TExcelString& s = entries[i]->string;
    const std::size_t size = s.WrittenSize();
    // A string that fits a record of its own starts one, unless that would leave the table's
    // first record without any string (readers expect one there). Longer ones are split.
    const bool first_record_empty = chain.RecordIndex() == 0 && i == 0;
    if (size > chain.Room() && size <= rid::kMaxSstBody && !first_record_empty) {
      chain.NextRecord();
    }
    chain.KeepTogether(s.HeadSize());
    if (keep_positions) {
      entries[i]->record_offset = static_cast<std::uint16_t>(chain.BodySize() + 4);
      entries[i]->stream_position =
          static_cast<std::uint32_t>(chain.RecordPosition() + 4 + chain.BodySize());
    }
    s.Write(chain);
  }
  chain.Finish();
}

}  // namespace

std::size_t TSST::BucketSize() const {
  return std::max<std::size_t>(entries_.size() / 128 + 1, 8);
}

std::size_t TSST::BucketCount() const {
  return entries_.empty() ? 0 : (entries_.size() - 1) / BucketSize() + 1;
}

void TSST::SaveToStream(TOutStream& out) {
  PlaceAdded();
  std::uint32_t total_refs = 0;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    entries_[i]->save_index = static_cast<std::uint32_t>(i);
    total_refs += static_cast<std::uint32_t>(std::max(entries_[i]->ref_count, 0));
  }
  WriteTable(entries_, total_refs, out, true);

  const std::size_t bucket = BucketSize();
  const std::size_t buckets = BucketCount();
  out.WriteHeader(rid::kExtSst, static_cast<std::uint16_t>(buckets * 8 + 2));
  out.Write16(static_cast<std::uint16_t>(bucket));
  for (std::size_t b = 0; b < buckets; ++b) {
    const TSSTEntry& entry = *entries_[b * bucket];
    out.Write32(entry.stream_position);
    out.Write16(entry.record_offset);
    out.Write16(0);
  }
}

std::int64_t TSST::TotalSize() const {
  PlaceAdded();
  TCountingOutStream counter;
  WriteTable(entries_, 0, counter, false);
  return static_cast<std::int64_t>(counter.Position()) + 4 + 2 +
         8 * static_cast<std::int64_t>(BucketCount());
}

}  // namespace chronolin
