#pragma once
// One BIFF8 unicode string: character count (in a 1- or 2-byte field), option flags, the
// characters in 8-bit (Latin-1) or 16-bit form, and the rich-text runs and far-east data,
// which are carried through raw.
//
// A workbook can hold hundreds of thousands of these, so a string is one 32-byte object: the
// characters, runs and far-east data sit in one block, inside the object when they fit (a short
// plain text needs no allocation), else in one allocation it owns.
#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "xls/records/biff_stream.h"
#include "xls/records/record_chain_reader.h"
#include "xls/records/record_chain_writer.h"

namespace chronolin {

class TExcelString {
 public:
  static constexpr std::uint8_t kWide = 0x01;
  static constexpr std::uint8_t kFarEast = 0x04;
  static constexpr std::uint8_t kRich = 0x08;

  TExcelString() = default;
  TExcelString(const TExcelString& other);
  TExcelString(TExcelString&& other) noexcept;
  TExcelString& operator=(TExcelString other) noexcept;
  ~TExcelString() { Free(); }

  // A plain string: 8-bit when every code unit fits in a byte. Width 1 refuses 256 characters
  // or more ("Invalid String record").
  static TExcelString FromText(std::u16string_view text, int length_width);
  // Reads across the CONTINUE chain as BIFF8 splits strings.
  static TExcelString Read(TRecordChainReader& reader, int length_width);

  int LengthWidth() const { return length_width_; }
  std::uint8_t Options() const { return options_; }
  bool IsWide() const { return (options_ & kWide) != 0; }
  std::size_t CharCount() const { return count_; }
  std::u16string Text() const;

  std::size_t HeaderSize() const;
  std::size_t WrittenSize() const;
  // What no record break may split: the header and the first character.
  std::size_t HeadSize() const { return HeaderSize() + (CharCount() == 0 ? 0 : IsWide() ? 2 : 1); }
  // Throws "StrLenLength should be 1 or 2" for another width.
  void Write(std::vector<std::uint8_t>& out) const;
  void Write(TOutStream& out) const;
  // Across records as BIFF8 splits strings: the header stays with the first character, a later
  // piece of characters opens with its option byte, the runs and far-east data break anywhere.
  void Write(TRecordChainWriter& out) const;

  // The table order: width, option byte, then the text (8-bit bytewise, 16-bit by length
  // first). Rich runs and far-east data take no part.
  friend int Compare(const TExcelString& a, const TExcelString& b);
  // Agrees with Compare: strings it finds equal hash alike.
  friend std::size_t Hash(const TExcelString& s);

 private:
  // Character count, options, then the run count and far-east size when present.
  struct THeader {
    std::array<std::uint8_t, 9> bytes{};
    std::size_t size = 0;
  };
  THeader Header() const;
  void WriteHeader(std::vector<std::uint8_t>& out) const;

  static constexpr std::size_t kInline = 22;

  std::size_t CharBytes() const { return std::size_t{count_} * (IsWide() ? 2 : 1); }
  std::size_t TailSize() const { return std::size_t{runs_} * 4 + far_east_size_; }
  std::size_t BlockSize() const { return CharBytes() + TailSize(); }
  bool IsInline() const { return BlockSize() <= kInline; }
  const char16_t* Block() const;
  char16_t* Block() { return const_cast<char16_t*>(std::as_const(*this).Block()); }
  const std::uint8_t* Bytes() const { return reinterpret_cast<const std::uint8_t*>(Block()); }
  std::uint8_t* Bytes() { return reinterpret_cast<std::uint8_t*>(Block()); }
  std::string_view Text8() const;
  std::u16string_view Text16() const;
  // Sizes the block for the current count, width, runs and far-east size (contents unset).
  void Allocate();
  void Free() noexcept;
  void Swap(TExcelString& other) noexcept;
  // Gives the block a new layout, keeping the characters (widened when the string becomes
  // 16-bit); the runs and far-east data of the new layout start zeroed.
  void Reshape(bool wide, std::uint16_t runs, std::uint32_t far_east);

  std::uint32_t far_east_size_ = 0;
  std::uint16_t count_ = 0;
  std::uint16_t runs_ = 0;  // 4 bytes each
  std::uint8_t length_width_ = 2;
  std::uint8_t options_ = 0;
  // The block when it fits, else the address of the allocated one. char16_t so that 16-bit
  // text is read in place; bytes are reached through unsigned char, which may alias it.
  char16_t storage_[kInline / 2]{};
};

static_assert(sizeof(TExcelString) == 32, "a string costs 32 bytes besides a long text");

}  // namespace chronolin
