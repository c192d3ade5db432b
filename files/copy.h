#pragma once

#include <cstdint>

#include "files/result.h"

namespace vt::files {

// Copies `length` bytes from `offset` of `in` to the current position of `out`: the kernel's copy
// where it is faster, a bounded buffer elsewhere, so memory stays flat whatever the size. The
// number copied, less than `length` only when `in` ended first.
Result<std::uint64_t> CopyRange(int in, std::uint64_t offset, std::uint64_t length, int out);

// Flushes a written file to the disk.
Status Flush(int fd);

}  // namespace vt::files
