#include "xls/strings/excel_string.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "common/text_codec.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"

namespace chronolin {

namespace {

// A width other than 1 or 2 is kept as 0: it still fails when written, as it must.
std::uint8_t StoredWidth(int length_width) {
  return length_width == 1 || length_width == 2 ? static_cast<std::uint8_t>(length_width) : 0;
}

}  // namespace

const char16_t* TExcelString::Block() const {
  if (IsInline()) return storage_;
  const char16_t* block;
  std::memcpy(&block, storage_, sizeof block);
  return block;
}

void TExcelString::Allocate() {
  if (IsInline()) return;
  // Zeroed: a string widened while read copies characters not read yet.
  char16_t* block = new char16_t[(BlockSize() + 1) / 2]();
  std::memcpy(storage_, &block, sizeof block);
}

void TExcelString::Free() noexcept {
  if (!IsInline()) delete[] Block();
}

TExcelString::TExcelString(const TExcelString& other)
    : far_east_size_(other.far_east_size_),
      count_(other.count_),
      runs_(other.runs_),
      length_width_(other.length_width_),
      options_(other.options_) {
  Allocate();
  std::memcpy(Bytes(), other.Bytes(), BlockSize());
}

TExcelString::TExcelString(TExcelString&& other) noexcept {
  Swap(other);
}

TExcelString& TExcelString::operator=(TExcelString other) noexcept {
  Swap(other);
  return *this;
}

void TExcelString::Swap(TExcelString& other) noexcept {
  std::swap(far_east_size_, other.far_east_size_);
  std::swap(count_, other.count_);
  std::swap(runs_, other.runs_);
  std::swap(length_width_, other.length_width_);
  std::swap(options_, other.options_);
  std::swap(storage_, other.storage_);
}

void TExcelString::Reshape(bool wide, std::uint16_t runs, std::uint32_t far_east) {
  TExcelString next;
  next.length_width_ = length_width_;
  next.options_ = wide ? static_cast<std::uint8_t>(options_ | kWide) : options_;
  next.count_ = count_;
  next.runs_ = runs;
  next.far_east_size_ = far_east;
  next.Allocate();
  if (IsWide() == next.IsWide()) {
    std::memcpy(next.Bytes(), Bytes(), CharBytes());
  } else {
    const std::uint8_t* from = Bytes();
    char16_t* to = next.Block();
    for (std::size_t i = 0; i < count_; ++i) to[i] = from[i];
  }
  *this = std::move(next);
}

std::string_view TExcelString::Text8() const {
  return {reinterpret_cast<const char*>(Bytes()), IsWide() ? 0 : std::size_t{count_}};
}

std::u16string_view TExcelString::Text16() const {
  return {Block(), IsWide() ? std::size_t{count_} : 0};
}

TExcelString TExcelString::FromText(std::u16string_view text, int length_width) {
  if (length_width == 1 && text.size() >= 256) throw XlsError(msg::kInvalidString);
  if (text.size() > 0xFFFF) throw XlsError(msg::kInvalidString);
  TExcelString s;
  s.length_width_ = StoredWidth(length_width);
  s.count_ = static_cast<std::uint16_t>(text.size());
  if (IsLatin1(text)) {
    s.Allocate();
    std::uint8_t* to = s.Bytes();
    for (std::size_t i = 0; i < text.size(); ++i) to[i] = static_cast<std::uint8_t>(text[i]);
  } else {
    s.options_ = kWide;
    s.Allocate();
    std::copy(text.begin(), text.end(), s.Block());
  }
  return s;
}

TExcelString TExcelString::Read(TRecordChainReader& reader, int length_width) {
  TExcelString s;
  s.length_width_ = StoredWidth(length_width);
  const std::size_t count = length_width == 1 ? reader.Read8() : reader.Read16();
  s.options_ = reader.Read8();
  std::uint16_t runs = 0;
  std::uint32_t far_east = 0;
  if (s.options_ & kRich) runs = reader.Read16();
  if (s.options_ & kFarEast) far_east = reader.Read32();

  // The characters first; the runs and far-east data join them once their sizes are checked.
  s.count_ = static_cast<std::uint16_t>(count);
  s.Allocate();
  bool wide = (s.options_ & kWide) != 0;
  std::size_t read = 0;
  // Characters come in pieces; a piece after a record break starts with its own option byte.
  while (read < count) {
    if (reader.LeftInRecord() == 0) {
      reader.NextRecord();
      if (read > 0) {
        const bool piece_wide = (reader.Read8() & kWide) != 0;
        if (piece_wide && !s.IsWide()) s.Reshape(true, 0, 0);
        // A later 8-bit piece of a 16-bit string is widened byte by byte below.
        wide = piece_wide;
      }
    }
    const std::size_t char_size = wide ? 2 : 1;
    const std::size_t avail = reader.LeftInRecord() / char_size;
    if (avail == 0) throw XlsError(msg::kReadRecord);
    const std::size_t take = std::min(count - read, avail);
    const std::uint8_t* p = reader.Record().Data().data() + reader.Offset();
    if (s.IsWide()) {
      char16_t* to = s.Block() + read;
      for (std::size_t i = 0; i < take; ++i) {
        to[i] = wide ? static_cast<char16_t>(biff::Get16(p + 2 * i)) : p[i];
      }
    } else {
      std::memcpy(s.Bytes() + read, p, take);
    }
    reader.Skip(take * char_size);
    read += take;
  }
  if (runs > 0 && std::uint64_t{runs} * 4 > reader.LeftInChain()) {
    throw XlsError(msg::kReadRecord);
  }
  // Checked before allocating: the size field comes from the file.
  if (far_east > 0 && far_east > reader.LeftInChain() - std::uint64_t{runs} * 4) {
    throw XlsError(msg::kReadRecord);
  }
  if (runs > 0 || far_east > 0) {
    s.Reshape(s.IsWide(), runs, far_east);
    reader.ReadBytes(s.Bytes() + s.CharBytes(), s.TailSize());
  }
  return s;
}

std::u16string TExcelString::Text() const {
  if (IsWide()) return std::u16string(Text16());
  const std::string_view text = Text8();
  std::u16string out(text.size(), u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) out[i] = static_cast<unsigned char>(text[i]);
  return out;
}

std::size_t TExcelString::HeaderSize() const {
  return static_cast<std::size_t>(length_width_) + 1 + ((options_ & kRich) ? 2 : 0) +
         ((options_ & kFarEast) ? 4 : 0);
}

std::size_t TExcelString::WrittenSize() const {
  return HeaderSize() + BlockSize();
}

TExcelString::THeader TExcelString::Header() const {
  THeader h;
  auto put = [&](std::uint32_t v, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) h.bytes[h.size++] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  if (length_width_ != 1 && length_width_ != 2) throw XlsError(msg::kStrLenLength);
  put(count_, length_width_);
  put(options_, 1);
  if (options_ & kRich) put(runs_, 2);
  if (options_ & kFarEast) put(far_east_size_, 4);
  return h;
}

void TExcelString::WriteHeader(std::vector<std::uint8_t>& out) const {
  const THeader h = Header();
  out.insert(out.end(), h.bytes.begin(), h.bytes.begin() + static_cast<std::ptrdiff_t>(h.size));
}

void TExcelString::Write(std::vector<std::uint8_t>& out) const {
  WriteHeader(out);
  if (IsWide()) {
    for (const char16_t c : Text16()) biff::Put16(out, c);
  } else {
    const std::string_view text = Text8();
    out.insert(out.end(), text.begin(), text.end());
  }
  const std::uint8_t* tail = Bytes() + CharBytes();
  out.insert(out.end(), tail, tail + TailSize());
}

void TExcelString::Write(TOutStream& out) const {
  std::vector<std::uint8_t> bytes;
  Write(bytes);
  out.Write(bytes.data(), bytes.size());
}

void TExcelString::Write(TRecordChainWriter& out) const {
  const THeader h = Header();
  out.KeepTogether(HeadSize());
  out.Write(std::span<const std::uint8_t>(h.bytes.data(), h.size));
  if (IsWide()) {
    out.WriteChars(Text16());
  } else {
    out.WriteChars(Text8());
  }
  out.Write(std::span<const std::uint8_t>(Bytes() + CharBytes(), TailSize()));
}

int Compare(const TExcelString& a, const TExcelString& b) {
  if (a.length_width_ != b.length_width_) return a.length_width_ < b.length_width_ ? -1 : 1;
  if (a.options_ != b.options_) return a.options_ < b.options_ ? -1 : 1;
  if (!a.IsWide()) {
    const int c = a.Text8().compare(b.Text8());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  if (a.count_ != b.count_) return a.count_ < b.count_ ? -1 : 1;
  const int c = a.Text16().compare(b.Text16());
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

std::size_t Hash(const TExcelString& s) {
  const std::string_view chars(reinterpret_cast<const char*>(s.Bytes()), s.CharBytes());
  return std::hash<std::string_view>()(chars) ^ (static_cast<std::size_t>(s.options_) << 1) ^
         (static_cast<std::size_t>(s.length_width_) << 9);
}

}  // namespace chronolin
