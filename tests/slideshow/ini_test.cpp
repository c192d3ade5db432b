#include "slideshow/ini.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace vt::mIni {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

// A file with everything a reader must step over and a writer must leave alone; "Café" is
// Windows-1252, so the file is not valid UTF-8.
const std::string kMixed =
    "; made by hand\r\n[Other]\r\ntotal=9\r\n\r\n[Show]\r\n  ; total=1\r\nTitle=Caf\xE9\r\n"
    "unknown = kept as is\r\nTotal = 3\n\r\n[Last]\r\nend=1";
const std::string kBlanks = "[Show]\r\n\t total \t=\t 3 \t\r\n[ Second Part ]\r\nKey=x\r\n";
const std::string kRepeated =
    "[Show]\r\n;total=1\r\n  ; total=2\r\ntotal=3\r\ntotal=4\r\n[Show]\r\nother=5\r\n";
const std::string kQuotes =
    "[q]\r\ndouble = \"3\"\r\nsingle='a b'\r\nmixed=\"3'\r\nnested=\"\"x\"\"\r\ninner=a \"b\" "
    "c\r\n";
const std::string kLong = "[s]\r\nascii=" + std::string(300, 'x') +
                          "\r\naccented=" + std::string(253, 'a') + "\xC3\xA9\xC3\xA9\r\n";
const std::string kAnsi = "[Show]\r\nTitle=Caf\xE9\r\nNa\xEFve=1\r\n";
const std::string kSections =
    "[a]\r\nx=1\r\n; about b\r\ny=2\r\n\r\n; about c\r\n[c]\r\n[a]\r\nz=3\r\n";

const std::string kNoFile = "(no file)";

struct Case {
  std::string before;  // or kNoFile
  const char* section;
  const char* key;
  std::string value;            // the default, or the value to write
  std::string read;             // what each of two reads gives
  const char* after = nullptr;  // the file afterwards; nullptr: as before
};

// Writes the value first when `write`; then reads the key twice, and compares the file.
void Check(const Case& c, bool write) {
  SCOPED_TRACE(std::string(c.section) + "/" + c.key);
  test::TempDir dir;
  const fs::path file = dir / "slideshow.dat";
  if (c.before != kNoFile) {
    WriteBytes(file, c.before);
  }
  if (write) {
    EXPECT_TRUE(WriteIniValue(c.section, c.key, c.value, file));
  }
  for (int read = 1; read <= 2; ++read) {  // the second read finds what the first wrote
    EXPECT_EQ(ReadIniValue(c.section, c.key, c.value, file), c.read);
  }
  EXPECT_EQ(fs::exists(file) ? ReadBytes(file) : kNoFile, c.after ? c.after : c.before);
}

TEST(IniTest, ReadsValuesAndWritesNonEmptyDefaultsBackOnce) {
  const Case cases[] = {
      {kBlanks, "SHOW", "Total", "", "3"},
      {kBlanks, " show\t", " TOTAL ", "", "3"},
      {kBlanks, "second part", "key", "", "x"},
      {kRepeated, "Show", "total", "", "3"},  // comments skipped, the first key counts
      {kRepeated, "Show", "other", "", ""},   // only the first section counts
      {kMixed, "show", "TOTAL", "", "3"},
      {kMixed, "Other", "total", "", "9"},
      {kMixed, "Last", "end", "", "1"},
      {kQuotes, "q", "double", "", "3"},
      {kQuotes, "q", "single", "", "a b"},
      {kQuotes, "q", "mixed", "", "\"3'"},
      {kQuotes, "q", "nested", "", "\"x\""},
      {kQuotes, "q", "inner", "", "a \"b\" c"},
      {kLong, "s", "ascii", "", std::string(254, 'x')},
      // 253 letters and one "é" are 254 characters though 255 bytes.
      {kLong, "s", "accented", "", std::string(253, 'a') + "\xC3\xA9"},
      {kAnsi, "Show", "Title", "", "Caf\xC3\xA9"},
      {kAnsi, "Show", "Na\xC3\xAFve", "", "1"},
      {"[Show]\r\nTitle=Caf\xC3\xA9\r\n", "Show", "Title", "", "Caf\xC3\xA9"},
      {"[s]\r\na=\r\nd=4\r\n", "s", "a", "1", "1", "[s]\r\na=1\r\nd=4\r\n"},
      {"[s]\r\nb = \"\"\r\n", "s", "b", "2", "2", "[s]\r\nb=2\r\n"},
      // A line without "=" is no key and stays as it is.
      {"[s]\r\nc\r\n", "s", "c", "3", "3", "[s]\r\nc=3\r\nc\r\n"},
      {"[SLIDESHOW]\r\ntotal\r\ntotal=5\r\n", "SLIDESHOW", "total", "", "5"},
      // A byte-order mark hides nothing and is kept.
      {"\xEF\xBB\xBF[Show]\r\ntotal=4\r\n", "Show", "total", "", "4"},
      {"\xEF\xBB\xBF[Show]\r\n", "Show", "total", "0", "0", "\xEF\xBB\xBF[Show]\r\ntotal=0\r\n"},
      {"[s]\r\na=1\r\n", "s", "b", "2", "2", "[s]\r\na=1\r\nb=2\r\n"},
      {kNoFile, "Show", "total", "5", "5", "[Show]\r\ntotal=5\r\n"},
      {"[s]\r\na=\r\n", "s", "a", "", ""},  // an empty default writes nothing
      {"[s]\r\na=\r\n", "s", "missing", "", ""},
      {kNoFile, "s", "a", "", ""},
  };
  for (const Case& c : cases) {
    Check(c, false);
  }
}

TEST(IniTest, WritingChangesOnlyTheLineOfTheKey) {
  std::string mixed = kMixed;
  mixed.replace(mixed.find("Total = 3"), 9, "Total=4");
  const Case cases[] = {
      {kMixed, "show", "TOTAL", "4", "4", mixed.c_str()},
      {kNoFile, "b", "y", "2", "2", "[b]\r\ny=2\r\n"},
      {"[Show]\r\nt=5\r\n", " New ", " key ", "v", "v", "[Show]\r\nt=5\r\n[New]\r\nkey=v\r\n"},
      {"[a]\r\nx=1", "b", "y", "2", "2", "[a]\r\nx=1\r\n[b]\r\ny=2\r\n"},
      {"[a]\r\nx=1", "a", "y", "2", "2", "[a]\r\nx=1\r\ny=2"},  // the missing line end moves
      {"[a]\nx=1\n", "a", "y", "2", "2", "[a]\nx=1\ny=2\n"},
      {"[a]\nx=1\n", "b", "z", "3", "3", "[a]\nx=1\n[b]\nz=3\n"},
      // A new key follows the last key of the first section of that name.
      {kSections, "A", "new", "v", "v",
       "[a]\r\nx=1\r\n; about b\r\ny=2\r\nnew=v\r\n\r\n; about c\r\n[c]\r\n[a]\r\nz=3\r\n"},
      {kSections, "c", "first", "w", "w",
       "[a]\r\nx=1\r\n; about b\r\ny=2\r\n\r\n; about c\r\n[c]\r\nfirst=w\r\n[a]\r\nz=3\r\n"},
      // Written in the file's own encoding.
      {kAnsi, "Show", "Title", "\xC3\x89t\xC3\xA9", "\xC3\x89t\xC3\xA9",
       "[Show]\r\nTitle=\xC9t\xE9\r\nNa\xEFve=1\r\n"},
      {"[Show]\r\nT=Caf\xC3\xA9\r\n", "Show", "N", "\xC3\x89t\xC3\xA9", "\xC3\x89t\xC3\xA9",
       "[Show]\r\nT=Caf\xC3\xA9\r\nN=\xC3\x89t\xC3\xA9\r\n"},
  };
  for (const Case& c : cases) {
    Check(c, true);
  }
}

TEST(IniTest, UnwritablePathFailsAndReadStillAnswersTheDefault) {
  test::TempDir dir;
  const fs::path folder = dir / "slideshow.dat", inMissingFolder = dir / "missing" / "x.dat";
  fs::create_directory(folder);
  for (const fs::path& path : {folder, inMissingFolder}) {
    EXPECT_FALSE(WriteIniValue("s", "k", "v", path));
    EXPECT_EQ(ReadIniValue("s", "k", "7", path), "7");
  }
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_FALSE(fs::exists(inMissingFolder.parent_path()));
}

}  // namespace
}  // namespace vt::mIni
