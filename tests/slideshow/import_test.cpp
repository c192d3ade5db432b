#include "slideshow/import.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace vt::slideshow {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using test::ReadBytes;
using test::WriteBytes;

TEST(SlideshowNameTest, JoinsPiecesWithBlanksAndKeepsTheFolderOneLevelDeep) {
  const struct {
    std::string group, last, first, id, name;
  } cases[] = {
      {"Group A", "Doe", "Jane", "17", "Group A Doe Jane 17"},
      {"", "", "", "17", "   17"},
      {" x ", "O'Neil", "Zoë", "id", " x  O'Neil Zoë id"},
      {"../up", "a\\b", "c/d/", "e\0f"s, ".._up a_b c_d_ e_f"},
      {"/", "\\", "", "..", "_ _  .."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SlideshowName(c.group, c.last, c.first, c.id), c.name);
  }
}

TEST(FolderTest, FolderExistsOnlyForFolders) {
  test::TempDir dir;
  WriteBytes(dir / "file", "x");
  fs::create_directory(dir / "folder");
  fs::create_directory_symlink(dir / "folder", dir / "link to folder");
  for (const char* folder : {"folder", "folder/", "link to folder"}) {
    EXPECT_TRUE(FolderExists(dir / folder)) << folder;
  }
  for (const char* other : {"file", "missing", "file/below"}) {
    EXPECT_FALSE(FolderExists(dir / other)) << other;
  }
}

TEST(FolderTest, DeletesFilesAndLinksButNotFoldersOrWhatLinksPointTo) {
  test::TempDir dir;
  const fs::path folder = dir / "show";
  const fs::path outside = dir / "outside";
  WriteBytes(outside / "target.txt", "target");
  WriteBytes(outside / "in linked folder", "stays");
  WriteBytes(folder / "a.jpg", "a");
  WriteBytes(folder / ".hidden", "h");
  WriteBytes(folder / "sub" / "inner", "inner");
  fs::create_directory(folder / "empty sub");
  fs::create_symlink(outside / "target.txt", folder / "file link");
  fs::create_directory_symlink(outside, folder / "folder link");
  fs::create_symlink(dir / "nowhere", folder / "dangling");

  DeleteFilesInFolder(folder);

  std::vector<std::string> left;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    left.push_back(fs::relative(entry.path(), folder).string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"empty sub", "sub", "sub/inner"}));
  EXPECT_EQ(ReadBytes(outside / "target.txt"), "target");
  EXPECT_EQ(ReadBytes(outside / "in linked folder"), "stays");
  DeleteFilesInFolder(dir / "missing");  // nothing to do, nothing thrown
}

}  // namespace
}  // namespace vt::slideshow
