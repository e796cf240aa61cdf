#pragma once
// The one exception class of the workbook layer. Its text is the user-facing message, already
// formatted with the offending name or number.
#include <stdexcept>
#include <string>

namespace chronolin {

class XlsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace chronolin
