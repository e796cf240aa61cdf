#include "xls/drawing/txo.h"

#include <algorithm>
#include <string>

#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/records/biff_bytes.h"
#include "xls/records/record_chain_reader.h"
#include "xls/records/record_chain_writer.h"
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
  TRecordChainReader reader(*txo_, txo_->DataSize());
  while (text.size() < count && reader.HasNextRecord()) {
    reader.NextRecord();
    if (reader.LeftInRecord() == 0) continue;
    const std::uint8_t flag = reader.Read8();
    if (flag > 1) throw XlsError(msg::kFileInvalid);
    const std::size_t width = flag == 1 ? 2 : 1;
    while (reader.LeftInRecord() >= width && text.size() < count) {
      text.push_back(width == 2 ? static_cast<char16_t>(reader.Read16()) : reader.Read8());
    }
  }
  return text;
}

void TTXO::SetText(std::u16string_view text) {
  std::uint16_t font = 0;
  // The runs follow the text records: keep the font of the first run.
  const std::size_t old_count = txo_->DataSize() >= 14 ? txo_->Get16(10) : 0;
  std::size_t seen = 0;
  TRecordChainReader reader(*txo_, txo_->DataSize());
  while (reader.HasNextRecord()) {
    reader.NextRecord();
    if (seen >= old_count) {
      if (reader.LeftInRecord() >= 6) {
        reader.Skip(4);
        font = reader.Read16();
      }
      break;
    }
    if (reader.LeftInRecord() == 0) continue;
    const std::size_t width = reader.Read8() == 1 ? 2 : 1;
    seen += reader.LeftInRecord() / width;
  }
  const std::size_t count = std::min<std::size_t>(text.size(), 0x7FFF);
  const std::u16string_view shown = text.substr(0, count);
  const bool wide = std::any_of(shown.begin(), shown.end(), [](char16_t c) { return c > 0xFF; });
  std::vector<std::uint8_t> body = txo_->Data();
  if (body.size() < 18) body.resize(18);
  biff::Set16(body.data() + 10, static_cast<std::uint16_t>(count));
  biff::Set16(body.data() + 12, count == 0 ? 0 : 16);
  auto record = std::make_unique<TTXORecord>(txo_->Id(), std::move(body));
  if (count > 0) {
    // The characters in CONTINUE records of their own, each opening with its option byte,
    // then the two formatting runs in one more.
    std::vector<std::vector<std::uint8_t>> pieces;
    TRecordChainWriter chain(pieces);
    if (wide) {
      chain.Write8(1);
      chain.WriteChars(shown);
    } else {
      std::string latin1;
      for (const char16_t c : shown) latin1.push_back(static_cast<char>(c));
      chain.Write8(0);
      chain.WriteChars(latin1);
    }
    chain.NextRecord();
    for (const std::uint16_t v : {std::uint16_t{0}, std::uint16_t{0}, font, std::uint16_t{0},
                                  static_cast<std::uint16_t>(count), std::uint16_t{0},
                                  std::uint16_t{0}, std::uint16_t{0}}) {
      chain.Write16(v);
    }
    chain.Finish();
    for (auto& piece : pieces) {
      record->AppendContinue(std::make_unique<TContinueRecord>(rid::kContinue, std::move(piece)));
    }
  }
  txo_ = std::move(record);
}

}  // namespace chronolin
