#pragma once
// The workbook's record factory: the one place that knows every record class, handed to the
// stream reader when a workbook is loaded.
#include <cstdint>
#include <memory>
#include <vector>

#include "xls/records/record_reader.h"

namespace chronolin {

// FILEPASS raises "File is password protected"; a BOF of another version the version message.
std::unique_ptr<TBaseRecord> CreateRecord(std::uint16_t id, std::vector<std::uint8_t> data);

const TRecordFactory& WorkbookRecordFactory();

}  // namespace chronolin
