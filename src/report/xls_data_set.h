#pragma once
// The data-set and field interfaces between the report engine and its data sources. A data
// set is a cursor over records; a field reads one column at the current record. Field objects
// are shared: the engine keeps the ones it parsed from a template for the whole run.
//
// The order of the virtual operations is the interfaces' slot order; keep it.
#include <cstdint>
#include <memory>
#include <string>

#include "common/variant.h"

namespace chronolin {

class IXlsField;

class IXlsDataSet {
 public:
  virtual ~IXlsDataSet() = default;

  virtual std::shared_ptr<IXlsField> GetField(std::int32_t index) = 0;  // 0-based
  virtual bool IsActive() = 0;
  virtual void Open() = 0;
  virtual void Close() = 0;
  virtual std::int32_t RecordCount() = 0;
  virtual void First() = 0;
  virtual void Next() = 0;
  virtual void Last() = 0;
  virtual bool Eof() = 0;
  virtual std::string DataSetName() = 0;
  // Throws ReportError "Field not found: ..." for an unknown name.
  virtual std::shared_ptr<IXlsField> FieldByName(const std::string& name) = 0;
  virtual std::int32_t FieldCount() = 0;
};

class IXlsField {
 public:
  virtual ~IXlsField() = default;

  virtual Variant Value() = 0;
  virtual IXlsDataSet* DataSet() = 0;
  virtual bool IsDateTime() = 0;
  virtual bool IsMemo() = 0;
  virtual double AsFloat() = 0;
  virtual std::string FieldName() = 0;
};

}  // namespace chronolin
