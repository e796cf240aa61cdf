#pragma once
// The exception texts of the workbook model, word for word as users and callers know them
// (typos included: callers match on them).
namespace chronolin::msg {

inline constexpr const char* kFileInvalid = "Error reading Excel records. File invalid";
inline constexpr const char* kInvalidVersion =
    "Template file is saved with an invalid Excel version";
inline constexpr const char* kPasswordProtected = "File is password protected";
inline constexpr const char* kTwoContinues =
    "Trying to add more than one CONTINUE record to the same record";
inline constexpr const char* kRecordInvalid = "Record with ID 0x%x is invalid";
inline constexpr const char* kSectionNotLoaded = "A section of the workbook is not loaded";
inline constexpr const char* kWriteError = "Error writing output file";
inline constexpr const char* kSheetNameExists = "Sheet name already exist: %s";
inline constexpr const char* kInvalidSheetName = "Invalid sheet name: %s";
inline constexpr const char* kSheetNumberInvalid =
    "Sheet number \"%d\" invalid. Must be between %d and %d";
inline constexpr const char* kInsertRowsArguments = "Ivalid arguments to call InsertAndCopyRows";
inline constexpr const char* kReadRecord = "Error reading record";
inline constexpr const char* kIndexOutOfRange =
    "The index \"%d\" of the property \"%s\" is not in the range %d-%d";
inline constexpr const char* kTooManyEntries =
    "Too many entries for this kind of record (%d out of a maximum of %d)";

// Strings.
inline constexpr const char* kInvalidString = "Invalid String record";
inline constexpr const char* kStrLenLength = "StrLenLength should be 1 or 2";
inline constexpr const char* kStringTooLarge = "String too large";

// Cells, rows and columns.
inline constexpr const char* kInvalidRow = "Invalid Row (%d)";
inline constexpr const char* kInvalidColumn = "Invalid Column (%d)";
inline constexpr const char* kInvalidErrorCode = "Invalid cell error code: \"%s\"";
inline constexpr const char* kInvalidCellValue = "Invalid cell value: \"%s\"";
inline constexpr const char* kDuplicatedRow = "Duplicated ROW record";
inline constexpr const char* kMissingRow = "Missing ROW Record for row %d";
inline constexpr const char* kRowCountMismatch =
    "Number of ROW record is not the same that the cell count";
inline constexpr const char* kTooManyPageBreaks = "Too many manual Page breaks for this sheet";

// Formulas and names.
inline constexpr const char* kFormulaToken =
    "Formula at Row %d, column %d is not supported. Token Id: 0x%2x";
inline constexpr const char* kNameToken = "Error in Worksheet name: \"%s\". Token Id: 0x%2x";
inline constexpr const char* kToken = "Error reading formula, Token Id: 0x%2x is not supported";
inline constexpr const char* kNoSharedFormula = "Can't find Shared Formula";

// Drawings and comments.
inline constexpr const char* kDuplicatedBStore = "Error loading Escher record. Duplicated BStore";
inline constexpr const char* kDuplicatedDg = "Error loading Escher record. Duplicated Dg";
inline constexpr const char* kDuplicatedDgg = "Error loading Escher record. Duplicated Dgg";
inline constexpr const char* kDuplicatedSolver =
    "Error loading Escher record. Duplicated Solver container";
inline constexpr const char* kUnsupportedDrawing = "The file has an usupported drawing record";
inline constexpr const char* kNotImplementedRecord =
    "This file has a not implemented kind of record: %s";
inline constexpr const char* kEscherNotLoaded = "Escher record is not fully loaded";
inline constexpr const char* kEscherProcessing = "Error processing Escher record";
inline constexpr const char* kEscherLoading = "Error loading Escher record";
inline constexpr const char* kCantCopyOle = "Can't copy OLE objects embedded on a sheet";

}  // namespace chronolin::msg
