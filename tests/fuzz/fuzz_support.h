#pragma once

#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

// A broken property is a crash, so that the fuzzer keeps the input that broke it.
#define VT_FUZZ_CHECK(condition) \
  ((condition)                   \
       ? void()                  \
       : (std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #condition), std::abort()))

namespace vt::fuzz {

// The pieces of the input between 0x1E bytes.
inline std::vector<std::string_view> Split(std::string_view input) {
  std::vector<std::string_view> pieces;
  for (std::size_t at; (at = input.find('\x1e')) != input.npos; input.remove_prefix(at + 1)) {
    pieces.push_back(input.substr(0, at));
  }
  pieces.push_back(input);
  return pieces;
}

// A folder of this process's own under the system's temporary folder, removed at exit.
inline std::filesystem::path Scratch() {
  static const struct Folder {
    std::string path = (std::filesystem::temp_directory_path() / "vt-fuzz-XXXXXX").string();
    Folder() { VT_FUZZ_CHECK(mkdtemp(path.data()) != nullptr); }
    ~Folder() { std::filesystem::remove_all(path); }
  } folder;
  return folder.path;
}

inline void WriteBytes(const std::filesystem::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  VT_FUZZ_CHECK(out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush().good());
}

inline std::string ReadBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace vt::fuzz
