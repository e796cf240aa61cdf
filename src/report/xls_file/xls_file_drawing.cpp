// Notes and pictures of the spreadsheet file.
#include <istream>
#include <iterator>

#include "common/format.h"
#include "report/xls_file/xls_file.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"

namespace chronolin {

namespace {

TPictureType PictureType(TXlsImgTypes type) {
  switch (type) {
    case TXlsImgTypes::xli_Emf:
      return TPictureType::kEmf;
    case TXlsImgTypes::xli_Wmf:
      return TPictureType::kWmf;
    case TXlsImgTypes::xli_Jpeg:
      return TPictureType::kJpeg;
    case TXlsImgTypes::xli_Png:
      return TPictureType::kPng;
  }
  throw XlsError(Format("Invalid picture type (%d)", static_cast<int>(type)));
}

[[noreturn]] void ThrowIndex(std::int32_t index, const char* what, std::size_t count) {
  throw XlsError(Format(msg::kIndexOutOfRange, index, what, 0, static_cast<int>(count) - 1));
}

}  // namespace

const TSheetDrawingIndex& TXLSFile::DrawingIndex() {
  if (drawing_index_sheet_ != active_sheet_) {
    drawing_index_.Clear();
    if (const TWorkSheet* sheet = Work()) drawing_index_.Build(sheet->Drawing());
    drawing_index_sheet_ = active_sheet_;
  }
  return drawing_index_;
}

// Notes ----------------------------------------------------------------------------------------

TNoteRecord& TXLSFile::Note(TWorkSheet& sheet, std::int32_t row, std::int32_t index) {
  TRowColRecordList* list =
      row < 1 ? nullptr : sheet.Notes().Row(static_cast<std::size_t>(row - 1));
  const std::size_t count = list == nullptr ? 0 : list->Count();
  if (index < 0 || static_cast<std::size_t>(index) >= count)
    ThrowIndex(index, "Comment index", count);
  list->SortByColumn();
  return static_cast<TNoteRecord&>(*(*list)[static_cast<std::size_t>(index)]);
}

std::int32_t TXLSFile::CommentCount(std::int32_t row) {
  const TWorkSheet* sheet = Work();
  if (sheet == nullptr || row < 1) return 0;
  const TRowColRecordList* list = sheet->Notes().Row(static_cast<std::size_t>(row - 1));
  return list == nullptr ? 0 : static_cast<std::int32_t>(list->Count());
}

std::u16string TXLSFile::GetComment(std::int32_t row, std::int32_t index) {
  TWorkSheet* sheet = Work();
  if (sheet == nullptr) return {};
  const TNoteRecord& note = Note(*sheet, row, index);
  const TTXO* txo = sheet->Drawing().CommentTxo(note.ObjectId());
  return txo != nullptr ? txo->Text() : std::u16string();
}

void TXLSFile::SetComment(std::int32_t row, std::int32_t index, const std::u16string& text) {
  TWorkSheet* sheet = Work();
  if (sheet == nullptr) return;
  TNoteRecord& note = Note(*sheet, row, index);
  if (!text.empty()) {
    TTXO* txo = sheet->Drawing().EditCommentTxo(note.ObjectId());
    if (txo == nullptr) throw XlsError(msg::kEscherProcessing);
    txo->SetText(text);
    return;
  }
  // An empty text takes the note away, with the shape that shows it.
  const std::uint16_t object_id = note.ObjectId();
  ShapesChanged();
  if (sheet->Drawing().HasObject(object_id)) {
    sheet->Drawing().RemoveObject(object_id, Book().Globals().DrawingGroup());
  }
  sheet->Notes().Row(static_cast<std::size_t>(row - 1))->Delete(static_cast<std::size_t>(index));
}

// Pictures -------------------------------------------------------------------------------------

void TXLSFile::BeginSheet() {
  picture_rows_.clear();
  const TWorkSheet* sheet = Work();
  if (sheet == nullptr) return;
  const TSheetDrawingIndex& index = DrawingIndex();
  const std::size_t count = sheet->Drawing().Pictures().size();
  for (std::size_t i = 0; i < count; ++i) {
    const TEscherClientAnchorRecord* anchor = index.PictureAnchor(i);
    if (anchor == nullptr) continue;
    const std::size_t row = anchor->FirstRow() + 1u;
    if (picture_rows_.size() <= row) picture_rows_.resize(row + 1);
    picture_rows_[row].push_back(i);
  }
}

std::size_t TXLSFile::PictureIndex(std::int32_t row, std::int32_t index) const {
  const TWorkSheet* sheet = Work();
  const std::size_t pictures = sheet == nullptr ? 0 : sheet->Drawing().Pictures().size();
  if (row <= 0) {
    if (index < 0 || static_cast<std::size_t>(index) >= pictures) {
      ThrowIndex(index, "Picture index", pictures);
    }
    return static_cast<std::size_t>(index);
  }
  const std::size_t r = static_cast<std::size_t>(row);
  const std::size_t in_row = r < picture_rows_.size() ? picture_rows_[r].size() : 0;
  if (index < 0 || static_cast<std::size_t>(index) >= in_row) {
    ThrowIndex(index, "Picture index", in_row);
  }
  const std::size_t found = picture_rows_[r][static_cast<std::size_t>(index)];
  // The row index is only as fresh as the last BeginSheet.
  if (found >= pictures) ThrowIndex(static_cast<std::int32_t>(found), "Picture index", pictures);
  return found;
}

std::int32_t TXLSFile::PictureCount(std::int32_t row) {
  const TWorkSheet* sheet = Work();
  if (sheet == nullptr) return 0;
  if (row <= 0) return static_cast<std::int32_t>(sheet->Drawing().Pictures().size());
  const auto r = static_cast<std::size_t>(row);
  return r < picture_rows_.size() ? static_cast<std::int32_t>(picture_rows_[r].size()) : 0;
}

std::u16string TXLSFile::GetPictureName(std::int32_t row, std::int32_t index) {
  const TWorkSheet* sheet = Work();
  if (sheet == nullptr) return {};
  return ShapeName(*sheet->Drawing().Pictures()[PictureIndex(row, index)]);
}

void TXLSFile::AssignPicture(std::int32_t row, std::int32_t index, TXlsImgTypes pictureType,
                             const std::string& data) {
  TWorkSheet* sheet = Work();
  if (sheet == nullptr) return;
  const TPictureType type = PictureType(pictureType);
  const std::size_t picture = PictureIndex(row, index);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.data());
  sheet->Drawing().ReplacePicture(picture, std::span<const std::uint8_t>(bytes, data.size()), type,
                                  Book().Globals().DrawingGroup());
}

void TXLSFile::AssignPictureFromStream(std::int32_t row, std::int32_t index,
                                       TXlsImgTypes pictureType, std::istream& stream,
                                       TXlsAnchor& anchor) {
  const std::string data{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
  if (stream.bad()) throw XlsError(msg::kReadRecord);
  AssignPicture(row, index, pictureType, data);
  anchor = TXlsAnchor{};
  if (Work() == nullptr) return;
  if (const TEscherClientAnchorRecord* at =
          DrawingIndex().PictureAnchor(PictureIndex(row, index))) {
    anchor.Col1 = at->FirstColumn() + 1;
    anchor.Dx1 = at->FirstColumnOffset();
    anchor.Row1 = at->FirstRow() + 1;
    anchor.Dy1 = at->FirstRowOffset();
    anchor.Col2 = at->LastColumn() + 1;
    anchor.Dx2 = at->LastColumnOffset();
    anchor.Row2 = at->LastRow() + 1;
    anchor.Dy2 = at->LastRowOffset();
  }
}

}  // namespace chronolin
