#pragma once
// Sheet names a spreadsheet program accepts, for the sheets named after a data field.
#include <string>
#include <string_view>
#include <vector>

namespace chronolin {

// `wanted` with each of [ ] : * ? / \ replaced by '_', cut to 31 characters ("Sheet" when
// nothing is left); when it equals, ignoring case, one of `taken`, " (2)", " (3)"... is added,
// the base cut so that the whole stays within 31 characters.
std::u16string ValidSheetName(std::u16string_view wanted, const std::vector<std::u16string>& taken);

// Case folding for sheet names: ASCII, Latin-1 and the Latin Extended-A pairs.
std::u16string FoldSheetName(std::u16string_view name);

}  // namespace chronolin
