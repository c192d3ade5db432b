#pragma once

#include <string>

namespace vt::test {

// Names each parameterised case after its row's `name`, so ctest can run one row alone.
struct RowName {
  template <typename Info>
  std::string operator()(const Info& info) const {
    return std::string(info.param.name);
  }
};

}  // namespace vt::test
