#include "xls/strings/sst.h"

#include <algorithm>

#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/records/record_chain_reader.h"
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

TSST::Layout TSST::Plan() const {
  PlaceAdded();
  Layout layout;
  layout.bodies.emplace_back();
  std::vector<std::uint8_t>* body = &layout.bodies.back();
  body->resize(8);  // the two counts, filled in by the save
  auto next_record = [&]() {
    layout.bodies.emplace_back();
    body = &layout.bodies.back();
  };
  std::vector<std::uint8_t> bytes;
  for (const auto& entry : entries_) {
    const TExcelString& s = entry->string;
    const std::size_t size = s.WrittenSize();
    // A string that fits a record of its own starts one, unless that would leave the table's
    // first record without any string (readers expect one there).
    const bool first_record_empty = layout.bodies.size() == 1 && layout.starts.empty();
    if (body->size() + size > kMaxBody && size <= kMaxBody && !first_record_empty) next_record();
    if (body->size() + size <= kMaxBody) {
      layout.starts.emplace_back(layout.bodies.size() - 1, body->size());
      s.Write(*body);
      continue;
    }
    // Longer than any record body: split as BIFF8 does, never before the first character, and
    // with an option byte opening each later piece of characters.
    const std::size_t char_size = s.IsWide() ? 2 : 1;
    if (body->size() + s.HeaderSize() + char_size > kMaxBody) next_record();
    layout.starts.emplace_back(layout.bodies.size() - 1, body->size());
    s.WriteHeader(*body);
    std::size_t done = 0;
    while (done < s.CharCount()) {
      std::size_t room = (kMaxBody - body->size()) / char_size;
      if (room == 0) {
        next_record();
        body->push_back(s.IsWide() ? TExcelString::kWide : 0);
        room = (kMaxBody - 1) / char_size;
      }
      const std::size_t take = std::min(room, s.CharCount() - done);
      s.WriteChars(*body, done, take);
      done += take;
    }
    bytes.clear();
    s.WriteTrailer(bytes);
    std::size_t pos = 0;
    while (pos < bytes.size()) {
      if (body->size() == kMaxBody) next_record();
      const std::size_t take = std::min(kMaxBody - body->size(), bytes.size() - pos);
      body->insert(body->end(), bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                   bytes.begin() + static_cast<std::ptrdiff_t>(pos + take));
      pos += take;
    }
  }
  return layout;
}

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
  Layout layout = Plan();
  biff::Set32(layout.bodies[0].data(), total_refs);
  biff::Set32(layout.bodies[0].data() + 4, static_cast<std::uint32_t>(entries_.size()));

  std::vector<std::uint64_t> record_starts;
  for (std::size_t r = 0; r < layout.bodies.size(); ++r) {
    record_starts.push_back(out.Position());
    const auto& body = layout.bodies[r];
    out.WriteHeader(r == 0 ? rid::kSst : rid::kContinue, static_cast<std::uint16_t>(body.size()));
    out.Write(body.data(), body.size());
  }
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const auto [record, offset] = layout.starts[i];
    entries_[i]->record_offset = static_cast<std::uint16_t>(offset + 4);
    entries_[i]->stream_position = static_cast<std::uint32_t>(record_starts[record] + 4 + offset);
  }

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
  std::int64_t total = 0;
  for (const auto& body : Plan().bodies) total += 4 + static_cast<std::int64_t>(body.size());
  return total + 4 + 2 + 8 * static_cast<std::int64_t>(BucketCount());
}

}  // namespace chronolin
