#include "tools/admin/status.h"

#include <algorithm>
#include <numeric>

#include "attachments/file_kinds.h"
#include "tools/admin/data_table.h"

namespace vt::admin {
namespace {

// Table widths in characters; with one blank between columns a line is 79 wide.
struct Column {
  const char* heading;
  std::size_t width;
};
constexpr std::array<Column, 10> kColumns = {{{"ID", 8},
                                              {"Name", 13},
                                              {"Group", 12},
                                              {"Texts", 5},
                                              {"Photo", 8},
                                              {"Pres", 4},
                                              {"Mov", 4},
                                              {"Nar", 4},
                                              {"Show", 4},
                                              {"Saved", 8}}};

bool IsContinuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::size_t CharacterCount(const std::string& text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return !IsContinuationByte(c); }));
}

// The text cut to `width` characters (a cut one ends in "…") and padded with blanks to it.
std::string Fit(const std::string& text, std::size_t width) {
  if (CharacterCount(text) <= width) {
    return text + std::string(width - CharacterCount(text), ' ');
  }
  std::string cut;
  std::size_t characters = 0;
  for (const char c : text) {
    if (!IsContinuationByte(c) && ++characters == width) {
      break;
    }
    cut += c;
  }
  return cut + "…";
}

std::string ShortDate(const std::optional<std::time_t>& time) {
  const Cell stamp = TimeCell(time);
  const auto* text = std::get_if<std::string>(&stamp);
  return text == nullptr ? "-" : text->substr(2, 8);
}

bool NamesDiffer(const PersonRow& person) {
  return person.record && (person.record->firstName != person.firstName ||
                           person.record->lastName != person.lastName);
}

// "?" marks a group the database does not list, "!" one it does not hold the person in.
std::string GroupText(const PersonRow& person) {
  if (!person.record) {
    return "-";
  }
  const char* mark = !person.groupListed ? "?" : !person.membershipAgrees ? "!" : "";
  return mark + person.record->group;
}

std::string AttachmentText(const AttachmentState& attachment) {
  if (attachment.file) {
    return attachment.OverLimit() ? "OVER" : "ok";
  }
  return attachment.allowed ? "-" : "n/a";
}

std::string TableLine(const std::vector<std::string>& cells) {
  std::string line;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    line += (i == 0 ? "" : " ") + Fit(cells[i], kColumns[i].width);
  }
  line.erase(line.find_last_not_of(' ') + 1);
  return line + "\n";
}

std::vector<std::string> TableCells(const PersonRow& person, std::size_t categories) {
  std::vector<std::string> cells = {
      person.id, (NamesDiffer(person) ? "*" : "") + person.lastName + ", " + person.firstName,
      GroupText(person), std::to_string(person.categoriesFilled) + "/" + std::to_string(categories),
      ShortDate(person.photoTime)};
  for (const AttachmentState& attachment : person.attachments) {
    cells.push_back(AttachmentText(attachment));
  }
  cells.push_back(person.slideshow.empty() ? "-" : std::to_string(person.slides));
  cells.push_back(ShortDate(person.savedTime));
  return cells;
}

std::string LimitText(const AttachmentState& attachment) {
  return attachment.allowed ? std::to_string(attachment.limitMegabytes) + " MB" : "not allowed";
}

Cell TextOrNothing(const std::string& text) {
  return text.empty() ? Cell() : Cell(text);
}

std::string Joined(const std::vector<std::string>& names) {
  return std::accumulate(names.begin(), names.end(), std::string(),
                         [](const std::string& all, const std::string& name) {
                           return all.empty() ? name : all + "; " + name;
                         });
}

DataTable StatusData(const Roster& roster) {
  DataTable table{{"id", "first_name", "last_name", "record_first_name", "record_last_name",
                   "group", "group_listed", "membership_agrees", "memberships", "categories_filled",
                   "categories_defined", "photo", "photo_time"},
                  {}};
  for (std::size_t k = 0; k < attachments::kAttachmentKindCount; ++k) {
    for (const char* field : {"_file", "_size", "_limit", "_over_limit"}) {
      table.columns.push_back(std::string(attachments::kFileKinds[k].kind) + field);
    }
  }
  for (const char* field : {"slideshow", "slides", "saved_time"}) {
    table.columns.emplace_back(field);
  }
  const auto categories = static_cast<std::int64_t>(roster.captions.size());
  for (const PersonRow& person : roster.persons) {
    const bool differ = NamesDiffer(person);
    std::vector<Cell> row = {person.id,
                             person.firstName,
                             person.lastName,
                             differ ? Cell(person.record->firstName) : Cell(),
                             differ ? Cell(person.record->lastName) : Cell(),
                             person.record ? Cell(person.record->group) : Cell(),
                             person.groupListed,
                             person.membershipAgrees,
                             Joined(person.memberships),
                             static_cast<std::int64_t>(person.categoriesFilled),
                             categories,
                             person.photoTime.has_value(),
                             TimeCell(person.photoTime)};
    for (const AttachmentState& attachment : person.attachments) {
      row.insert(row.end(),
                 {attachment.file ? Cell(*attachment.file) : Cell(),
                  attachment.file ? Cell(static_cast<std::int64_t>(attachment.size)) : Cell(),
                  LimitText(attachment), attachment.OverLimit()});
    }
    row.insert(row.end(), {TextOrNothing(person.slideshow.generic_string()),
                           person.slideshow.empty() ? Cell() : Cell(std::int64_t{person.slides}),
                           TimeCell(person.savedTime)});
    table.rows.push_back(std::move(row));
  }
  return table;
}

}  // namespace

std::string StatusTable(const Roster& roster) {
  std::vector<std::string> headings;
  for (const Column& column : kColumns) {
    headings.emplace_back(column.heading);
  }
  std::string out = TableLine(headings);
  for (const PersonRow& person : roster.persons) {
    out += TableLine(TableCells(person, roster.captions.size()));
  }
  return out +
         "Name *: the record's differs. Group ?: not in the database, !: not a member.\n"
         "OVER: over the group's limit or not allowed; n/a: the group allows none.\n" +
         StatusSummary(roster);
}

std::string StatusCsv(const Roster& roster) {
  return FormatCsv(StatusData(roster));
}

std::string StatusJson(const Roster& roster) {
  return FormatJson(StatusData(roster));
}

std::string StatusSummary(const Roster& roster) {
  const auto& persons = roster.persons;
  const auto complete = std::count_if(persons.begin(), persons.end(), [&](const PersonRow& p) {
    return p.Complete(roster.captions.size());
  });
  const auto noPhoto = std::count_if(persons.begin(), persons.end(),
                                     [](const PersonRow& p) { return !p.photoTime; });
  long over = 0;
  for (const PersonRow& person : persons) {
    over += std::count_if(person.attachments.begin(), person.attachments.end(),
                          [](const AttachmentState& a) { return a.OverLimit(); });
  }
  return "Persons: " + std::to_string(persons.size()) + ", complete: " + std::to_string(complete) +
         ", without a photo: " + std::to_string(noPhoto) +
         ", attachments over today's limit: " + std::to_string(over) + "\n";
}

}  // namespace vt::admin
