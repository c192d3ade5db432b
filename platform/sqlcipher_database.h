#pragma once

#include <filesystem>
#include <memory>
#include <string_view>

#include "database/database_port.h"

namespace vt::platform {

inline constexpr std::string_view kCipherKey = "Quiet river stone";

// Opens an existing enciphered database read-write; a missing file is never created. The object
// is returned whatever happened: when the file could not be opened or deciphered every statement
// fails, as it would on an unreadable file.
std::unique_ptr<database::DatabasePort> OpenDatabase(const std::filesystem::path& path);

// Creates a new enciphered database file (nothing when the file exists already: no value).
std::unique_ptr<database::DatabasePort> CreateDatabase(const std::filesystem::path& path);

}  // namespace vt::platform
