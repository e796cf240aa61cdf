#pragma once
// The exception class of the report engine and its memory tables, and their message texts,
// word for word as callers know them (typos and the odd accent included: callers match on
// them).
#include <stdexcept>

namespace chronolin {

class ReportError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

namespace report_msg {

inline constexpr const char* kNoAdapter = "There is no Adapter linked to the report";
inline constexpr const char* kTooManySheets =
    "Trying to insert more sheets than the maximum allowed";
inline constexpr const char* kDataSetNotFound = "Can\u00b4t find the dataset %s";
inline constexpr const char* kPropertyNotDefined =
    "Property \"%s\" has not been defined or is not published";
inline constexpr const char* kPropertyNotVariant =
    "Error trying to retrieve property \"%s\". Verify it is a variant";
inline constexpr const char* kPropertyDimensions = "The property \"%s\" has only %d dimensions";
inline constexpr const char* kIndexOutOfRange =
    "The index \"%d\" of the property \"%s\" is not in the range %d-%d";
inline constexpr const char* kDrawingType = "Drawing type \"%s\" invalid";
inline constexpr const char* kNoDataSetInterface =
    "Component \"%s\" does not supports interface IXlsDataSet";
inline constexpr const char* kInvalidColumnCount = "Invalid column count";
inline constexpr const char* kFieldNotFound = "Field not found: \"%s\"";
inline constexpr const char* kDuplicatedFieldName = "Duplicated Field Name: \"%s\"";
// A master chain that comes back to the table would make every key lookup endless.
inline constexpr const char* kCircularMaster =
    "Table \"%s\" can't be its own master, directly or through other tables";

}  // namespace report_msg
}  // namespace chronolin
