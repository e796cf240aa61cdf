#pragma once
// The messages of the spreadsheet file, word for word as callers know them.
namespace chronolin::xls_file_msg {

inline constexpr const char* kCantFindFile = "Can't find the file \"%s\"";
inline constexpr const char* kCantWriteFile =
    "Can't write to file \"%s\". Check it is not in use by another user";

}  // namespace chronolin::xls_file_msg
