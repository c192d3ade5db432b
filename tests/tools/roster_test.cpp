#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <array>
#include <cstdlib>
#include <sstream>

#include "app/paths.h"
#include "app/record_files.h"
#include "database/statements.h"
#include "platform/sqlcipher_database.h"
#include "tests/support/child.h"
#include "tests/support/files.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"
#include "textdata/profile_record.h"
#include "textdata/tagged_text.h"
#include "tools/admin/export.h"
#include "tools/admin/roster.h"
#include "tools/admin/status.h"

namespace vt::admin {
namespace {

namespace fs = std::filesystem;
using namespace vt::test;
using Records = std::vector<std::vector<std::string>>;

// RFC 4180 read the strict way: quoted fields may hold commas, quotes doubled and line breaks;
// every record ends in CR LF.
Records ParseCsv(const std::string& text) {
  Records records(1, std::vector<std::string>(1));
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    std::string& field = records.back().back();
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"' && field.empty()) {
      quoted = true;
    } else if (c == ',') {
      records.back().emplace_back();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      records.emplace_back(1);
      ++i;
    } else {
      EXPECT_NE(c, '\n') << "a line break outside quotes";
      field += c;
    }
  }
  EXPECT_EQ(records.back(), std::vector<std::string>(1)) << "the last record has no CR LF";
  records.pop_back();
  return records;
}

// The field of the record under `heading`.
std::string Column(const Records& records, std::size_t record, const std::string& heading) {
  const auto& headings = records.front();
  const auto at = std::find(headings.begin(), headings.end(), heading);
  EXPECT_NE(at, headings.end()) << heading;
  return at == headings.end() ? ""
                              : records[record].at(static_cast<std::size_t>(at - headings.begin()));
}

QJsonValue At(const QJsonArray& array, int index, const char* key) {
  return array[index].toObject()[QLatin1String(key)];
}

Roster Read(const fs::path& folder) {
  Roster roster;
  const Outcome read = ReadRoster(folder, roster);
  EXPECT_TRUE(read) << read.error;
  return roster;
}

const PersonRow& Person(const Roster& roster, const std::string& id) {
  const auto found = std::find_if(roster.persons.begin(), roster.persons.end(),
                                  [&](const PersonRow& p) { return p.id == id; });
  if (found == roster.persons.end()) {
    throw std::runtime_error("no row for " + id);
  }
  return *found;
}

// The demo installation in "in", person 1001 with a photo and a movie.
class DemoRoster : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(MakeDemoInstallation(in, false));
    WriteBytes(in / "Profile/1001/image.fwi", "photo");
    WriteBytes(in / "Profile/1001/mov.avi", std::string(3'000'000, 'm'));
  }

  // Sets the element of the setup data to `value`.
  void ChangeSetup(const std::string& element, const std::string& value) {
    std::string setup = ReadBytes(app::SetupDataPath(in));
    const std::string opening = textdata::OpeningTag(element);
    const std::size_t start = setup.find(opening) + opening.size();
    setup.replace(start, setup.find('<', start) - start, value);
    WriteBytes(app::SetupDataPath(in), setup);
  }

  const TempDir dir;
  const fs::path in = dir / "in";
};

struct DemoRow {
  const char* name;
  const char* id;
  std::size_t filled;
  bool hasRecord;
  bool groupListed;
  bool membershipAgrees;
  bool complete;
  std::array<bool, 3> allowed;
};

class DemoRows : public DemoRoster, public ::testing::WithParamInterface<DemoRow> {};

TEST_P(DemoRows, ShowTheEntryAsTheWizardWouldOpenIt) {
  const DemoRow& row = GetParam();
  const Roster roster = Read(in);
  const PersonRow& person = Person(roster, row.id);
  EXPECT_EQ(person.record.has_value(), row.hasRecord);
  EXPECT_EQ(person.categoriesFilled, row.filled);
  EXPECT_EQ(person.groupListed, row.groupListed);
  EXPECT_EQ(person.membershipAgrees, row.membershipAgrees);
  EXPECT_EQ(person.Complete(roster.captions.size()), row.complete);
  for (std::size_t k = 0; k < row.allowed.size(); ++k) {
    EXPECT_EQ(person.attachments[k].allowed, row.allowed[k]) << "kind " << k;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Demo, DemoRows,
    ::testing::Values(
        DemoRow{"Complete", "1001", 3, true, true, true, true, {true, true, true}},
        DemoRow{"NoRecord", "1002", 0, false, false, false, false, {false, false, false}},
        DemoRow{"BlankTextNotCounted", "1003", 1, true, true, true, false, {false, false, false}},
        DemoRow{"NoCategories", "1004", 0, true, true, true, false, {true, true, false}},
        // Not in the database's list, so the wizard opens it on the placeholder: nothing allowed.
        DemoRow{"GroupNotListed", "1005", 3, true, false, false, false, {false, false, false}}),
    RowName());

TEST_F(DemoRoster, ListsPersonsInIdentifierOrderWithDatabaseAndRecordNames) {
  const Roster roster = Read(in);
  std::vector<std::string> ids;
  for (const PersonRow& person : roster.persons) {
    ids.push_back(person.id);
  }
  EXPECT_EQ(ids, (std::vector<std::string>{"1001", "1002", "1003", "1004", "1005"}));
  EXPECT_EQ(roster.captions.front(), "<b>Hobbies</b> and interests");
  const PersonRow& zoe = Person(roster, "1003");
  EXPECT_EQ(zoe.lastName, "O'Brien");
  EXPECT_EQ(zoe.record->lastName, "O'brien");
  EXPECT_EQ(Person(roster, "1001").memberships,
            (std::vector<std::string>{"Year 5 Willow", "Drama Group"}));
}

TEST_F(DemoRoster, ABlankTextIsNoFilledCategory) {
  std::string record = ReadBytes(in / "Profile/1003/pr.dat");
  record.replace(record.find("<CAT2></CAT2>"), 13, "<CAT2>  \t </CAT2>");
  WriteBytes(in / "Profile/1003/pr.dat", record);
  EXPECT_EQ(Person(Read(in), "1003").categoriesFilled, 1u);
}

TEST_F(DemoRoster, MarksARecordGroupTheDatabaseDoesNotHoldThePersonIn) {
  ASSERT_TRUE(app::WriteProfileRecord(in / "Profile/1004/pr.dat",
                                      {"Year 5 Willow", "Jonas", "Müller", {}}));
  const PersonRow& jonas = Person(Read(in), "1004");
  EXPECT_TRUE(jonas.groupListed);
  EXPECT_FALSE(jonas.membershipAgrees);
  EXPECT_TRUE(jonas.attachments[2].allowed) << "the record's group decides, as in the wizard";
}

TEST_F(DemoRoster, AnAttachmentOverALoweredLimitIsCounted) {
  const AttachmentState before = Person(Read(in), "1001").attachments[1];
  EXPECT_EQ(before.file, "mov.avi");
  EXPECT_EQ(before.size, 3'000'000u);
  EXPECT_EQ(before.limitMegabytes, 5);
  EXPECT_FALSE(before.OverLimit());

  ChangeSetup("MOVIESFS_1", "1");
  const Roster lowered = Read(in);
  const AttachmentState after = Person(lowered, "1001").attachments[1];
  EXPECT_EQ(after.limitMegabytes, 2);
  EXPECT_TRUE(after.OverLimit());
  EXPECT_TRUE(StatusTable(lowered).ends_with(
      "Persons: 5, complete: 1, without a photo: 4, attachments over today's limit: 1\n"));

  ChangeSetup("MOVIES_1", "0");
  EXPECT_TRUE(Person(Read(in), "1001").attachments[1].OverLimit()) << "no longer allowed at all";
}

TEST_F(DemoRoster, FindsTheSlideshowTheWizardImportedAndItsSlides) {
  WriteBytes(in / "Slideshows/Year 5 Willow Dubois-Laurent Émile 1001/slideshow.dat",
             "[SLIDESHOW]\r\ntotal=4\r\n");
  WriteBytes(in / "Slideshows/Year 5 Willow Lee Ann 1002/slideshow.dat",
             "[SLIDESHOW]\r\ntotal=2\r\n");
  const Roster roster = Read(in);
  EXPECT_EQ(Person(roster, "1001").slideshow,
            fs::path("Slideshows/Year 5 Willow Dubois-Laurent Émile 1001"));
  EXPECT_EQ(Person(roster, "1001").slides, 4);
  EXPECT_TRUE(Person(roster, "1002").slideshow.empty())
      << "without a record the wizard names the slideshow without group and names";
}

TEST_F(DemoRoster, TheTableFitsAnEightyColumnTerminal) {
  ASSERT_TRUE(app::WriteProfileRecord(
      in / "Profile/1001/pr.dat",
      {"Year 5 Willow", "Émile-Alexandre-Benoît", "Dubois-Laurent de la Fontaine", {}}));
  const std::string table = StatusTable(Read(in));
  std::istringstream lines(table);
  std::size_t count = 0;
  for (std::string line; std::getline(lines, line); ++count) {
    const auto characters =
        std::count_if(line.begin(), line.end(), [](char c) { return (c & 0xC0) != 0x80; });
    EXPECT_LT(characters, 80) << line;
  }
  EXPECT_EQ(count, 1 + 5 + 3) << "headings, one line per person, legend and summary";
  EXPECT_NE(table.find("1001     *Dubois-Laur… Year 5 Will… 0/3"), std::string::npos) << table;
}

TEST_F(DemoRoster, StatusCsvAndJsonCarryTheSameFields) {
  const Roster roster = Read(in);
  const Records csv = ParseCsv(StatusCsv(roster));
  ASSERT_EQ(csv.size(), 6u);
  const QJsonArray json =
      QJsonDocument::fromJson(QByteArray::fromStdString(StatusJson(roster))).array();
  ASSERT_EQ(json.size(), 5);
  EXPECT_EQ(Column(csv, 1, "mov_file"), "mov.avi");
  EXPECT_EQ(At(json, 0, "mov_size").toInteger(), 3'000'000);
  EXPECT_EQ(Column(csv, 4, "mov_limit"), "0 MB");
  EXPECT_EQ(At(json, 3, "nar_limit").toString().toStdString(), "not allowed");
  EXPECT_EQ(Column(csv, 3, "record_last_name"), "O'brien");
  EXPECT_TRUE(At(json, 0, "record_last_name").isNull()) << "the same names are not repeated";
  EXPECT_EQ(Column(csv, 5, "group_listed"), "no");
  EXPECT_FALSE(At(json, 4, "group_listed").toBool());
  EXPECT_EQ(At(json, 1, "photo_time").type(), QJsonValue::Null);
  EXPECT_TRUE(At(json, 0, "photo_time").toString().startsWith(QStringLiteral("20")));
  for (std::size_t i = 0; i < csv.front().size(); ++i) {
    EXPECT_TRUE(json[0].toObject().contains(QString::fromStdString(csv.front()[i])))
        << csv.front()[i];
  }
}

// A generated school: 500 persons inserted in reverse order, texts with quotes, commas, line
// breaks, tabs and emoji, every fifth without a record, every third with a photo, every seventh
// with both texts.
class School : public ::testing::Test {
 protected:
  static constexpr int kPersons = 500;

  static std::string Id(int i) {
    std::string id = std::to_string(i);
    return "P" + std::string(4 - id.size(), '0') + id;
  }
  static std::string Motto(int i) {
    return "Say \"hi\", then \"bye\";\r\n\tsecond line 🎓 " + std::to_string(i);
  }

  void SetUp() override {
    ASSERT_TRUE(InitInstallation(in, false));
    WriteBytes(app::SetupDataPath(in),
               "<CATEGORIES_1><i>Motto</i>, in short</CATEGORIES_1>"
               "<CATEGORIES_2>Plans &amp; dreams</CATEGORIES_2>"
               "<MOVIES_1>1</MOVIES_1><MOVIESFS_1>2</MOVIESFS_1>");
    auto db = platform::OpenDatabase(app::DatabasePath(in));
    ASSERT_TRUE(db->Execute("BEGIN"));
    ASSERT_TRUE(db->Execute("INSERT INTO groups VALUES (1, 'Class A'), (2, 'Class B')"));
    for (int i = kPersons; i >= 1; --i) {
      const std::array<std::string, 4> values = {
          Id(i), "First" + std::to_string(i), "Last, " + std::to_string(i), i % 2 == 0 ? "2" : "1"};
      ASSERT_TRUE(
          db->Execute("INSERT INTO persons VALUES (?1, ?2, ?3)", std::span(values).first(3)));
      const std::array<std::string, 2> membership = {values[3], values[0]};
      ASSERT_TRUE(db->Execute("INSERT INTO group_persons VALUES (?1, ?2)", membership));
      const fs::path profile = in / "Profile" / Id(i);
      fs::create_directories(profile);
      if (i % 5 != 0) {
        WriteBytes(profile / "pr.dat", textdata::FormatProfileRecord(
                                           {i % 2 == 0 ? "Class B" : "Class A",
                                            "First" + std::to_string(i),
                                            "Last, " + std::to_string(i),
                                            {Motto(i), i % 7 == 0 ? "Travel\r\nand sport" : ""}}));
      }
      if (i % 3 == 0) {
        WriteBytes(profile / "image.fwi", "photo");
      }
    }
    ASSERT_TRUE(db->Execute("COMMIT"));
  }

  const TempDir dir;
  const fs::path in = dir / "in";
};

TEST_F(School, StatusCountsEveryPerson) {
  const Roster roster = Read(in);
  ASSERT_EQ(roster.persons.size(), static_cast<std::size_t>(kPersons));
  EXPECT_EQ(roster.persons.front().id, "P0001");
  EXPECT_EQ(roster.persons.back().id, "P0500");
  EXPECT_EQ(Person(roster, "P0003").categoriesFilled, 1u);
  EXPECT_TRUE(Person(roster, "P0003").attachments[1].allowed);
  EXPECT_FALSE(Person(roster, "P0004").attachments[1].allowed);
  EXPECT_TRUE(StatusTable(roster).ends_with(
      "Persons: 500, complete: 19, without a photo: 334, attachments over today's limit: 0\n"));
  EXPECT_EQ(ParseCsv(StatusCsv(roster)).size(), 1u + kPersons);
}

TEST_F(School, CsvExportReadsBackFieldByField) {
  const Outcome written = ExportEntries(in, dir / "out.csv");
  ASSERT_TRUE(written) << written.error;
  const Records csv = ParseCsv(ReadBytes(dir / "out.csv"));
  ASSERT_EQ(csv.size(), 1u + kPersons);
  EXPECT_EQ(csv.front(),
            (std::vector<std::string>{"id", "group", "first_name", "last_name", "Motto, in short",
                                      "Plans & dreams", "photo", "presentation", "movie",
                                      "narration", "slideshow"}));
  for (int i = 1; i <= kPersons; ++i) {
    const auto record = static_cast<std::size_t>(i);
    SCOPED_TRACE(Id(i));
    EXPECT_EQ(Column(csv, record, "id"), Id(i));
    EXPECT_EQ(Column(csv, record, "last_name"), "Last, " + std::to_string(i));
    // Without a record the database's membership stands for the group.
    EXPECT_EQ(Column(csv, record, "group"), i % 2 == 0 ? "Class B" : "Class A");
    EXPECT_EQ(Column(csv, record, "Motto, in short"),
              i % 5 == 0 ? "" : "Say \"hi\", then \"bye\";\n\tsecond line 🎓 " + std::to_string(i));
    EXPECT_EQ(Column(csv, record, "Plans & dreams"),
              i % 7 == 0 && i % 5 != 0 ? "Travel\nand sport" : "");
    EXPECT_EQ(Column(csv, record, "photo"), i % 3 == 0 ? "Profile/" + Id(i) + "/image.fwi" : "");
  }
}

TEST_F(School, JsonExportHoldsTheSameEntries) {
  ASSERT_TRUE(ExportEntries(in, dir / "out.JSON"));
  QJsonParseError error;
  const QJsonDocument document =
      QJsonDocument::fromJson(QByteArray::fromStdString(ReadBytes(dir / "out.JSON")), &error);
  ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
  const QJsonArray entries = document.array();
  ASSERT_EQ(entries.size(), kPersons);
  const QJsonObject seventh = entries[6].toObject();
  EXPECT_EQ(seventh[QLatin1String("id")].toString(), QStringLiteral("P0007"));
  EXPECT_EQ(seventh[QLatin1String("Motto, in short")].toString().toStdString(),
            "Say \"hi\", then \"bye\";\n\tsecond line 🎓 7");
  EXPECT_EQ(seventh[QLatin1String("Plans & dreams")].toString().toStdString(), "Travel\nand sport");
  EXPECT_EQ(At(entries, 5, "Plans & dreams").toString().toStdString(), "");
  EXPECT_TRUE(seventh[QLatin1String("photo")].isNull());
  EXPECT_EQ(At(entries, 5, "photo").toString(), QStringLiteral("Profile/P0006/image.fwi"));
}

struct BadInput {
  const char* name;
  const char* installation;  // relative to the test folder; "in" is the demo
  const char* out;
  const char* message;  // the error names this, relative to the test folder
};

class BadExport : public DemoRoster, public ::testing::WithParamInterface<BadInput> {};

TEST_P(BadExport, FailsNamingTheFileAndWritesNothing) {
  WriteBytes(dir / "damaged/pf.db", std::string(4096, 'x'));
  fs::create_directories(dir / "empty");
  const Tree before = Snapshot(dir.path());
  const Outcome outcome = ExportEntries(dir / GetParam().installation, dir / GetParam().out);
  EXPECT_FALSE(outcome);
  EXPECT_NE(outcome.error.find((dir / GetParam().message).string()), std::string::npos)
      << outcome.error;
  EXPECT_EQ(outcome.error.find('\n'), std::string::npos) << "one line";
  EXPECT_EQ(Snapshot(dir.path()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, BadExport,
    ::testing::Values(BadInput{"MissingInstallation", "nowhere", "out.csv", "nowhere"},
                      BadInput{"NoDatabase", "empty", "out.csv", "empty/pf.db"},
                      BadInput{"DamagedDatabase", "damaged", "out.csv", "damaged/pf.db"},
                      BadInput{"OutInMissingFolder", "in", "missing/out.csv", "missing/out.csv"},
                      BadInput{"OutNeitherCsvNorJson", "in", "out.txt", "out.txt"}),
    RowName());

// The commands as an organiser runs them: the exit status and what each stream shows.
class Commands : public DemoRoster {
 protected:
  // The exit status, a blank, and the lines written to `stream` (1 or 2).
  std::string Run(const std::string& arguments, int stream) {
    const std::string redirect = stream == 1 ? " 2>/dev/null >" : " >/dev/null 2>";
    const int status = std::system(
        ("cd " + dir.path().string() + " && " VT_ADMIN_PATH " " + arguments + redirect + "out.txt")
            .c_str());
    return std::to_string(WEXITSTATUS(status)) + " " + ReadBytes(dir / "out.txt");
  }
};

TEST_F(Commands, ReportFailuresOnOneLine) {
  EXPECT_EQ(Run("status nowhere", 2),
            "1 vellumtide-admin: cannot open nowhere: no such file or directory\n");
  EXPECT_EQ(Run("export in missing/out.json", 2),
            "1 vellumtide-admin: cannot write missing/out.json: no such file or directory\n");
  EXPECT_EQ(Run("status in --format xml", 2),
            "2 vellumtide-admin: unknown format 'xml': use table, csv or json\n");
}

TEST_F(Commands, KeepTheSummaryOutOfMachineReadableOutput) {
  const std::string summary =
      "Persons: 5, complete: 1, without a photo: 4, attachments over today's limit: 0\n";
  EXPECT_EQ(Run("status in --format csv", 2), "0 " + summary);
  EXPECT_TRUE(Run("status in --format=json", 1).starts_with("0 [\n  {\"id\": \"1001\""));
  EXPECT_TRUE(Run("status in", 1).ends_with(summary));
  EXPECT_EQ(Run("export in out.csv", 1), "0 Wrote every entry to out.csv\n");
}

}  // namespace
}  // namespace vt::admin
