#pragma once
// Whole-file reads and writes for checking what the code under test wrote. A missing file
// reads as empty.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace chronolin::testing {

std::string ReadFile(const std::filesystem::path& path);
std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& text);

}  // namespace chronolin::testing
