#pragma once
#include <memory>
#include <string>
#include <string_view>

#include "xls/records/biff_record.h"

namespace chronolin {

// The TXO record of a text box, with the CONTINUE records holding its text and runs. Copies
// share the records until one of them changes: thousands of copied notes keep one text.
class TTXO {
 public:
  explicit TTXO(std::unique_ptr<TBaseRecord> txo) : txo_(std::move(txo)) {}
  TTXO(const TTXO& other) = default;
  const TBaseRecord& Record() const { return *txo_; }
  // This copy's own records, to change.
  TBaseRecord& Record();
  // The text (character count at offset 10, characters in the CONTINUE records, each starting
  // with its 8-bit/16-bit flag); a flag other than 0 or 1 raises "Error reading Excel records.
  // File invalid".
  std::u16string Text() const;
  // New text with one formatting run in the first run's font.
  void SetText(std::u16string_view text);
  void SaveToStream(TOutStream& out) const { txo_->SaveToStream(out); }

 private:
  std::shared_ptr<const TBaseRecord> txo_;
};

}  // namespace chronolin
