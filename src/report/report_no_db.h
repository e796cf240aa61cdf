#pragma once
// A report whose data sets and properties live on a data module: data sets are the module's
// components found by name (ignoring case), properties those the module publishes.
#include "report/custom_report.h"

namespace chronolin {

class TReportNoDB : public TCustomReport {
 public:
  // The data module starts as the report's owner.
  explicit TReportNoDB(TComponent* owner = nullptr);

  TComponent* DataModule() const { return data_module_; }
  void SetDataModule(TComponent* module);
  TComponent* PagesDataSet() const { return pages_data_set_; }
  // Refused, keeping the old value, for a component without IXlsDataSet.
  void SetPagesDataSet(TComponent* component);

  IXlsDataSet* GetDataSet(const std::string& name) override;
  const TPropInfo* GetPropertyInfo(const std::string& name) override;
  Variant GetPropertyValue(const TPropInfo& property) override;
  IXlsDataSet* GetPagesDataSet() override;
  TComponent* GetDataModule() override { return data_module_; }

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void Watch(TComponent* component);

  TComponent* data_module_ = nullptr;
  TComponent* pages_data_set_ = nullptr;
};

}  // namespace chronolin
