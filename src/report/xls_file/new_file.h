#pragma once
// Writing a file that must not exist yet, all or nothing: the bytes go to a hidden file beside
// it, which takes the name only once complete and flushed, and only if the name is still free.
// A reader never sees a partial file, and nothing is left behind when the write fails.
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "xls/compound_file/cfb_writer.h"

namespace chronolin {

// ReportError "Can't write to file ..." when the file exists (also when it appears during the
// write); ReportError "Can't write file ...: reason" for any other failure.
// ReportError "Can't write to file ..." when the file exists.
void RefuseExistingFile(const std::string& path);
void WriteNewFile(const std::string& path, std::span<const std::uint8_t> bytes);
// The same with the bytes written by `write` as they come, through a buffer: the content is
// never held whole in memory. What `write` throws fails the write.
void WriteNewFile(const std::string& path, const std::function<void(TCfbSink&)>& write);

}  // namespace chronolin
