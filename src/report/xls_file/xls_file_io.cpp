// Opening the template and saving the result, and the adapter that makes the file objects.
#include <ostream>

#include "report/xls_file/new_file.h"
#include "report/xls_file/template_search.h"
#include "report/xls_file/xls_file.h"
#include "xls/compound_file/ole2_storage.h"
#include "xls/compound_file/xls_error.h"
#include "xls/workbook_file.h"

namespace chronolin {

void TXLSFile::Connect() {
  workbook_ = std::make_unique<TWorkbook>();
  ShapesChanged();
}

void TXLSFile::Disconnect() {
  ShapesChanged();
  picture_rows_.clear();
  workbook_.reset();
}

void TXLSFile::OpenFile(const std::string& fileName) {
  TWorkbook& book = Book();
  streams_ = nullptr;
  owned_streams_.reset();
  ShapesChanged();
  picture_rows_.clear();
  try {
    if (TXlsBaseTemplateStore* store = adapter_ != nullptr ? adapter_->TemplateStore() : nullptr) {
      streams_ = &store->GetStorages(fileName);
    } else {
      auto owned = std::make_unique<TXlsStorageList>();
      owned->LoadFromFile(FindTemplateOrThrow(fileName));
      owned_streams_ = std::move(owned);
      streams_ = owned_streams_.get();
    }
    book.Load(streams_->FindStream(kWorkbookStreamName));
  } catch (...) {
    // Nothing half-loaded stays behind.
    book.Clear();
    streams_ = nullptr;
    owned_streams_.reset();
    throw;
  }
  active_sheet_ = static_cast<std::int32_t>(book.ActiveSheet()) + 1;
}

void TXLSFile::Save(bool /*autoClose*/, const std::string& fileName, std::ostream* outStream,
                    const TOnGetOutStreamEvent& onGetOutStream,
                    const TOnGetFileNameEvent& onGetFilename) {
  TWorkbook& book = Book();
  std::ostream* target = outStream;
  std::string name = fileName;
  if (target == nullptr && onGetOutStream) onGetOutStream(this, 0, target);
  if (target == nullptr && onGetFilename) onGetFilename(this, 0, name);
  // The name checked is the one written: an existing file is never replaced.
  if (target == nullptr) RefuseExistingFile(name);

  // The whole document is built in memory first: a failure leaves no file and no bytes behind.
  std::vector<std::uint8_t> document;
  const TXlsStorageList empty;
  const TXlsStorageList& streams = streams_ != nullptr ? *streams_ : empty;
  {
    std::vector<std::uint8_t> records = SaveWorkbookStream(book);
    TOle2Storage storage(document);
    streams.SaveWithWorkbook(storage, records);
    // The storage holds its own copy by now: one copy fewer while the document is laid out.
    std::vector<std::uint8_t>().swap(records);
    storage.Finish();
  }

  if (target != nullptr) {
    target->write(reinterpret_cast<const char*>(document.data()),
                  static_cast<std::streamsize>(document.size()));
    target->flush();
    if (!*target) throw XlsError("Can't write the compound document to its stream");
    return;
  }
  WriteNewFile(name, document);
}

TXLSAdapter::~TXLSAdapter() = default;

std::unique_ptr<TExcelFile> TXLSAdapter::CreateExcelFile() {
  return std::make_unique<TXLSFile>(this);
}

void TXLSAdapter::SetTemplateStore(TXlsBaseTemplateStore* store) {
  if (store == template_store_) return;
  if (template_store_ != nullptr) template_store_->RemoveFreeNotification(this);
  template_store_ = store;
  if (template_store_ != nullptr) template_store_->FreeNotification(this);
}

void TXLSAdapter::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component == template_store_) template_store_ = nullptr;
  TExcelAdapter::Notification(component, operation);
}

}  // namespace chronolin
