#include "tools/admin/export.h"

#include <QString>
#include <QTextDocumentFragment>
#include <algorithm>
#include <set>

#include "attachments/file_kinds.h"
#include "files/replace.h"
#include "textdata/text.h"
#include "tools/admin/data_table.h"
#include "tools/admin/roster.h"

namespace vt::admin {
namespace {

namespace fs = std::filesystem;

// The caption as the wizard shows it: its markup rendered to plain text.
std::string PlainCaption(const std::string& caption) {
  return QTextDocumentFragment::fromHtml(QString::fromStdString(caption))
      .toPlainText()
      .trimmed()
      .toStdString();
}

// Column names must be unique keys in JSON: an empty caption, or one already taken, becomes
// "category N" after it.
std::vector<std::string> CategoryHeadings(const std::vector<std::string>& captions,
                                          std::set<std::string> taken) {
  std::vector<std::string> headings;
  for (std::size_t n = 1; n <= captions.size(); ++n) {
    std::string heading = PlainCaption(captions[n - 1]);
    if (heading.empty() || taken.contains(heading)) {
      heading += (heading.empty() ? "" : " ") + std::string("(category ") + std::to_string(n) + ")";
    }
    taken.insert(heading);
    headings.push_back(std::move(heading));
  }
  return headings;
}

std::string WithLf(std::string text) {
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
    text.erase(at, 1);
  }
  return text;
}

Cell PathCell(const fs::path& path) {
  return path.empty() ? Cell() : Cell(path.generic_string());
}

// The entry as the person wrote it: the record's group and names, or the database's while there
// is no record.
std::vector<Cell> EntryRow(const PersonRow& person, std::size_t categories) {
  const textdata::ProfileRecord record = person.record.value_or(textdata::ProfileRecord{
      person.memberships.empty() ? std::string() : person.memberships.front(),
      person.firstName,
      person.lastName,
      {}});
  std::vector<Cell> row = {person.id, record.group, record.firstName, record.lastName};
  for (std::size_t k = 0; k < categories; ++k) {
    row.emplace_back(k < record.categories.size() ? WithLf(record.categories[k]) : std::string());
  }
  row.push_back(PathCell(PhotoPath(person)));
  for (std::size_t k = 0; k < attachments::kAttachmentKindCount; ++k) {
    row.push_back(PathCell(AttachmentPath(person, k)));
  }
  row.push_back(PathCell(person.slideshow));
  return row;
}

DataTable EntryData(const Roster& roster) {
  const std::vector<std::string> fixed = {"id", "group", "first_name", "last_name"};
  std::vector<std::string> files = {"photo"};
  for (std::size_t k = 0; k < attachments::kAttachmentKindCount; ++k) {
    files.emplace_back(attachments::kFileKinds[k].noun);
  }
  files.emplace_back("slideshow");
  std::set<std::string> taken(fixed.begin(), fixed.end());
  taken.insert(files.begin(), files.end());
  DataTable table{fixed, {}};
  for (std::string& heading : CategoryHeadings(roster.captions, taken)) {
    table.columns.push_back(std::move(heading));
  }
  table.columns.insert(table.columns.end(), files.begin(), files.end());
  for (const PersonRow& person : roster.persons) {
    table.rows.push_back(EntryRow(person, roster.captions.size()));
  }
  return table;
}

Outcome Write(const fs::path& out, const std::string& bytes) {
  if (const files::Status written = files::ReplaceFile(out, bytes); !written) {
    return {"cannot write " + out.string() + ": " + written.error().Describe()};
  }
  return {};
}

}  // namespace

Outcome ExportEntries(const fs::path& installation, const fs::path& out) {
  const std::string extension = textdata::TrimBlanks(out.extension().string());
  const bool csv = textdata::EqualsIgnoringAsciiCase(extension, ".csv");
  if (!csv && !textdata::EqualsIgnoringAsciiCase(extension, ".json")) {
    return {out.string() + ": the name must end in .csv or .json"};
  }
  Roster roster;
  if (Outcome read = ReadRoster(installation, roster); !read) {
    return read;
  }
  const DataTable table = EntryData(roster);
  return Write(out, csv ? FormatCsv(table) : FormatJson(table));
}

}  // namespace vt::admin
