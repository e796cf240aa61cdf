#include "report/mem_table.h"

#include <algorithm>

#include "common/format.h"
#include "report/report_error.h"

namespace chronolin {
namespace {

// A key as the groups store it. Null counts as empty, as a missing value does.
std::string KeyText(const Variant& value) {
  if (value.IsEmpty() || value.IsNull()) return {};
  return value.ToString();
}

class TMemTableField : public IXlsField {
 public:
  TMemTableField(TMemTable& table, std::int32_t column) : table_(table), column_(column) {}

  Variant Value() override { return table_.FieldValue(column_); }
  IXlsDataSet* DataSet() override { return &table_; }
  bool IsDateTime() override { return Value().Type() == VarType::Date; }
  bool IsMemo() override { return false; }
  double AsFloat() override { return Value().ToDouble(); }
  std::string FieldName() override {
    const auto& columns = table_.Columns();
    if (column_ < 0 || static_cast<std::size_t>(column_) >= columns.Count()) return {};
    return columns[static_cast<std::size_t>(column_)].Name();
  }

 private:
  TMemTable& table_;
  std::int32_t column_;
};

}  // namespace

void TMemRecordList::Add(std::span<const Variant> values) {
  if (blocks_.size() * kRecordsPerBlock == static_cast<std::size_t>(count_)) {
    blocks_.emplace_back();
    // A small table stays small; from the second block on, each is allocated whole.
    blocks_.back().reserve((blocks_.size() == 1 ? 1 : kRecordsPerBlock) * column_count_);
  }
  std::vector<TMemCell>& block = blocks_.back();
  // A value that fails to be stored leaves no part of its record behind.
  const std::size_t start = block.size();
  try {
    for (const Variant& value : values) block.push_back(store_->Store(value));
  } catch (...) {
    block.resize(start);
    throw;
  }
  ++count_;
}

std::vector<std::unique_ptr<TMemRecordList>>::const_iterator TMasterList::LowerBound(
    const std::string& key) const {
  return std::lower_bound(lists_.begin(), lists_.end(), key,
                          [](const auto& list, const std::string& k) { return list->Key() < k; });
}

TMemRecordList* TMasterList::Find(const std::string& key) const {
  auto it = LowerBound(key);
  return it != lists_.end() && (*it)->Key() == key ? it->get() : nullptr;
}

TMemRecordList& TMasterList::FindOrAdd(const std::string& key, std::size_t columnCount) {
  auto it = LowerBound(key);
  if (it != lists_.end() && (*it)->Key() == key) return **it;
  return **lists_.insert(it, std::make_unique<TMemRecordList>(key, columnCount, store_));
}

TMemTable::TMemTable(TComponent* owner) : TComponent(owner), columns_([this] { ClearRecords(); }) {}

TMemTable::~TMemTable() = default;

void TMemTable::SetMasterTable(TMemTable* master) {
  if (master == master_) return;
  if (master != nullptr) {
    if (master->AsXlsDataSet() == nullptr) {
      throw ReportError(Format(report_msg::kNoDataSetInterface, master->Name().c_str()));
    }
    for (TMemTable* t = master; t != nullptr; t = t->master_) {
      if (t == this) throw ReportError(Format(report_msg::kCircularMaster, Name().c_str()));
    }
  }
  if (master_ != nullptr) RemoveFreeNotification(master_);
  master_ = master;
  if (master_ != nullptr) FreeNotification(master_);
}

void TMemTable::SetMasterField(std::string name) {
  if (!name.empty() && columns_.IndexOf(name) < 0) {
    throw ReportError(Format(report_msg::kFieldNotFound, name.c_str()));
  }
  if (name != master_field_) ClearRecords();
  master_field_ = std::move(name);
}

void TMemTable::AddRecord(std::span<const Variant> values) {
  if (values.size() != columns_.Count()) throw ReportError(report_msg::kInvalidColumnCount);
  const std::int32_t keyColumn = master_field_.empty() ? -1 : columns_.IndexOf(master_field_);
  // The key first: a value that cannot become a key leaves the table unchanged.
  std::string key = keyColumn < 0 ? std::string() : KeyText(values[keyColumn]);
  records_.FindOrAdd(key, columns_.Count()).Add(values);
}

void TMemTable::ClearRecords() {
  records_.Clear();
  virtual_position_ = 0;
}

std::string TMemTable::CurrentKey() {
  if (master_ == nullptr) return {};
  const std::int32_t column = master_->columns_.IndexOf(master_field_);
  if (column < 0) throw ReportError(Format(report_msg::kFieldNotFound, master_field_.c_str()));
  return KeyText(master_->FieldValue(column));
}

Variant TMemTable::FieldValue(std::int32_t column) {
  if (column < 0 || static_cast<std::size_t>(column) >= columns_.Count()) return {};
  if (IsVirtual()) {
    Variant value;
    OnGetData(this, columns_[static_cast<std::size_t>(column)].Name(), virtual_position_, value);
    return value;
  }
  const TMemRecordList* list = CurrentList();
  if (list == nullptr || list->Position < 0 || list->Position >= list->Count()) return {};
  return list->Value(list->Position, static_cast<std::size_t>(column));
}

std::shared_ptr<IXlsField> TMemTable::GetField(std::int32_t index) {
  return std::make_shared<TMemTableField>(*this, index);
}

void TMemTable::Open() {
  active_ = true;
  virtual_position_ = 0;
}

std::int32_t TMemTable::VirtualCount() {
  std::int32_t count = 0;
  if (OnVirtualRecordCount) OnVirtualRecordCount(this, count);
  return count;
}

std::int32_t TMemTable::RecordCount() {
  if (IsVirtual()) return VirtualCount();
  const TMemRecordList* list = CurrentList();
  return list == nullptr ? 0 : list->Count();
}

void TMemTable::First() {
  if (TMemRecordList* list = CurrentList(); list != nullptr && list->Count() > 0) {
    list->Position = 0;
  }
  virtual_position_ = 0;
  if (OnFirst) OnFirst(this);
}

void TMemTable::Next() {
  if (TMemRecordList* list = CurrentList(); list != nullptr && list->Count() > 0) {
    ++list->Position;
  }
  ++virtual_position_;
  if (OnNext) OnNext(this);
}

void TMemTable::Last() {
  if (TMemRecordList* list = CurrentList(); list != nullptr) {
    list->Position = list->Count() > 0 ? list->Count() - 1 : 0;
  }
  const std::int32_t count = VirtualCount();
  virtual_position_ = count < 1 ? 0 : count - 1;
  if (OnLast) OnLast(this);
}

bool TMemTable::Eof() {
  if (IsVirtual()) return virtual_position_ >= VirtualCount();
  const TMemRecordList* list = CurrentList();
  return list == nullptr || list->Position >= list->Count();
}

std::shared_ptr<IXlsField> TMemTable::FieldByName(const std::string& name) {
  const std::int32_t column = columns_.IndexOf(name);
  if (column < 0) throw ReportError(Format(report_msg::kFieldNotFound, name.c_str()));
  return GetField(column);
}

void TMemTable::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component == master_) master_ = nullptr;
  TComponent::Notification(component, operation);
}

}  // namespace chronolin
