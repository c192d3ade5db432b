#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vt::test {

// Writes the bytes exactly, making missing parent folders; fails the test on error.
void WriteBytes(const std::filesystem::path& path, std::string_view bytes);

// The whole file; fails the test when it cannot be read.
std::string ReadBytes(const std::filesystem::path& path);

}  // namespace vt::test
