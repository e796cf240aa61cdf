#include "xls/drawing/txo.h"

#include <algorithm>

#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/records/biff_bytes.h"
#include "xls/records/record_ids.h"
#include "xls/records/sheet_records.h"

namespace chronolin {

TBaseRecord& TTXO::Record() {
  if (txo_.use_count() > 1) txo_ = txo_->Clone();
  // Owned by this copy alone from here: changing it changes no other copy.
  return const_cast<TBaseRecord&>(*txo_);
}

std::u16string TTXO::Text() const {
  if (txo_->DataSize() < 14) return {};
  const std::size_t count = txo_->Get16(10);
  std::u16string text;
  for (const TBaseRecord* piece = txo_->Continue(); piece != nullptr && text.size() < count;
       piece = piece->Continue()) {
    if (piece->DataSize() == 0) continue;
    const std::uint8_t flag = piece->Data()[0];
    if (flag > 1) throw XlsError(msg::kFileInvalid);
    const std::size_t width = flag == 1 ? 2 : 1;
    for (std::size_t at = 1; at + width <= piece->DataSize() && text.size() < count; at += width) {
      text.push_back(width == 2 ? static_cast<char16_t>(piece->Get16(at)) : piece->Data()[at]);
    }
  }
  return text;
}

void TTXO::SetText(std::u16string_view text) {
  std::uint16_t font = 0;
  // The runs follow the text records: keep the font of the first run.
  const std::size_t old_count = txo_->DataSize() >= 14 ? txo_->Get16(10) : 0;
  std::size_t seen = 0;
  for (const TBaseRecord* piece = txo_->Continue(); piece != nullptr; piece = piece->Continue()) {
    if (seen >= old_count) {
      if (piece->DataSize() >= 6) font = piece->Get16(4);
      break;
    }
    if (piece->DataSize() == 0) continue;
    seen += (piece->DataSize() - 1) / (piece->Data()[0] == 1 ? 2 : 1);
  }
  const std::size_t count = std::min<std::size_t>(text.size(), 0x7FFF);
  const bool wide = std::any_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(count),
                                [](char16_t c) { return c > 0xFF; });
  std::vector<std::uint8_t> body = txo_->Data();
  if (body.size() < 18) body.resize(18);
  biff::Set16(body.data() + 10, static_cast<std::uint16_t>(count));
  biff::Set16(body.data() + 12, count == 0 ? 0 : 16);
  auto record = std::make_unique<TTXORecord>(txo_->Id(), std::move(body));
  if (count > 0) {
    const std::size_t per_record = (rid::kMaxBody - 1) / (wide ? 2 : 1);
    for (std::size_t from = 0; from < count; from += per_record) {
      std::vector<std::uint8_t> chars{static_cast<std::uint8_t>(wide ? 1 : 0)};
      for (std::size_t i = from; i < std::min(count, from + per_record); ++i) {
        if (wide) {
          biff::Put16(chars, text[i]);
        } else {
          chars.push_back(static_cast<std::uint8_t>(text[i]));
        }
      }
      record->AppendContinue(std::make_unique<TContinueRecord>(rid::kContinue, std::move(chars)));
    }
    std::vector<std::uint8_t> runs;
    for (const std::uint16_t v : {std::uint16_t{0}, std::uint16_t{0}, font, std::uint16_t{0},
                                  static_cast<std::uint16_t>(count), std::uint16_t{0},
                                  std::uint16_t{0}, std::uint16_t{0}}) {
      biff::Put16(runs, v);
    }
    record->AppendContinue(std::make_unique<TContinueRecord>(rid::kContinue, std::move(runs)));
  }
  txo_ = std::move(record);
}

}  // namespace chronolin
