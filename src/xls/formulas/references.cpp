#include "xls/formulas/references.h"

#include <algorithm>

#include "common/format.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/records/biff_bytes.h"
#include "xls/records/record_chain_reader.h"
#include "xls/records/record_chain_writer.h"
#include "xls/records/record_ids.h"

namespace chronolin {

TSupBookRecord::TSupBookRecord(const TSupBookRecord& other) : TBaseRecord(other) {
  for (const auto& record : other.followers_) followers_.push_back(record->Clone());
}

std::unique_ptr<TSupBookRecord> TSupBookRecord::Local(std::uint16_t sheet_count) {
  std::vector<std::uint8_t> body(4);
  biff::Set16(body.data(), sheet_count);
  biff::Set16(body.data() + 2, kLocalMarker);
  return std::make_unique<TSupBookRecord>(rid::kSupBook, std::move(body));
}

void TSupBookRecord::AddFollower(std::unique_ptr<TBaseRecord> record) {
  const std::int64_t size = record->TotalSize();
  followers_.push_back(std::move(record));
  NotifySizeChanged(size);
}

void TSupBookRecord::SaveToStream(TOutStream& out) const {
  SaveChain(out);
  for (const auto& record : followers_) record->SaveToStream(out);
}

std::int64_t TSupBookRecord::TotalSize() const {
  std::int64_t size = TBaseRecord::TotalSize();
  for (const auto& record : followers_) size += record->TotalSize();
  return size;
}

void TReferences::Clear() {
  sup_books_.Clear();
  local_sup_book_ = -1;
  refs_.clear();
}

void TReferences::AddSupBook(std::unique_ptr<TBaseRecord> record) {
  if (local_sup_book_ < 0 && static_cast<const TSupBookRecord&>(*record).IsLocal()) {
    local_sup_book_ = static_cast<int>(sup_books_.Count());
  }
  sup_books_.Add(std::move(record));
}

bool TReferences::AddToLastSupBook(std::unique_ptr<TBaseRecord>& record) {
  if (sup_books_.Empty()) return false;
  static_cast<TSupBookRecord&>(*sup_books_[sup_books_.Count() - 1]).AddFollower(std::move(record));
  return true;
}

void TReferences::LoadExternSheet(const TBaseRecord& record) {
  TRecordChainReader reader(record, 0);
  const std::uint16_t count = reader.Read16();
  if (std::uint64_t{count} * 6 > reader.LeftInChain()) throw XlsError(msg::kReadRecord);
  for (std::uint16_t i = 0; i < count; ++i) {
    TExternRef ref;
    ref.sup_book = reader.Read16();
    ref.first_sheet = reader.Read16();
    ref.last_sheet = reader.Read16();
    refs_.push_back(ref);
  }
}

int TReferences::SheetOfExternRef(std::size_t index) const {
  if (index >= refs_.size()) return -1;
  const TExternRef& ref = refs_[index];
  if (local_sup_book_ < 0 || ref.sup_book != local_sup_book_) return -1;
  if (ref.first_sheet != ref.last_sheet) return -1;
  return ref.first_sheet;
}

std::uint16_t TReferences::ExternRefOfSheet(int sheet, std::size_t sheet_count) {
  for (std::size_t i = 0; i < refs_.size(); ++i) {
    if (SheetOfExternRef(i) == sheet) return static_cast<std::uint16_t>(i);
  }
  if (local_sup_book_ < 0) {
    AddSupBook(TSupBookRecord::Local(static_cast<std::uint16_t>(sheet_count)));
  }
  if (refs_.size() >= 0xFFFF) throw XlsError(Format(msg::kTooManyEntries, 0xFFFF, 0xFFFE));
  refs_.push_back({static_cast<std::uint16_t>(local_sup_book_), static_cast<std::uint16_t>(sheet),
                   static_cast<std::uint16_t>(sheet)});
  return static_cast<std::uint16_t>(refs_.size() - 1);
}

namespace {

constexpr int kMaxSheet = 250;

int MovedSheet(std::uint16_t sheet, int p, int n) {
  return sheet >= p && sheet < 0xFFFE ? sheet + n : static_cast<int>(sheet);
}

}  // namespace

void TReferences::CheckInsertSheets(int p, int n) const {
  if (local_sup_book_ < 0) return;
  const auto& local =
      static_cast<const TSupBookRecord&>(*sup_books_[static_cast<std::size_t>(local_sup_book_)]);
  if (!local.IsLocal()) throw XlsError(msg::kFileInvalid);
  const int count = local.SheetCount() + n;
  if (count > kMaxSheet) throw XlsError(Format(msg::kTooManyEntries, count, kMaxSheet));
  for (const TExternRef& ref : refs_) {
    if (ref.sup_book != local_sup_book_) continue;
    for (const int sheet : {MovedSheet(ref.first_sheet, p, n), MovedSheet(ref.last_sheet, p, n)}) {
      if (sheet > kMaxSheet && sheet < 0xFFFE) {
        throw XlsError(Format(msg::kTooManyEntries, sheet, kMaxSheet));
      }
    }
  }
}

void TReferences::InsertSheets(int p, int n) {
  // Checked first, so that a refused insertion changes nothing.
  CheckInsertSheets(p, n);
  if (local_sup_book_ < 0) return;
  auto& local =
      static_cast<TSupBookRecord&>(*sup_books_[static_cast<std::size_t>(local_sup_book_)]);
  const int count = local.SheetCount() + n;
  auto moved = [&](std::uint16_t sheet) { return MovedSheet(sheet, p, n); };
  for (TExternRef& ref : refs_) {
    if (ref.sup_book != local_sup_book_) continue;
    ref.first_sheet = static_cast<std::uint16_t>(moved(ref.first_sheet));
    ref.last_sheet = static_cast<std::uint16_t>(moved(ref.last_sheet));
  }
  local.SetSheetCount(static_cast<std::uint16_t>(count));
}

void TReferences::SaveToStream(TOutStream& out) const {
  sup_books_.SaveToStream(out);
  // A workbook without external references gets no EXTERNSHEET: a table that points at no
  // SUPBOOK is not one readers expect.
  if (WritesExternSheet()) SaveExternSheet(out);
}

void TReferences::SaveExternSheet(TOutStream& out) const {
  TRecordChainWriter chain(out, rid::kExternSheet);
  chain.Write16(static_cast<std::uint16_t>(refs_.size()));
  for (const TExternRef& ref : refs_) {
    chain.KeepTogether(6);  // readers take whole entries from each record
    chain.Write16(ref.sup_book);
    chain.Write16(ref.first_sheet);
    chain.Write16(ref.last_sheet);
  }
  chain.Finish();
}

std::int64_t TReferences::TotalSize() const {
  std::int64_t size = sup_books_.TotalSize();
  if (!WritesExternSheet()) return size;
  TCountingOutStream counter;
  SaveExternSheet(counter);
  return size + static_cast<std::int64_t>(counter.Position());
}

}  // namespace chronolin
