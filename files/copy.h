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

// Starts writing the file's data to the disk without waiting for it, so that a later Flush finds
// little left to do while other files are written meanwhile.
void StartFlush(int fd);

}  // namespace vt::files
