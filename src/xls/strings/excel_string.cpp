#include "xls/strings/excel_string.h"

#include <algorithm>
#include <functional>

#include "common/text_codec.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"

namespace chronolin {

TExcelString TExcelString::FromText(std::u16string_view text, int length_width) {
  if (length_width == 1 && text.size() >= 256) throw XlsError(msg::kInvalidString);
  if (text.size() > 0xFFFF) throw XlsError(msg::kInvalidString);
  TExcelString s;
  s.length_width_ = length_width;
  if (IsLatin1(text)) {
    s.text8_.reserve(text.size());
    for (const char16_t c : text) s.text8_.push_back(static_cast<char>(c));
  } else {
    s.options_ = kWide;
    s.text16_ = text;
  }
  return s;
}

TExcelString TExcelString::Read(TRecordChainReader& reader, int length_width) {
  TExcelString s;
  s.length_width_ = length_width;
  const std::size_t count = length_width == 1 ? reader.Read8() : reader.Read16();
  s.options_ = reader.Read8();
  std::uint16_t runs = 0;
  std::uint32_t far_east = 0;
  if (s.options_ & kRich) runs = reader.Read16();
  if (s.options_ & kFarEast) far_east = reader.Read32();

  bool wide = (s.options_ & kWide) != 0;
  std::size_t read = 0;
  // Characters come in pieces; a piece after a record break starts with its own option byte.
  while (read < count) {
    if (reader.LeftInRecord() == 0) {
      reader.NextRecord();
      if (read > 0) {
        const bool piece_wide = (reader.Read8() & kWide) != 0;
        if (piece_wide && !(s.options_ & kWide)) {
          s.text16_.resize(s.text8_.size());
          for (std::size_t i = 0; i < s.text8_.size(); ++i) {
            s.text16_[i] = static_cast<unsigned char>(s.text8_[i]);
          }
          s.text8_.clear();
          s.options_ |= kWide;
        }
        // A later 8-bit piece of a 16-bit string is widened byte by byte below.
        wide = piece_wide;
      }
    }
    const std::size_t char_size = wide ? 2 : 1;
    const std::size_t avail = reader.LeftInRecord() / char_size;
    if (avail == 0) throw XlsError(msg::kReadRecord);
    const std::size_t take = std::min(count - read, avail);
    const std::uint8_t* p = reader.Record().Data().data() + reader.Offset();
    if (s.options_ & kWide) {
      for (std::size_t i = 0; i < take; ++i) {
        s.text16_.push_back(wide ? static_cast<char16_t>(biff::Get16(p + 2 * i)) : p[i]);
      }
    } else {
      s.text8_.append(reinterpret_cast<const char*>(p), take);
    }
    reader.Skip(take * char_size);
    read += take;
  }
  if (runs > 0) {
    if (std::uint64_t{runs} * 4 > reader.LeftInChain()) throw XlsError(msg::kReadRecord);
    s.rich_runs_.resize(std::size_t{runs} * 4);
    reader.ReadBytes(s.rich_runs_.data(), s.rich_runs_.size());
  }
  if (far_east > 0) {
    // Checked before allocating: the size field comes from the file.
    if (far_east > reader.LeftInChain()) throw XlsError(msg::kReadRecord);
    s.far_east_.resize(far_east);
    reader.ReadBytes(s.far_east_.data(), s.far_east_.size());
  }
  if (!(s.options_ & kRich)) s.rich_runs_.clear();
  return s;
}

std::u16string TExcelString::Text() const {
  if (IsWide()) return text16_;
  std::u16string out(text8_.size(), u'\0');
  for (std::size_t i = 0; i < text8_.size(); ++i) out[i] = static_cast<unsigned char>(text8_[i]);
  return out;
}

std::size_t TExcelString::HeaderSize() const {
  return static_cast<std::size_t>(length_width_) + 1 + ((options_ & kRich) ? 2 : 0) +
         ((options_ & kFarEast) ? 4 : 0);
}

std::size_t TExcelString::WrittenSize() const {
  return HeaderSize() + CharCount() * (IsWide() ? 2 : 1) + rich_runs_.size() + far_east_.size();
}

TExcelString::THeader TExcelString::Header() const {
  THeader h;
  auto put = [&](std::uint32_t v, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) h.bytes[h.size++] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  if (length_width_ != 1 && length_width_ != 2) throw XlsError(msg::kStrLenLength);
  put(static_cast<std::uint32_t>(CharCount()), static_cast<std::size_t>(length_width_));
  put(options_, 1);
  if (options_ & kRich) put(static_cast<std::uint32_t>(rich_runs_.size() / 4), 2);
  if (options_ & kFarEast) put(static_cast<std::uint32_t>(far_east_.size()), 4);
  return h;
}

void TExcelString::WriteHeader(std::vector<std::uint8_t>& out) const {
  const THeader h = Header();
  out.insert(out.end(), h.bytes.begin(), h.bytes.begin() + static_cast<std::ptrdiff_t>(h.size));
}

void TExcelString::WriteTrailer(std::vector<std::uint8_t>& out) const {
  out.insert(out.end(), rich_runs_.begin(), rich_runs_.end());
  out.insert(out.end(), far_east_.begin(), far_east_.end());
}

void TExcelString::Write(std::vector<std::uint8_t>& out) const {
  WriteHeader(out);
  if (IsWide()) {
    for (const char16_t c : text16_) biff::Put16(out, c);
  } else {
    out.insert(out.end(), text8_.begin(), text8_.end());
  }
  WriteTrailer(out);
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
    out.WriteChars(text16_);
  } else {
    out.WriteChars(text8_);
  }
  out.Write(rich_runs_);
  out.Write(far_east_);
}

int Compare(const TExcelString& a, const TExcelString& b) {
  if (a.length_width_ != b.length_width_) return a.length_width_ < b.length_width_ ? -1 : 1;
  if (a.options_ != b.options_) return a.options_ < b.options_ ? -1 : 1;
  if (!a.IsWide()) {
    const int c = std::string_view(a.text8_).compare(b.text8_);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  if (a.text16_.size() != b.text16_.size()) return a.text16_.size() < b.text16_.size() ? -1 : 1;
  const int c = a.text16_.compare(b.text16_);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

std::size_t Hash(const TExcelString& s) {
  const std::size_t text =
      s.IsWide() ? std::hash<std::u16string>()(s.text16_) : std::hash<std::string>()(s.text8_);
  return text ^ (static_cast<std::size_t>(s.options_) << 1) ^
         (static_cast<std::size_t>(s.length_width_) << 9);
}

}  // namespace chronolin
