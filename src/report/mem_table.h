#pragma once
// A memory table: rows of Variants offered to the report engine as a data set. A table can be
// the detail of another: its records are grouped by the value of one column (MasterField),
// and it shows only the group whose key equals the master's current value of that column.
// Each group keeps its own cursor, so the detail finds every group where it left it.
//
// With OnGetData assigned the table is virtual: the record count comes from
// OnVirtualRecordCount, the values from OnGetData, and one position counts the records.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "report/component.h"
#include "report/mem_columns.h"
#include "report/mem_values.h"
#include "report/xls_data_set.h"

namespace chronolin {

using TNotifyEvent = std::function<void(TObject* sender)>;
using TOnVirtualRecordCountEvent = std::function<void(TObject* sender, std::int32_t& count)>;
using TMemTableOnGetDataEvent = std::function<void(TObject* sender, const std::string& fieldName,
                                                   std::int32_t recordPos, Variant& value)>;

// The records of one key in the order added, with that key's cursor. Values are kept as
// compact cells in blocks of records, a record's cells one after the other: a large table
// costs no allocation per row, and growing it never copies the records already there. The
// cells' texts and whole values live in the table's store, shared by all its keys.
class TMemRecordList {
 public:
  static constexpr std::size_t kRecordsPerBlock = 1024;

  TMemRecordList(std::string key, std::size_t columnCount, TMemValueStore& store)
      : key_(std::move(key)), column_count_(columnCount), store_(&store) {}

  const std::string& Key() const { return key_; }
  std::int32_t Count() const { return count_; }
  Variant Value(std::int32_t index, std::size_t column) const {
    const auto at = static_cast<std::size_t>(index);
    return store_->Load(
        blocks_[at / kRecordsPerBlock][(at % kRecordsPerBlock) * column_count_ + column]);
  }
  void Add(std::span<const Variant> values);

  std::int32_t Position = 0;

 private:
  std::string key_;
  std::size_t column_count_;
  TMemValueStore* store_;
  std::int32_t count_ = 0;
  std::vector<std::vector<TMemCell>> blocks_;
};

// The groups of a table, in ascending ordinal (case-sensitive) order of their keys.
class TMasterList {
 public:
  TMasterList() = default;
  // The lists point to the store.
  TMasterList(const TMasterList&) = delete;
  TMasterList& operator=(const TMasterList&) = delete;

  TMemRecordList* Find(const std::string& key) const;
  TMemRecordList& FindOrAdd(const std::string& key, std::size_t columnCount);
  void Clear() {
    lists_.clear();
    store_.Clear();
  }
  std::size_t Count() const { return lists_.size(); }

 private:
  std::vector<std::unique_ptr<TMemRecordList>>::const_iterator LowerBound(
      const std::string& key) const;
  std::vector<std::unique_ptr<TMemRecordList>> lists_;
  TMemValueStore store_;
};

class TMemTable : public TComponent, public IXlsDataSet {
 public:
  explicit TMemTable(TComponent* owner = nullptr);
  ~TMemTable() override;

  TMemColumnList& Columns() { return columns_; }
  const TMemColumnList& Columns() const { return columns_; }

  TMemTable* MasterTable() const { return master_; }
  // Refused when the table does not support IXlsDataSet, or when it would make the table its
  // own master through a chain of masters.
  void SetMasterTable(TMemTable* master);
  const std::string& MasterField() const { return master_field_; }
  // A non-empty name must be a column ("Field not found: ..."); a different name (compared
  // case-sensitively) drops all records.
  void SetMasterField(std::string name);

  TOnVirtualRecordCountEvent OnVirtualRecordCount;
  TNotifyEvent OnFirst;
  TNotifyEvent OnNext;
  TNotifyEvent OnLast;
  TMemTableOnGetDataEvent OnGetData;

  // One value per column, in column order, else "Invalid column count" and nothing is added.
  void AddRecord(std::span<const Variant> values);
  void AddRecord(std::initializer_list<Variant> values) {
    AddRecord(std::span<const Variant>(values.begin(), values.size()));
  }
  void ClearRecords();

  // The value of a column at the current record of the current key; empty past the end.
  Variant FieldValue(std::int32_t column);

  IXlsDataSet* AsXlsDataSet() override { return this; }

  // IXlsDataSet
  std::shared_ptr<IXlsField> GetField(std::int32_t index) override;
  bool IsActive() override { return active_; }
  void Open() override;
  void Close() override { active_ = false; }
  std::int32_t RecordCount() override;
  void First() override;
  void Next() override;
  void Last() override;
  bool Eof() override;
  std::string DataSetName() override { return Name(); }
  std::shared_ptr<IXlsField> FieldByName(const std::string& name) override;
  std::int32_t FieldCount() override { return static_cast<std::int32_t>(columns_.Count()); }

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  bool IsVirtual() const { return static_cast<bool>(OnGetData); }
  std::int32_t VirtualCount();
  // The key of the group shown now: the master's current value of MasterField, as text.
  std::string CurrentKey();
  TMemRecordList* CurrentList() { return records_.Find(CurrentKey()); }

  TMemColumnList columns_;
  TMemTable* master_ = nullptr;
  std::string master_field_;
  TMasterList records_;
  bool active_ = true;
  std::int32_t virtual_position_ = 0;
};

}  // namespace chronolin
