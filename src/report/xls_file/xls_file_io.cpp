// Opening the template and saving the result, and the adapter that makes the file objects.
#include <algorithm>
#include <ostream>

#include "report/xls_file/new_file.h"
#include "report/xls_file/template_search.h"
#include "report/xls_file/xls_file.h"
#include "xls/compound_file/cfb_writer.h"
#include "xls/compound_file/ole2_storage.h"
#include "xls/compound_file/xls_error.h"
#include "xls/workbook_file.h"

namespace chronolin {

namespace {

class TSinkOutStream final : public TOutStream {
 public:
  explicit TSinkOutStream(TCfbSink& sink) : sink_(sink) {}
  void Write(const void* data, std::size_t size) override {
    sink_.Write(static_cast<const std::uint8_t*>(data), size);
  }
  std::uint64_t Position() const override { return sink_.Position(); }

 private:
  TCfbSink& sink_;
};

class TMemorySink final : public TCfbSink {
 public:
  void Write(const std::uint8_t* data, std::size_t size) override {
    bytes_.insert(bytes_.end(), data, data + size);
  }
  void WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size) override {
    std::copy(data, data + size, bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
  }
  std::uint64_t Position() const override { return bytes_.size(); }
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace

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

  const TXlsStorageList empty;
  const TXlsStorageList& streams = streams_ != nullptr ? *streams_ : empty;
  // The template's other elements, then the records straight into the document: the workbook
  // stream is never held whole in memory.
  auto document = [&](TCfbSink& sink) {
    TOle2Storage storage(sink);
    for (std::size_t i = 0; i < streams.Count(); ++i) {
      if (streams.Item(i).Name() != kWorkbookStreamName) streams.Item(i).Save(storage);
    }
    storage.FinishWithStream(kWorkbookStreamName, [&](TCfbSink& stream) {
      TSinkOutStream out(stream);
      book.Save(out);
    });
  };

  if (target != nullptr) {
    // Complete before the caller's stream sees a byte: a failure leaves it untouched.
    TMemorySink bytes;
    document(bytes);
    target->write(reinterpret_cast<const char*>(bytes.Bytes().data()),
                  static_cast<std::streamsize>(bytes.Bytes().size()));
    target->flush();
    if (!*target) throw XlsError("Can't write the compound document to its stream");
    return;
  }
  // Into a hidden file that takes the name once complete: a failure leaves no file behind.
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
