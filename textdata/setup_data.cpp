#include "textdata/setup_data.h"

#include "textdata/tagged_text.h"
#include "textdata/text.h"

namespace vt::textdata {
namespace {

std::string GroupElementName(std::string_view stem, long groupIndex) {
  return NumberedName(std::string(stem) + "_", groupIndex);
}

}  // namespace

std::string CategoryCaption(std::string_view setupText, long n) {
  return ElementValue(setupText, NumberedName("CATEGORIES_", n));
}

bool IsKindAllowed(std::string_view setupText, std::string_view kindStem, long groupIndex) {
  return ElementValue(setupText, GroupElementName(kindStem, groupIndex)) == "1";
}

std::optional<std::int16_t> GetMaxFileSize(std::string_view setupText, std::string_view prefix,
                                           long groupIndex, const MaxFileSizeTable& iMaxFileSizes) {
  const auto sizeClass =
      ReadLenientInt16(ElementValue(setupText, GroupElementName(prefix, groupIndex)));
  if (!sizeClass || *sizeClass < 0 || *sizeClass >= static_cast<int>(iMaxFileSizes.size())) {
    return std::nullopt;
  }
  return iMaxFileSizes[static_cast<std::size_t>(*sizeClass)];
}

}  // namespace vt::textdata
