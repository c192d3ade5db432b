// Makes an installation of many persons for bench/status.sh: every person with a membership and a
// profile folder; most with a record of five texts, half with a photo, every fourth with a movie,
// every tenth with a slideshow.
#include <array>
#include <cstdio>
#include <string>

#include "app/paths.h"
#include "app/record_files.h"
#include "files/folder.h"
#include "files/replace.h"
#include "platform/sqlcipher_database.h"
#include "slideshow/import.h"
#include "textdata/profile_record.h"
#include "tools/admin/installation.h"

namespace {

namespace fs = std::filesystem;

constexpr int kGroups = 20;
constexpr int kCategories = 5;

std::string GroupName(int g) {
  return "Class " + std::to_string(g);
}

std::string SetupText() {
  std::string text;
  for (int n = 1; n <= kCategories; ++n) {
    text += "<CATEGORIES_" + std::to_string(n) + "><b>Question</b> " + std::to_string(n) +
            "</CATEGORIES_" + std::to_string(n) + ">\r\n";
  }
  for (int g = 1; g <= kGroups; ++g) {
    const std::string n = std::to_string(g);
    text += "<PRESENTATIONS_" + n + ">1</PRESENTATIONS_" + n + "><PRESENTATIONSFS_" + n +
            ">3</PRESENTATIONSFS_" + n + "><MOVIES_" + n + ">1</MOVIES_" + n + "><MOVIESFS_" + n +
            ">2</MOVIESFS_" + n + "><NARRATIONS_" + n + ">0</NARRATIONS_" + n + ">\r\n";
  }
  return text;
}

bool Fail(const std::string& what) {
  std::fprintf(stderr, "roster_make: %s\n", what.c_str());
  return false;
}

bool InsertRows(vt::database::DatabasePort& db, int persons) {
  bool ok = db.Execute("BEGIN").has_value();
  for (int g = 1; g <= kGroups && ok; ++g) {
    const std::array<std::string, 2> values = {std::to_string(g), GroupName(g)};
    ok = db.Execute("INSERT INTO groups VALUES (?1, ?2)", values).has_value();
  }
  for (int i = 1; i <= persons && ok; ++i) {
    const std::array<std::string, 3> names = {
        std::to_string(100000 + i), "First" + std::to_string(i), "Last" + std::to_string(i)};
    const std::array<std::string, 2> membership = {std::to_string(1 + i % kGroups), names[0]};
    ok = db.Execute("INSERT INTO persons VALUES (?1, ?2, ?3)", names).has_value() &&
         db.Execute("INSERT INTO group_persons VALUES (?1, ?2)", membership).has_value();
  }
  return ok && db.Execute("COMMIT").has_value();
}

bool WriteFile(const fs::path& path, const std::string& bytes) {
  return static_cast<bool>(vt::files::ReplaceFile(path, bytes, vt::files::Durability::kNotFlushed));
}

bool MakeProfile(const fs::path& installation, int i) {
  const std::string id = std::to_string(100000 + i);
  const fs::path profile = *vt::app::ProfileFolder(installation, id);
  if (!vt::files::MakeFolderPath(profile)) {
    return false;
  }
  if (i % 8 == 0) {
    return true;  // a new entry: no record yet
  }
  vt::textdata::ProfileRecord record{
      GroupName(1 + i % kGroups), "First" + std::to_string(i), "Last" + std::to_string(i), {}};
  for (int n = 1; n <= kCategories; ++n) {
    record.categories.push_back(n == kCategories && i % 3 == 0
                                    ? ""
                                    : "An answer of a few words, \"quoted\", on two lines.\r\n" +
                                          std::string(150, 'x'));
  }
  const fs::path slideshow =
      vt::app::SlideshowsFolder(installation) /
      vt::slideshow::SlideshowName(record.group, record.lastName, record.firstName, id);
  return WriteFile(profile / vt::textdata::kProfileRecordName,
                   vt::textdata::FormatProfileRecord(record)) &&
         (i % 2 != 0 || WriteFile(profile / "image.fwi", std::string(40000, 'p'))) &&
         (i % 4 != 0 || WriteFile(profile / "mov.avi", std::string(3000, 'm'))) &&
         (i % 10 != 0 || (vt::files::MakeFolderPath(slideshow) &&
                          WriteFile(slideshow / "slideshow.dat", "[SLIDESHOW]\r\ntotal=12\r\n")));
}

bool Make(const fs::path& installation, int persons) {
  if (const auto made = vt::admin::InitInstallation(installation, false); !made) {
    return Fail(made.error);
  }
  if (!WriteFile(vt::app::SetupDataPath(installation), SetupText())) {
    return Fail("cannot write the setup data");
  }
  auto db = vt::platform::OpenDatabase(vt::app::DatabasePath(installation));
  if (!InsertRows(*db, persons)) {
    return Fail("cannot write the database rows");
  }
  for (int i = 1; i <= persons; ++i) {
    if (!MakeProfile(installation, i)) {
      return Fail("cannot write the profile of person " + std::to_string(i));
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fputs("Usage: roster_make DIR [PERSONS]\n", stderr);
    return 2;
  }
  return Make(argv[1], argc == 3 ? std::stoi(argv[2]) : 10000) ? 0 : 1;
}
