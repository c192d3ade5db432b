#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "files/result.h"
#include "textdata/profile_record.h"

namespace vt::app {

// The profile record; no value when it cannot be read (missing, no regular file, larger than any
// record): the caller then keeps what it had.
std::optional<textdata::ProfileRecord> ReadProfileRecord(const std::filesystem::path& path);

// Replaces the record durably. Fails, the old record untouched, when nothing could be written, for
// example when the profile folder does not exist.
files::Status WriteProfileRecord(const std::filesystem::path& path,
                                 const textdata::ProfileRecord& record);

// The setup data as text; empty when it cannot be read.
std::string ReadSetupText(const std::filesystem::path& path);

}  // namespace vt::app
