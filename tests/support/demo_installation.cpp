#include "tests/support/demo_installation.h"

#include <gtest/gtest.h>

#include "app/paths.h"
#include "app/record_files.h"
#include "database/statements.h"
#include "platform/sqlcipher_database.h"
#include "tests/support/files.h"

namespace vt::test {

namespace fs = std::filesystem;
using Row = std::vector<std::string>;

void WriteDemoInstallation(const fs::path& folder) {
  std::string setup =
      "<CATEGORIES_1><b>Hobbies</b> and interests</CATEGORIES_1>\r\n"
      "<CATEGORIES_2>My goals for next year</CATEGORIES_2>\r\n"
      "<CATEGORIES_3>A favourite memory</CATEGORIES_3>\r\n";
  // Per group: whether presentations, movies and narrations are allowed, then their size classes.
  const Row rules = {"111321", "000000", "110070", "001004"};
  const Row settings = {"PRESENTATIONS_",   "MOVIES_",   "NARRATIONS_",
                        "PRESENTATIONSFS_", "MOVIESFS_", "NARRATIONSFS_"};
  for (std::size_t i = 0; i < rules.size() * settings.size(); ++i) {
    const std::string name = settings[i % 6] + std::to_string(i / 6 + 1);
    setup += "<" + name + ">" + rules[i / 6][i % 6] + "</" + name + ">\r\n";
  }
  WriteBytes(app::SetupDataPath(folder), setup);
  fs::create_directories(app::SlideshowsFolder(folder));

  const auto db = platform::CreateDatabase(app::DatabasePath(folder));
  const auto insert = [&db](const std::string& sql, const Row& values) {
    ASSERT_TRUE(db->Execute(sql, values).has_value()) << sql;
  };
  ASSERT_TRUE(db && database::CreateSchema(*db));
  const Row groups = {"Year 5 Willow", "Chess & Go Club", "Art Studio", "Drama Group"};
  for (std::size_t g = 0; g < groups.size(); ++g) {
    insert("INSERT INTO groups VALUES (?1, ?2)", {std::to_string(g + 1), groups[g]});
  }
  for (const Row& person :
       {Row{"1001", "Émile", "Dubois-Laurent", "14"}, Row{"1002", "Ann", "Lee", "2"},
        Row{"1004", "Jonas", "Müller", "3"}, Row{"1005", "Maria", "Åkesson", ""}}) {
    insert("INSERT INTO persons VALUES (?1, ?2, ?3)", {person[0], person[1], person[2]});
    for (const char group : person[3]) {
      insert("INSERT INTO group_persons VALUES (?1, ?2)", {std::string(1, group), person[0]});
    }
  }

  for (const auto& [id, record] : std::vector<std::pair<std::string, textdata::ProfileRecord>>{
           {"1001",
            {"Year 5 Willow",
             "Émile",
             "Dubois-Laurent",
             {"Football, the piano and café visits with my grand-père.\r\nAlso: chess on Sundays.",
              "Learn to play the Rhapsody in Blue.\r\nRead ten books in French.",
              "The school trip to Zürich, when the bus broke down and we sang for two hours."}}},
           {"1004", {"Art Studio", "Jonas", "Müller", {}}},
           {"1005", {"Former Class 4", "Maria", "Åkesson", {"Painting", "Drawing", "Summer"}}}}) {
    fs::create_directories(app::ProfilesFolder(folder) / id);
    ASSERT_TRUE(app::WriteProfileRecord(app::ProfilesFolder(folder) / id / "pr.dat", record));
  }
}

std::string QueryDemo(const fs::path& folder, const std::string& sql) {
  const auto rows = platform::OpenDatabase(app::DatabasePath(folder))->Execute(sql);
  std::string joined;
  for (std::size_t row = 0; rows && row < rows->RowCount(); ++row) {
    joined += (row > 0 ? "," : "") + rows->Field(row, "v").value_or("NULL");
  }
  return joined;
}

}  // namespace vt::test
