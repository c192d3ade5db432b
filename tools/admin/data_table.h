#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace vt::admin {

// A cell of the organiser's data: nothing, a text, a whole number or a yes/no.
using Cell = std::variant<std::monostate, std::string, std::int64_t, bool>;

// Rows of cells under named columns, written out as CSV or JSON.
struct DataTable {
  std::vector<std::string> columns;
  std::vector<std::vector<Cell>> rows;
};

// RFC 4180: a heading row, records ended by CR LF, a cell quoted when it holds a comma, a quote or
// a line break, quotes doubled. Nothing is an empty cell; yes/no are "yes" and "no".
std::string FormatCsv(const DataTable& table);

// An array with one object per row, keyed by the column names in column order; nothing is null.
std::string FormatJson(const DataTable& table);

// The time in local time as ISO 8601 with its offset ("2026-12-06T21:03:22+01:00"); nothing when
// there is no time.
Cell TimeCell(const std::optional<std::time_t>& time);

}  // namespace vt::admin
