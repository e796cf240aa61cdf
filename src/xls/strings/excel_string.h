#pragma once
// One BIFF8 unicode string: character count (in a 1- or 2-byte field), option flags, the
// characters in 8-bit (Latin-1) or 16-bit form, and the rich-text runs and far-east data,
// which are carried through raw.
#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
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
  // A plain string: 8-bit when every code unit fits in a byte. Width 1 refuses 256 characters
  // or more ("Invalid String record").
  static TExcelString FromText(std::u16string_view text, int length_width);
  // Reads across the CONTINUE chain as BIFF8 splits strings.
  static TExcelString Read(TRecordChainReader& reader, int length_width);

  int LengthWidth() const { return length_width_; }
  std::uint8_t Options() const { return options_; }
  bool IsWide() const { return (options_ & kWide) != 0; }
  std::size_t CharCount() const { return IsWide() ? text16_.size() : text8_.size(); }
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
  void WriteTrailer(std::vector<std::uint8_t>& out) const;

  int length_width_ = 2;
  std::uint8_t options_ = 0;
  std::string text8_;
  std::u16string text16_;
  std::vector<std::uint8_t> rich_runs_;  // 4 bytes per run
  std::vector<std::uint8_t> far_east_;
};

}  // namespace chronolin
