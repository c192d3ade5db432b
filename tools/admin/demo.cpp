// The sample installation: groups with different attachment rules, persons with memberships and
// profiles from a full record to a new one.
#include <array>
#include <string>
#include <vector>

#include "app/paths.h"
#include "app/record_files.h"
#include "attachments/file_kinds.h"
#include "files/folder.h"
#include "files/replace.h"
#include "textdata/profile_record.h"
#include "textdata/tagged_text.h"
#include "tools/admin/installation.h"

namespace vt::admin {
namespace {

namespace fs = std::filesystem;

struct DemoGroup {
  const char* name;
  // Values of the allowance and size-class elements: PRESENTATIONS, MOVIES, NARRATIONS and their
  // size classes. Listed in g_id order, which is the order the database returns them in.
  std::array<const char*, 3> allowed;
  std::array<const char*, 3> sizeClass;
};

constexpr std::array<DemoGroup, 4> kGroups = {{
    {"Year 5 Willow", {"1", "1", "1"}, {"3", "2", "1"}},
    {"Chess & Go Club", {"0", "0", "0"}, {"0", "0", "0"}},
    {"Art Studio", {"1", "1", "0"}, {"0", "7", "0"}},
    {"Drama Group", {"0", "0", "1"}, {"0", "0", "4"}},
}};

constexpr std::array<const char*, 3> kCaptions = {"<b>Hobbies</b> and interests",
                                                  "My goals for next year", "A favourite memory"};

struct DemoPerson {
  const char* id;
  const char* firstName;
  const char* lastName;
  std::vector<int> groups;  // g_id of each membership
  bool hasRecord;
  textdata::ProfileRecord record;
};

std::vector<DemoPerson> DemoPersons() {
  return {
      {"1001",
       "Émile",
       "Dubois-Laurent",
       {1, 4},
       true,
       {"Year 5 Willow",
        "Émile",
        "Dubois-Laurent",
        {"Football, the piano and café visits with my grand-père.\r\nAlso: chess on Sundays.",
         "Learn to play the Rhapsody in Blue.\r\nRead ten books in French.",
         "The school trip to Zürich, when the bus broke down and we sang for two hours."}}},
      {"1002", "Ann", "Lee", {1}, false, {}},
      {"1003",
       "Zoë",
       "O'Brien",
       {2},
       true,
       {"Chess & Go Club", "Zoë", "O'brien", {"Go, chess & \"speed\" puzzles < 5 minutes.", ""}}},
      {"1004", "Jonas", "Müller", {3}, true, {"Art Studio", "Jonas", "Müller", {}}},
      {"1005",
       "Maria",
       "Åkesson",
       {2},
       true,
       {"Former Class 4", "Maria", "Åkesson", {"Painting\r\n", "  Drawing comics  ", "Summer"}}},
  };
}

void AppendElement(std::string& out, const std::string& name, const std::string& value) {
  out += textdata::OpeningTag(name) + value + textdata::ClosingTag(name) + "\r\n";
}

// Group index 0 is the placeholder entry of the group list; it allows nothing.
std::string SetupText() {
  std::string text;
  for (std::size_t n = 1; n <= kCaptions.size(); ++n) {
    AppendElement(text, textdata::NumberedName("CATEGORIES_", static_cast<long>(n)),
                  kCaptions[n - 1]);
  }
  for (std::size_t g = 0; g <= kGroups.size(); ++g) {
    for (std::size_t kind = 0; kind < attachments::kAttachmentKindCount; ++kind) {
      const attachments::FileKind& fileKind = attachments::kFileKinds[kind];
      const bool placeholder = g == 0;
      AppendElement(
          text,
          textdata::NumberedName(std::string(fileKind.allowSetting) + "_", static_cast<long>(g)),
          placeholder ? "0" : kGroups[g - 1].allowed[kind]);
      AppendElement(
          text,
          textdata::NumberedName(std::string(fileKind.sizeSetting) + "_", static_cast<long>(g)),
          placeholder ? "0" : kGroups[g - 1].sizeClass[kind]);
    }
  }
  return text;
}

bool InsertRows(database::DatabasePort& db) {
  bool ok = true;
  for (std::size_t i = 0; i < kGroups.size(); ++i) {
    const std::array<std::string, 2> values = {std::to_string(i + 1), kGroups[i].name};
    ok = ok && db.Execute("INSERT INTO groups(g_id, g_name) VALUES (?1, ?2)", values).has_value();
  }
  for (const DemoPerson& person : DemoPersons()) {
    const std::array<std::string, 3> names = {person.id, person.firstName, person.lastName};
    ok = ok && db.Execute("INSERT INTO persons(p_id, p_fname, p_lname) VALUES (?1, ?2, ?3)", names)
                   .has_value();
    for (const int group : person.groups) {
      const std::array<std::string, 2> membership = {std::to_string(group), person.id};
      ok = ok &&
           db.Execute("INSERT INTO group_persons(g_p_g_id, g_p_p_id) VALUES (?1, ?2)", membership)
               .has_value();
    }
  }
  return ok;
}

}  // namespace

Outcome FillDemo(const fs::path& folder, database::DatabasePort& db) {
  if (!InsertRows(db)) {
    return {"cannot write the demo rows into " + app::DatabasePath(folder).string()};
  }
  if (!files::ReplaceFile(app::SetupDataPath(folder), SetupText())) {
    return {"cannot write " + app::SetupDataPath(folder).string()};
  }
  for (const DemoPerson& person : DemoPersons()) {
    const fs::path profile = *app::ProfileFolder(folder, person.id);
    if (const files::Status made = files::MakeFolderPath(profile); !made) {
      return {"cannot make " + profile.string() + ": " + made.error().Describe()};
    }
    if (person.hasRecord &&
        !app::WriteProfileRecord(profile / textdata::kProfileRecordName, person.record)) {
      return {"cannot write the profile record of " + std::string(person.id)};
    }
  }
  return {};
}

}  // namespace vt::admin
