#pragma once
// Record classes the model routes by class but whose bodies it does not interpret (yet): they
// exist so that lists, clones and later edits can tell them apart.
#include "xls/records/biff_record.h"

#define CHRONOLIN_PLAIN_RECORD(Name)                                               \
  class Name final : public TBaseRecord {                                          \
   public:                                                                         \
    using TBaseRecord::TBaseRecord;                                                \
    std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); } \
  }
