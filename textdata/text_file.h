#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vt::textdata {

bool IsValidUtf8(std::string_view bytes);

// Windows-1252 bytes as UTF-8.
std::string DecodeWindows1252(std::string_view bytes);

// UTF-8 text as Windows-1252; characters that code page lacks become "?".
std::string EncodeWindows1252(std::string_view utf8);

// Text bytes as UTF-8: kept when they are valid UTF-8, otherwise read as Windows-1252, so files
// written on Windows in the ANSI code page keep their accented letters.
std::string DecodeText(std::string_view bytes);

// The whole file, unchanged; no value when it cannot be opened or read.
std::optional<std::string> ReadFileBytes(const std::filesystem::path& path);

// The whole file as UTF-8 text (see DecodeText); no value when it cannot be read.
std::optional<std::string> ReadTextFile(const std::filesystem::path& path);

enum class Flush { kToDisk, kNone };

// Replaces the file at `path` by `bytes` so that a crash leaves either the old or the new content:
// a temporary file in the same folder is written, then renamed over the destination (a link there
// is replaced, not followed); with Flush::kToDisk the file is flushed before and the folder after
// the rename, so the new content also survives a power cut. Temporary files an earlier crash left
// beside the destination are removed first. False, with the old file untouched, on any failure,
// including a missing folder.
bool ReplaceFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                           Flush flush = Flush::kToDisk);

}  // namespace vt::textdata
