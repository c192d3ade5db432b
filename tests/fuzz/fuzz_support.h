#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

// A broken property is a crash, so that the fuzzer keeps the input that broke it.
#define VT_FUZZ_CHECK(c) \
  ((c) ? void() : (std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #c), std::abort()))

// The target's body, given the fuzzer's bytes as `input`.
#define VT_FUZZ_TARGET(input)                                                         \
  static void CheckInput(std::string_view input);                                     \
  extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { \
    return CheckInput({reinterpret_cast<const char*>(data), size}), 0;                \
  }                                                                                   \
  static void CheckInput(std::string_view input)

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
inline const std::filesystem::path& Scratch() {
  static const test::TempDir folder;
  return folder.path();
}

}  // namespace vt::fuzz
