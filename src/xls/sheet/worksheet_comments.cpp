// The worksheet's comments: their texts by row and index, and its drawing's identity.
#include <algorithm>

#include "common/format.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/globals/workbook_globals.h"
#include "xls/records/record_ids.h"
#include "xls/records/sheet_records.h"
#include "xls/sheet/worksheet.h"

namespace chronolin {

TNoteRecord* TWorkSheet::FindNote(int row, int index) const {
  CheckRow(row);
  TRowColRecordList* list = notes_.Row(static_cast<std::size_t>(row));
  if (list == nullptr || index < 0 || static_cast<std::size_t>(index) >= list->Count()) {
    const int count = list == nullptr ? 0 : static_cast<int>(list->Count());
    throw XlsError(Format(msg::kIndexOutOfRange, index, "Comment index", 0, count - 1));
  }
  list->SortByColumn();
  return static_cast<TNoteRecord*>((*list)[static_cast<std::size_t>(index)]);
}

std::u16string TWorkSheet::CommentText(int row, int index) const {
  const TNoteRecord* note = FindNote(row, index);
  const TTXO* txo = drawing_->CommentTxo(note->ObjectId());
  return txo != nullptr ? txo->Text() : std::u16string();
}

void TWorkSheet::SetCommentText(int row, int index, std::u16string_view text) {
  const TNoteRecord* note = FindNote(row, index);
  TTXO* txo = drawing_->EditCommentTxo(note->ObjectId());
  if (txo == nullptr) throw XlsError(msg::kEscherProcessing);
  txo->SetText(text);
}

void TWorkSheet::CheckNewDrawingIdentity() const {
  drawing_->CheckNewIdentity(Globals().DrawingGroup());
}

void TWorkSheet::TakeNewDrawingIdentity() {
  drawing_->TakeNewIdentity(Globals().DrawingGroup());
}

}  // namespace chronolin
