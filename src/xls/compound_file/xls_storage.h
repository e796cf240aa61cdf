#pragma once
// The in-memory copy of a compound document: a tree of named storages and streams read in one
// go, searched for the "Workbook" stream, and written back around a fresh "Workbook" stream.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xls/compound_file/xls_error.h"

namespace chronolin {

class TOle2Storage;
class TXlsStorageList;

// The top-level stream that holds the workbook's records.
inline constexpr std::u16string_view kWorkbookStreamName = u"Workbook";

// One element: a stream (its bytes in Data) or a storage (its elements in Children).
class TXlsStorage {
 public:
  explicit TXlsStorage(std::u16string name);
  ~TXlsStorage();
  TXlsStorage(const TXlsStorage&) = delete;
  TXlsStorage& operator=(const TXlsStorage&) = delete;

  const std::u16string& Name() const { return name_; }
  std::vector<std::uint8_t>& Data() { return data_; }
  const std::vector<std::uint8_t>& Data() const { return data_; }
  TXlsStorageList& Children() { return *children_; }
  const TXlsStorageList& Children() const { return *children_; }

  // Writes the node into the storage's current storage: a stream when it has data, else a
  // sub-storage when it has children, else nothing (empty streams and storages are dropped).
  void Save(TOle2Storage& storage) const;

 private:
  std::u16string name_;
  std::vector<std::uint8_t> data_;
  std::unique_ptr<TXlsStorageList> children_;
};

// Owning, ordered list of nodes (the order in which the document enumerates them).
class TXlsStorageList {
 public:
  TXlsStorageList();
  ~TXlsStorageList();
  TXlsStorageList(TXlsStorageList&&) noexcept;
  TXlsStorageList& operator=(TXlsStorageList&&) noexcept;

  std::size_t Count() const { return nodes_.size(); }
  // "List index out of bounds (%d)" for an index outside the list.
  TXlsStorage& Item(std::size_t index);
  const TXlsStorage& Item(std::size_t index) const;
  TXlsStorage& Add(std::u16string name);
  void Clear();

  // Clears the list, then reads the whole document into it; the file is closed on return.
  // "The file \"%s\" is invalid" for anything but a sound compound document. On an error the
  // part read so far stays in the list.
  void LoadFromFile(const std::string& file_name);
  // The same over a document held in memory; name stands for the file name in messages.
  void LoadFromMemory(std::vector<std::uint8_t> document, const std::string& name);
  // Appends the elements of the storage's current storage, recursively, in enumeration order.
  static void ReadStorage(TXlsStorageList& list, TOle2Storage& storage);

  // The data of the first top-level node named exactly so (case-sensitive); sub-storages are
  // not searched. "Can't open Stream \"%s\"" when there is none.
  const std::vector<std::uint8_t>& FindStream(std::u16string_view name) const;

  // Writes every top-level node not named exactly "Workbook", in order, then a "Workbook"
  // stream holding the given records, into a write-mode storage (not finished here).
  void SaveWithWorkbook(TOle2Storage& storage, std::span<const std::uint8_t> workbook) const;
  // The same into a new file (failing if it exists), or appended to a caller's buffer; the
  // document is complete when these return.
  void SaveToFile(const std::string& file_name, std::span<const std::uint8_t> workbook) const;
  // The same, the workbook stream taken over rather than copied.
  void SaveToFile(const std::string& file_name, std::vector<std::uint8_t>&& workbook) const;
  void SaveToBuffer(std::vector<std::uint8_t>& target,
                    std::span<const std::uint8_t> workbook) const;

 private:
  std::vector<std::unique_ptr<TXlsStorage>> nodes_;
};

}  // namespace chronolin
