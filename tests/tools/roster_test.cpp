#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <cstdlib>

#include "app/paths.h"
#include "app/record_files.h"
#include "platform/sqlcipher_database.h"
#include "tests/support/child.h"
#include "tests/support/files.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"
#include "tools/admin/export.h"
#include "tools/admin/roster.h"
#include "tools/admin/status.h"

namespace vt::admin {
namespace {

namespace fs = std::filesystem;
using namespace vt::test;
using Records = std::vector<std::vector<std::string>>;

// RFC 4180 read strictly: quotes doubled inside quoted fields, and every record ends in CR LF.
Records ParseCsv(const std::string& text) {
  Records records(1, std::vector<std::string>(1));
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::string& field = records.back().back();
    if (quoted && text.compare(i, 2, "\"\"") == 0) {
      field += text[i++];
    } else if (text[i] == '"' && (quoted || field.empty())) {
      quoted = !quoted;
    } else if (!quoted && text[i] == ',') {
      records.back().emplace_back();
    } else if (!quoted && text.compare(i, 2, "\r\n") == 0) {
      records.emplace_back(1);
      ++i;
    } else {
      EXPECT_TRUE(quoted || text[i] != '\n') << "a line break outside quotes";
      field += text[i];
    }
  }
  records.pop_back();  // after the last CR LF
  return records;
}

// The fields under `headings` of the record, or with record 0 of every record, a line each.
std::string Fields(const Records& csv, std::size_t record,
                   const std::vector<std::string>& headings) {
  std::string fields;
  for (std::size_t r = record ? record : 1; r < (record ? record + 1 : csv.size()); ++r) {
    for (const std::string& heading : headings) {
      const auto at = std::find(csv.front().begin(), csv.front().end(), heading);
      fields += csv.at(r).at(std::size_t(at - csv.front().begin())) +
                (&heading == &headings.back() ? "\n" : ", ");
    }
  }
  return fields;
}

// The JSON read back as CSV records: yes/no for a boolean, digits for a number, nothing for null.
Records JsonAsCsv(const std::string& json, const std::vector<std::string>& headings) {
  Records records{headings};
  for (const QJsonValue entry : QJsonDocument::fromJson(QByteArray::fromStdString(json)).array()) {
    std::vector<std::string>& fields = records.emplace_back();
    for (const std::string& heading : headings) {
      const QJsonValue value = entry[QString::fromStdString(heading)];
      fields.push_back(value.isBool()     ? (value.toBool() ? "yes" : "no")
                       : value.isDouble() ? std::to_string(value.toInteger())
                                          : value.toString().toStdString());
    }
  }
  return records;
}

// The demo installation in "in", with photos, movies, a blank text and a record at odds with it.
class DemoRoster : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(MakeDemoInstallation(in, false));
    WriteBytes(in / "Profile/1001/image.fwi", "photo");
    WriteBytes(in / "Profile/1005/image.fwi", "photo");
    WriteBytes(in / "Profile/1001/mov.avi", std::string(3'000'000, 'm'));
    WriteBytes(in / "Profile/1003/mov.avi", "m");
    ASSERT_TRUE(app::WriteProfileRecord(in / "Profile/1003/pr.dat",
                                        {"Chess & Go Club", "Zoë", "O'brien", {"Go", " \t\r\n"}}));
    ASSERT_TRUE(app::WriteProfileRecord(in / "Profile/1004/pr.dat",
                                        {"Year 5 Willow", "Jonas", "Mueller", {}}));
  }

  const TempDir dir;
  const fs::path in = dir / "in";
};

TEST_F(DemoRoster, StatusShowsEachEntryAsTheWizardWouldOpenIt) {
  WriteBytes(in / "Slideshows/Year 5 Willow Dubois-Laurent Émile 1001/slideshow.dat",
             "[SLIDESHOW]\r\ntotal=4\r\n");
  WriteBytes(app::SetupDataPath(in),
             "<MOVIESFS_1>1</MOVIESFS_1>" + ReadBytes(app::SetupDataPath(in)));
  Roster roster;
  ASSERT_EQ(ReadRoster(in, roster).error, "");
  const Records csv = ParseCsv(StatusCsv(roster));
  EXPECT_EQ(JsonAsCsv(StatusJson(roster), csv.front()), csv);
  EXPECT_EQ(Fields(csv, 0,
                   {"categories_filled", "group_listed", "membership_agrees", "mov_limit",
                    "mov_over_limit", "record_last_name", "slides"}),
            "3, yes, yes, 2 MB, yes, , 4\n"               // complete, its movie over the limit
            "0, no, no, not allowed, no, , \n"            // no record
            "1, yes, yes, not allowed, yes, O'brien, \n"  // a blank text, a movie not allowed
            "0, yes, no, 2 MB, no, Mueller, \n"           // not in the record's group
            "3, no, no, not allowed, no, , \n");          // group not listed: nothing allowed
  EXPECT_EQ(Fields(csv, 1, {"pres_limit", "nar_limit", "mov_file", "mov_size", "slideshow"}),
            "10 MB, 2 MB, mov.avi, 3000000, Slideshows/Year 5 Willow Dubois-Laurent Émile 1001\n");
  EXPECT_TRUE(Fields(csv, 1, {"photo_time"}).starts_with("20"));

  const std::string table = StatusTable(roster);
  EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 1 + 5 + 3) << "and legend, summary";
  for (std::size_t i = 0, width = 0; i < table.size(); ++i) {
    ASSERT_LT(width = table[i] == '\n' ? 0 : width + ((table[i] & 0xC0) != 0x80), 80u) << table;
  }
  for (const char* shown :
       {"\n1004     *Müller, Jon… !Year 5 Wil… 0/3", " OVER ", " ?Former Cla…",
        "\nPersons: 5, complete: 1, without a photo: 3, attachments over today's limit: 2\n"}) {
    EXPECT_NE(table.find(shown), std::string::npos) << shown << " in\n" << table;
  }
}

// A generated school: 500 persons inserted in reverse order, texts with quotes, commas, line
// breaks, tabs and emoji, every fifth without a record, every third with a photo.
TEST(School, StatusAndExportCoverEveryPerson) {
  const TempDir dir;
  const fs::path in = dir / "in";
  ASSERT_TRUE(InitInstallation(in, false));
  WriteBytes(app::SetupDataPath(in),
             "<CATEGORIES_1><b>Me</b>, now</CATEGORIES_1><CATEGORIES_2>You &amp; I</CATEGORIES_2>");
  const auto db = platform::OpenDatabase(app::DatabasePath(in));
  const std::string numbers =
      "WITH RECURSIVE n(i) AS (SELECT 500 UNION ALL SELECT i - 1 FROM n WHERE i > 1) INSERT INTO ";
  ASSERT_TRUE(db->Execute("INSERT INTO groups VALUES (1, 'Class A'), (2, 'Class B')"));
  ASSERT_TRUE(db->Execute(numbers +
                          "persons SELECT printf('P%04d', i), 'First' || i, 'Last, ' || i FROM n"));
  ASSERT_TRUE(db->Execute(numbers + "group_persons SELECT 2 - i % 2, printf('P%04d', i) FROM n"));
  std::string expected;
  for (std::size_t i = 1; i <= 500; ++i) {
    const std::string n = std::to_string(i), id = "P" + std::to_string(10000 + i).substr(1),
                      group = i % 2 ? "Class A" : "Class B", motto = "Say \"hi\",\n\t🎓 " + n;
    const fs::path profile = in / "Profile" / id;
    fs::create_directories(profile);
    if (i % 5 != 0) {
      ASSERT_TRUE(app::WriteProfileRecord(
          profile / "pr.dat",
          {group, "First" + n, "Last, " + n, {motto, i % 7 ? "" : "Travel\r\nand sport"}}));
    }
    if (i % 3 == 0) {
      WriteBytes(profile / "image.fwi", "photo");
    }
    // Without a record the database's group and names stand in.
    expected += id + ", " + group + ", Last, " + n + ", " + (i % 5 ? motto : "") +
                (i % 7 || i % 5 == 0 ? ", , " : ", Travel\nand sport, ") +
                (i % 3 ? "" : "Profile/" + id + "/image.fwi") + "\n";
  }

  Roster roster;
  ASSERT_EQ(ReadRoster(in, roster).error, "");
  EXPECT_TRUE(StatusTable(roster).ends_with(
      "Persons: 500, complete: 19, without a photo: 334, attachments over today's limit: 0\n"));
  ASSERT_TRUE(ExportEntries(in, dir / "out.csv"));
  ASSERT_TRUE(ExportEntries(in, dir / "out.JSON"));
  const Records csv = ParseCsv(ReadBytes(dir / "out.csv"));
  EXPECT_EQ(JsonAsCsv(ReadBytes(dir / "out.JSON"), csv.front()), csv);
  EXPECT_EQ(Fields(csv, 0, {"id", "group", "last_name", "Me, now", "You & I", "photo"}), expected);
}

// The commands as an organiser runs them. A failure is one line naming the file and the cause,
// and writes nothing; CSV and JSON keep the summary apart from their data.
struct Command {
  const char* name;
  const char* arguments;
  int exit;
  const char* out;  // how standard output begins
  const char* err;  // what the one line on standard error says, if any
};

class Commands : public DemoRoster, public ::testing::WithParamInterface<Command> {};

TEST_P(Commands, ExitAndSayWhatTheyDid) {
  WriteBytes(in / "damaged/pf.db", std::string(4096, 'x'));
  const Tree before = Snapshot(in);
  const int status = std::system(
      ("cd " + in.string() + " && " VT_ADMIN_PATH " " + GetParam().arguments + " >../o 2>../e")
          .c_str());
  EXPECT_EQ(WEXITSTATUS(status), GetParam().exit);
  const std::string out = ReadBytes(dir / "o"), err = ReadBytes(dir / "e");
  EXPECT_TRUE(out.starts_with(GetParam().out) && out.empty() == (GetParam().exit != 0)) << out;
  EXPECT_NE(err.find(GetParam().err), std::string::npos) << err;
  EXPECT_EQ(err.starts_with("vellumtide-admin: "), GetParam().exit != 0) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), *GetParam().err ? 1 : 0) << err;
  EXPECT_EQ(Snapshot(in), before);
}

INSTANTIATE_TEST_SUITE_P(
    Demo, Commands,
    ::testing::ValuesIn(std::vector<Command>{
        {"Csv", "status . --format csv", 0, "id,first_name,", "today's limit: 1\n"},
        {"Json", "status . --format=json", 0, "[\n  {\"id\": \"1001\"", "today's limit: 1\n"},
        {"UnknownFormat", "status . --format xml", 2, "", "'xml': use table, csv or json"},
        {"NoInstallation", "status nowhere", 1, "", "nowhere: no such file or directory"},
        {"NoDatabase", "export Profile o.csv", 1, "", "Profile/pf.db: no such file or directory"},
        {"Damaged", "export damaged o.json", 1, "", "damaged/pf.db: damaged, or not Vellumtide's"},
        {"OutFolderMissing", "export . missing/o.json", 1, "", "missing/o.json: no such file or"},
        {"WrongExtension", "export . o.txt", 1, "", "o.txt: the name must end in .csv or .json"}}),
    RowName());

}  // namespace
}  // namespace vt::admin
