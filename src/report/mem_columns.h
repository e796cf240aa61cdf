#pragma once
// The column definitions of a memory table. Adding, deleting or moving a column tells the
// table, which then drops its records (their values follow the column order); renaming keeps
// them.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace chronolin {

class TMemColumnList;

class TMemColumn {
 public:
  TMemColumn(TMemColumnList& list, std::string name) : list_(&list), name_(std::move(name)) {}

  const std::string& Name() const { return name_; }
  const std::string& DisplayName() const { return name_; }
  // Refused with "Duplicated Field Name: ..." when another column has that name (ignoring
  // case); the column's own name is allowed.
  void SetName(std::string name);

 private:
  TMemColumnList* list_;
  std::string name_;
};

class TMemColumnList {
 public:
  explicit TMemColumnList(std::function<void()> onUpdate) : on_update_(std::move(onUpdate)) {}
  TMemColumnList(const TMemColumnList&) = delete;
  TMemColumnList& operator=(const TMemColumnList&) = delete;

  // The name is checked as SetName checks it.
  TMemColumn& Add(std::string name = {});
  void Delete(std::size_t index);
  void Move(std::size_t from, std::size_t to);
  void Clear();

  std::size_t Count() const { return items_.size(); }
  TMemColumn& operator[](std::size_t index) { return *items_[index]; }
  const TMemColumn& operator[](std::size_t index) const { return *items_[index]; }
  // Position of the column of that name (ignoring case), -1 when there is none.
  std::int32_t IndexOf(std::string_view name) const;

 private:
  friend class TMemColumn;
  void CheckUnique(const TMemColumn* column, std::string_view name) const;
  void Changed() const {
    if (on_update_) on_update_();
  }

  std::function<void()> on_update_;
  std::vector<std::unique_ptr<TMemColumn>> items_;
};

}  // namespace chronolin
