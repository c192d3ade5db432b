#include "textdata/setup_data.h"

#include "textdata/tagged_text.h"
#include "textdata/text.h"

namespace vt::textdata {
namespace {

std::string GroupElementName(std::string_view stem, long groupIndex) {
  return NumberedName(std::string(stem) + "_", groupIndex);
}

}  // namespace

std::string CategoryCaption(const TaggedText& setup, long n) {
  return setup.Value(NumberedName("CATEGORIES_", n));
}

bool IsKindAllowed(const TaggedText& setup, std::string_view kindStem, long groupIndex) {
  return setup.Value(GroupElementName(kindStem, groupIndex)) == "1";
}

std::optional<std::int16_t> GetMaxFileSize(const TaggedText& setup, std::string_view prefix,
                                           long groupIndex, const MaxFileSizeTable& iMaxFileSizes) {
  const auto sizeClass = ReadLenientInt16(setup.Value(GroupElementName(prefix, groupIndex)));
  if (!sizeClass || *sizeClass < 0 || *sizeClass >= static_cast<int>(iMaxFileSizes.size())) {
    return std::nullopt;
  }
  return iMaxFileSizes[static_cast<std::size_t>(*sizeClass)];
}

}  // namespace vt::textdata
