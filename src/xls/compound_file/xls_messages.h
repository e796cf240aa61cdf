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
inline constexpr const char* kPartOfArray = "Can't change part of an array (Row %d, column %d)";

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

// Compound documents.
inline constexpr const char* kNotCompoundDocument = "The file \"%s\" is invalid";
inline constexpr const char* kCantReadFile = "Can't read file \"%s\"";
inline constexpr const char* kCantOpenStream = "Can't open Stream \"%s\"";
inline constexpr const char* kListIndexOutOfBounds = "List index out of bounds (%zu)";
inline constexpr const char* kCantCreateFile = "Can't create file \"%s\": %s";
inline constexpr const char* kCantWriteFile = "Can't write file \"%s\": %s";
inline constexpr const char* kCantWriteDocumentStream =
    "Can't write the compound document to its stream";
inline constexpr const char* kDocumentFinished = "The compound document is already finished";
inline constexpr const char* kDocumentTooLarge = "The compound document is too large";
inline constexpr const char* kStreamExceedsDocument =
    "The stream is too large for the compound document";
inline constexpr const char* kStorageNotFound = "Storage \"%s\" not found";
inline constexpr const char* kNoStorageToLeave = "No storage to leave";
inline constexpr const char* kStreamNotFound = "Stream \"%s\" not found";
inline constexpr const char* kInvalidStreamPosition = "Invalid stream position";
inline constexpr const char* kStreamReadOnly = "Can't write to a stream opened for reading";
inline constexpr const char* kStreamTooLarge = "Stream \"%s\" is too large";
inline constexpr const char* kInvalidParentStorage = "Invalid parent storage";
inline constexpr const char* kNotAStream = "Not a stream";
inline constexpr const char* kNotAnEmptyStream = "Not an empty stream";
inline constexpr const char* kStreamInOnePass = "A stream is written in one pass";
inline constexpr const char* kNoSinkToFinish = "No sink to finish the document into";
inline constexpr const char* kSinkNeedsStream = "A document on a sink is finished with its stream";
inline constexpr const char* kInvalidElementName = "Invalid element name \"%s\"";
inline constexpr const char* kElementExists = "Element \"%s\" already exists";

// What is wrong with a damaged compound file. The storage reports such a file as
// kNotCompoundDocument; these texts say why, for whoever reads the reader alone.
inline constexpr const char* kCfbShortHeader = "shorter than a header";
inline constexpr const char* kCfbNoSignature = "no signature";
inline constexpr const char* kCfbByteOrder = "wrong byte order mark";
inline constexpr const char* kCfbSectorSize = "unsupported sector size";
inline constexpr const char* kCfbMiniSectorSize = "unsupported mini sector size";
inline constexpr const char* kCfbMiniStreamCutoff = "unsupported mini stream cutoff";
inline constexpr const char* kCfbSectorPastEnd = "sector number past the end of the file";
inline constexpr const char* kCfbSectorCutShort = "sector cut short by the end of the file";
inline constexpr const char* kCfbTooManyFatSectors = "more FAT sectors than the file holds";
inline constexpr const char* kCfbBrokenDifat = "broken DIFAT chain";
inline constexpr const char* kCfbBrokenDirectory = "broken directory chain";
inline constexpr const char* kCfbNoDirectory = "no directory";
inline constexpr const char* kCfbNoRoot = "first directory entry is not the root";
inline constexpr const char* kCfbNameLength = "bad name length";
inline constexpr const char* kCfbTreeLoop = "directory tree loops or leaves the directory";
inline constexpr const char* kCfbUnusedEntryLinked = "unused entry linked into the tree";
inline constexpr const char* kCfbNestedTooDeeply = "storages nested too deeply";
inline constexpr const char* kCfbSharedName = "two elements of one storage share a name";
inline constexpr const char* kCfbBrokenMiniFat = "broken MiniFAT chain";
inline constexpr const char* kCfbNoEntry = "no such directory entry";
inline constexpr const char* kCfbBrokenMiniChain = "broken mini chain";
inline constexpr const char* kCfbMiniChainShort = "mini chain shorter than the stream";
inline constexpr const char* kCfbMiniSectorPastEnd = "mini sector past the end of the mini stream";
inline constexpr const char* kCfbStreamPastFile = "stream larger than the file";
inline constexpr const char* kCfbBrokenStreamChain = "broken stream chain";
inline constexpr const char* kCfbStreamChainShort = "stream chain shorter than its size";

}  // namespace chronolin::msg
