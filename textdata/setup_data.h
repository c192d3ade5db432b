#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "textdata/tagged_text.h"

namespace vt::textdata {

// Attachment size limits in megabytes, indexed by size class.
using MaxFileSizeTable = std::array<std::int16_t, 5>;
inline constexpr MaxFileSizeTable kMaxFileSizes = {1, 2, 5, 10, 0};

// The caption of category n: the element CATEGORIES_n, markup and all.
std::string CategoryCaption(const TaggedText& setup, long n);

// True exactly when the element kindStem_g (PRESENTATIONS, MOVIES or NARRATIONS) reads "1".
bool IsKindAllowed(const TaggedText& setup, std::string_view kindStem, long groupIndex);

// The size limit in megabytes of prefix_g (PRESENTATIONSFS, MOVIESFS or NARRATIONSFS): the size
// class read leniently and looked up in the table; no value for a class outside 0 to 4.
std::optional<std::int16_t> GetMaxFileSize(const TaggedText& setup, std::string_view prefix,
                                           long groupIndex, const MaxFileSizeTable& iMaxFileSizes);

}  // namespace vt::textdata
