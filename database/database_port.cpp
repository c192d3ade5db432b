#include "database/database_port.h"

#include <algorithm>

namespace vt::database {

std::optional<std::string> ResultSet::Field(std::size_t row, std::string_view column) const {
  if (row >= rows_.size()) {
    return std::nullopt;
  }
  const auto found = std::find(columns_.begin(), columns_.end(), column);
  if (found == columns_.end()) {
    return std::nullopt;
  }
  const auto index = static_cast<std::size_t>(found - columns_.begin());
  const auto& fields = rows_[row];
  if (index >= fields.size()) {
    return std::nullopt;
  }
  return fields[index];
}

}  // namespace vt::database
