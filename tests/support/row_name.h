#pragma once

#include <string>

namespace vt::test {

// Names each parameterised case after its row's `name`, so ctest can run one row alone.
struct RowName {
  std::string operator()(const auto& info) const { return std::string(info.param.name); }
};

}  // namespace vt::test
