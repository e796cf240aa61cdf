#include "xls/compound_file/xls_storage.h"

#include <utility>

#include "common/format.h"
#include "common/text_codec.h"
#include "xls/compound_file/ole2_storage.h"
#include "xls/compound_file/xls_messages.h"

namespace chronolin {

TXlsStorage::TXlsStorage(std::u16string name)
    : name_(std::move(name)), children_(std::make_unique<TXlsStorageList>()) {}

TXlsStorage::~TXlsStorage() = default;

void TXlsStorage::Save(TOle2Storage& storage) const {
  if (!data_.empty()) {
    TOle2Stream stream(storage, name_);
    stream.Write(data_);
  } else if (children_->Count() > 0) {
    TOle2SubStorage sub(storage, name_);
    for (std::size_t i = 0; i < children_->Count(); ++i) children_->Item(i).Save(storage);
  }
}

TXlsStorageList::TXlsStorageList() = default;
TXlsStorageList::~TXlsStorageList() = default;
TXlsStorageList::TXlsStorageList(TXlsStorageList&&) noexcept = default;
TXlsStorageList& TXlsStorageList::operator=(TXlsStorageList&&) noexcept = default;

TXlsStorage& TXlsStorageList::Item(std::size_t index) {
  if (index >= nodes_.size()) throw XlsError(Format(msg::kListIndexOutOfBounds, index));
  return *nodes_[index];
}

const TXlsStorage& TXlsStorageList::Item(std::size_t index) const {
  return const_cast<TXlsStorageList*>(this)->Item(index);
}

TXlsStorage& TXlsStorageList::Add(std::u16string name) {
  nodes_.push_back(std::make_unique<TXlsStorage>(std::move(name)));
  return *nodes_.back();
}

void TXlsStorageList::Clear() {
  nodes_.clear();
}

void TXlsStorageList::LoadFromFile(const std::string& file_name) {
  Clear();
  TOle2Storage storage(file_name, TOle2Mode::Read);
  ReadStorage(*this, storage);
}

void TXlsStorageList::LoadFromMemory(std::vector<std::uint8_t> document, const std::string& name) {
  Clear();
  TOle2Storage storage(std::move(document), name);
  ReadStorage(*this, storage);
}

void TXlsStorageList::ReadStorage(TXlsStorageList& list, TOle2Storage& storage) {
  for (const TOle2Element& element : storage.ListElements()) {
    if (element.type == kOle2StorageElement) {
      TOle2SubStorage sub(storage, element.name);
      TXlsStorage& node = list.Add(element.name);
      ReadStorage(node.Children(), storage);
    } else if (element.type == kOle2StreamElement) {
      TOle2Stream stream(storage, element.name);
      list.Add(element.name).Data() = stream.TakeData();
    }
  }
}

const std::vector<std::uint8_t>& TXlsStorageList::FindStream(std::u16string_view name) const {
  for (const auto& node : nodes_) {
    if (node->Name() == name) return node->Data();
  }
  throw XlsError(Format(msg::kCantOpenStream, Utf16ToUtf8(name).c_str()));
}

void TXlsStorageList::SaveWithWorkbook(TOle2Storage& storage,
                                       std::span<const std::uint8_t> workbook) const {
  for (const auto& node : nodes_) {
    if (node->Name() != kWorkbookStreamName) node->Save(storage);
  }
  TOle2Stream stream(storage, kWorkbookStreamName);
  stream.Write(workbook.data(), workbook.size());
}

void TXlsStorageList::SaveToFile(const std::string& file_name,
                                 std::span<const std::uint8_t> workbook) const {
  TOle2Storage storage(file_name, TOle2Mode::Write);
  SaveWithWorkbook(storage, workbook);
  storage.Finish();
}

void TXlsStorageList::SaveToFile(const std::string& file_name,
                                 std::vector<std::uint8_t>&& workbook) const {
  TOle2Storage storage(file_name, TOle2Mode::Write);
  for (const auto& node : nodes_) {
    if (node->Name() != kWorkbookStreamName) node->Save(storage);
  }
  {
    TOle2Stream stream(storage, kWorkbookStreamName);
    stream.Adopt(std::move(workbook));
  }
  storage.Finish();
}

void TXlsStorageList::SaveToBuffer(std::vector<std::uint8_t>& target,
                                   std::span<const std::uint8_t> workbook) const {
  TOle2Storage storage(target);
  SaveWithWorkbook(storage, workbook);
  storage.Finish();
}

}  // namespace chronolin
