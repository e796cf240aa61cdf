#include "report/report_no_db.h"

#include "common/format.h"
#include "report/report_error.h"

namespace chronolin {

TReportNoDB::TReportNoDB(TComponent* owner) : TCustomReport(owner), data_module_(owner) {}

void TReportNoDB::Watch(TComponent* component) {
  // The owner tells its components anyway; others must be asked for a notice.
  if (component != nullptr && component != Owner()) FreeNotification(component);
}

void TReportNoDB::SetDataModule(TComponent* module) {
  if (module == data_module_) return;
  if (data_module_ != nullptr && data_module_ != pages_data_set_) {
    RemoveFreeNotification(data_module_);
  }
  data_module_ = module;
  Watch(module);
}

void TReportNoDB::SetPagesDataSet(TComponent* component) {
  if (component == pages_data_set_) return;
  if (component != nullptr && component->AsXlsDataSet() == nullptr) {
    throw ReportError(Format(report_msg::kNoDataSetInterface, component->Name().c_str()));
  }
  if (pages_data_set_ != nullptr && pages_data_set_ != data_module_) {
    RemoveFreeNotification(pages_data_set_);
  }
  pages_data_set_ = component;
  Watch(component);
}

IXlsDataSet* TReportNoDB::GetDataSet(const std::string& name) {
  if (data_module_ == nullptr) return nullptr;
  TComponent* component = data_module_->FindComponent(name);
  return component == nullptr ? nullptr : component->AsXlsDataSet();
}

const TPropInfo* TReportNoDB::GetPropertyInfo(const std::string& name) {
  return data_module_ == nullptr ? nullptr : data_module_->FindPublishedProperty(name);
}

Variant TReportNoDB::GetPropertyValue(const TPropInfo& property) {
  if (!property.Get)
    throw ReportError(Format(report_msg::kPropertyNotVariant, property.Name.c_str()));
  return property.Get();
}

IXlsDataSet* TReportNoDB::GetPagesDataSet() {
  return pages_data_set_ == nullptr ? nullptr : pages_data_set_->AsXlsDataSet();
}

void TReportNoDB::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove) {
    if (component == pages_data_set_) pages_data_set_ = nullptr;
    if (component == data_module_) {
      // Back to the owner, unless the owner itself is going.
      data_module_ = component == Owner() ? nullptr : Owner();
    }
  }
  TCustomReport::Notification(component, operation);
}

}  // namespace chronolin
