#include "tools/admin/data_table.h"

#include <array>
#include <cstdio>

namespace vt::admin {
namespace {

// A yes/no in the format's words, or a number; no value for a text or nothing.
std::optional<std::string> ScalarText(const Cell& cell, const char* yes, const char* no) {
  if (const auto* flag = std::get_if<bool>(&cell)) {
    return *flag ? yes : no;
  }
  if (const auto* number = std::get_if<std::int64_t>(&cell)) {
    return std::to_string(*number);
  }
  return std::nullopt;
}

std::string CsvCell(const Cell& cell) {
  if (auto scalar = ScalarText(cell, "yes", "no")) {
    return std::move(*scalar);
  }
  const auto* text = std::get_if<std::string>(&cell);
  if (text == nullptr) {
    return {};
  }
  if (text->find_first_of(",\"\r\n") == std::string::npos) {
    return *text;
  }
  std::string quoted = "\"";
  for (const char c : *text) {
    quoted += c == '"' ? "\"\"" : std::string(1, c);
  }
  return quoted + "\"";
}

void AppendCsvRecord(std::string& out, const std::vector<Cell>& cells) {
  for (std::size_t i = 0; i < cells.size(); ++i) {
    out += (i == 0 ? "" : ",") + CsvCell(cells[i]);
  }
  out += "\r\n";
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          std::array<char, 7> escaped{};
          std::snprintf(escaped.data(), escaped.size(), "\\u%04x", c);
          out += escaped.data();
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string JsonValue(const Cell& cell) {
  if (auto scalar = ScalarText(cell, "true", "false")) {
    return std::move(*scalar);
  }
  const auto* text = std::get_if<std::string>(&cell);
  return text == nullptr ? "null" : JsonString(*text);
}

}  // namespace

std::string FormatCsv(const DataTable& table) {
  std::string out;
  AppendCsvRecord(out, std::vector<Cell>(table.columns.begin(), table.columns.end()));
  for (const auto& row : table.rows) {
    AppendCsvRecord(out, row);
  }
  return out;
}

std::string FormatJson(const DataTable& table) {
  std::string out = "[";
  for (std::size_t r = 0; r < table.rows.size(); ++r) {
    out += r == 0 ? "\n  {" : ",\n  {";
    for (std::size_t c = 0; c < table.columns.size() && c < table.rows[r].size(); ++c) {
      out +=
          (c == 0 ? "" : ", ") + JsonString(table.columns[c]) + ": " + JsonValue(table.rows[r][c]);
    }
    out += "}";
  }
  return out + (table.rows.empty() ? "]\n" : "\n]\n");
}

Cell TimeCell(const std::optional<std::time_t>& time) {
  std::tm local{};
  if (!time || ::localtime_r(&*time, &local) == nullptr) {
    return {};
  }
  std::array<char, 32> text{};
  const std::size_t length = std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%S%z", &local);
  std::string stamp(text.data(), length);
  // strftime writes the offset as +0100; ISO 8601's extended form, like the rest, is +01:00.
  return stamp.insert(stamp.size() - 2, ":");
}

}  // namespace vt::admin
