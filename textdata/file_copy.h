#pragma once

#include <cstdint>
#include <optional>

namespace vt::textdata {

// Copies up to `length` bytes of the file `in`, from byte `offset`, to the current position of
// `out`; stops early at the end of `in`. The kernel copies (copy_file_range) from page-aligned
// offsets; from other offsets, and where the kernel refuses (another file system, a file system
// without the call), the bytes go through a bounded buffer. The number of bytes copied, or no value
// on a read or write error.
std::optional<std::uint64_t> CopyFileRange(int in, std::uint64_t offset, std::uint64_t length,
                                           int out);

}  // namespace vt::textdata
