#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vt::database {

// The rows a statement returned, read by column name. A NULL field has no value.
class ResultSet {
 public:
  ResultSet() = default;
  ResultSet(std::vector<std::string> columns,
            std::vector<std::vector<std::optional<std::string>>> rows, bool complete = true)
      : columns_(std::move(columns)), rows_(std::move(rows)), complete_(complete) {}

  std::size_t RowCount() const { return rows_.size(); }
  bool Empty() const { return rows_.empty(); }
  // False when the statement failed after these rows: the rows read before the failure.
  bool Complete() const { return complete_; }

  // The field of `row` in the column named `column` (exact name); no value when the row or the
  // column does not exist or the field is NULL.
  std::optional<std::string> Field(std::size_t row, std::string_view column) const;

 private:
  std::vector<std::string> columns_;
  std::vector<std::vector<std::optional<std::string>>> rows_;
  bool complete_ = true;
};

// The database component: runs one SQL statement with its parameters bound as text, in order
// (?1, ?2, ...), and returns every row it produced. No value when the statement failed before it
// produced a row, including when the database could not be opened; the rows read before a later
// failure come as a result that is not Complete. The statement is finished before Execute returns,
// so no lock is held between calls.
class DatabasePort {
 public:
  virtual ~DatabasePort() = default;
  virtual std::optional<ResultSet> Execute(std::string_view sql,
                                           std::span<const std::string> parameters = {}) = 0;
};

}  // namespace vt::database
