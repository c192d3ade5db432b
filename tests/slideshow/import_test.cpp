#include "slideshow/import.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace vt::slideshow {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
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

TEST(SlideshowExistsTest, AFolderOrAnyLinkCountsAndNothingIsFollowed) {
  test::TempDir dir;
  WriteBytes(dir / "file", "x");
  fs::create_directory(dir / "folder");
  fs::create_directory_symlink(dir / "folder", dir / "link to folder");
  fs::create_symlink(dir / "missing", dir / "dangling link");
  for (const char* name : {"folder", "link to folder", "dangling link"}) {
    EXPECT_TRUE(SlideshowExists(dir.path(), name)) << name;
  }
  for (const char* name : {"file", "missing"}) {
    EXPECT_FALSE(SlideshowExists(dir.path(), name)) << name;
  }
  EXPECT_FALSE(SlideshowExists(dir / "no Slideshows folder", "folder"));
}

}  // namespace
}  // namespace vt::slideshow
