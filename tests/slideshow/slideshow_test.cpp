#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <sstream>

#include "files/folder.h"
#include "files/replace.h"
#include "slideshow/import.h"
#include "slideshow/ini.h"
#include "slideshow/package.h"
#include "tests/support/child.h"
#include "tests/support/files.h"
#include "tests/support/package_writer.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"

namespace vt::slideshow {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using namespace vt::mIni;
using namespace vt::test;

// Everything a reader steps over and a writer leaves alone: a byte-order mark, comments, blanks and
// tabs, quotes, a value of 254 characters in 255 bytes, a line ending in LF alone, a key line
// without "=", a second section of a name and a last line without line end.
const std::string kIni =
    "\xEF\xBB\xBF[Other]\r\ntotal=9\r\n; made by hand\r\n[ Show\t]\r\n  ; total=1\r\n"
    "\t Total \t=\t \"3\" \t\ntotal=4\r\nsingle='a b'\r\nmixed=\"3'\r\n"
    "nested=\"\"x\"\"\r\nlong=" +
    std::string(253, 'a') +
    "\xC3\xA9\xC3\xA9\r\nempty=\r\nquoted=\"\"\r\nnokey\r\n\r\n[c]\r\n[show]\r\n"
    "other=5\r\n[Last]\r\nend=1";

TEST(Ini, ReadsTheFirstKeyOfTheFirstSectionAndWritesOnlyTheLinesItChangesOrNothingWhenItCannot) {
  const TempDir dir;
  const fs::path file = dir / "slideshow.dat";
  const auto read = [&](auto section, auto key, auto fallback) {
    return ReadIniValue(section, key, fallback, file);
  };
  EXPECT_EQ(read("s", "k", ""), "");
  EXPECT_FALSE(fs::exists(file)) << "nothing to write";
  EXPECT_EQ(read("Show", "total", "7"), "7") << "no file";
  EXPECT_EQ(ReadBytes(file), "[Show]\r\ntotal=7\r\n");
  WriteBytes(file, kIni);
  // An empty value, "" and a key line without "=" read as missing: the fallback, later written.
  EXPECT_EQ((std::vector<std::string>{read("other", "TOTAL", ""), read(" SHOW\t", " total ", ""),
                                      read("show", "single", ""), read("show", "mixed", ""),
                                      read("show", "long", ""), read("show", "other", ""),
                                      read("last", "end", ""), read("show", "empty", "1"),
                                      read("show", "quoted", "2"), read("show", "nokey", "3")}),
            (std::vector<std::string>{"9", "3", "a b", "\"3'", std::string(253, 'a') + "\xC3\xA9",
                                      "", "1", "1", "2", "3"}));
  EXPECT_TRUE(WriteIniValue("show", "TOTAL", "\xC3\x89t\xC3\xA9", file) &&
              WriteIniValue("Last", "more", "m", file) && WriteIniValue("c", "first", "w", file) &&
              WriteIniValue(" New ", " key ", "v", file));
  std::string expected = kIni;
  expected.replace(expected.find("\t Total"), 17, "Total=\xC3\x89t\xC3\xA9");
  expected.replace(expected.find("empty="), 24, "empty=1\r\nquoted=2\r\nnokey=3\r\nnokey");
  expected.replace(expected.find("[c]"), 3, "[c]\r\nfirst=w");
  EXPECT_EQ(ReadBytes(file), expected + "\r\nmore=m\r\n[New]\r\nkey=v\r\n");
  // A file with LF line ends gains lines ending so.
  WriteBytes(file, "[Show]\nTitle=1\n");
  EXPECT_TRUE(WriteIniValue("b", "z", "3", file));
  // A file that cannot be read is never replaced, nor one that cannot be written whole.
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  EXPECT_FALSE(WriteIniValue("s", "k", "v", dir / "fifo") ||
               WithFileSizeLimit(8, [&] { return WriteIniValue("b", "z", "4", file); }));
  EXPECT_EQ(ReadBytes(file), "[Show]\nTitle=1\n[b]\nz=3\n");
}

std::string Trailer(const std::string& header) {
  return "<KELVARIN_SLIDESHOW>" + header + "</KELVARIN_SLIDESHOW>";
}

const std::string kTrailer = Trailer("<a>1</a>");  // 49 bytes

struct HeaderCase {
  const char* name;
  std::string bytes, header;
  std::size_t size = 0;  // grown to this many bytes with zeros
};

class HeaderTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderTest, ComesFromTheLast1000BytesOnly) {
  const TempDir dir;
  WriteBytes(dir / "show.kvs", GetParam().bytes);
  fs::resize_file(dir / "show.kvs", std::max(GetParam().size, GetParam().bytes.size()));
  EXPECT_EQ(ReadSlideshowHeader(dir / "show.kvs"), GetParam().header);
}

INSTANTIATE_TEST_SUITE_P(
    Packages, HeaderTest,
    ::testing::Values(
        HeaderCase{"TooSmall", std::string(951, 'x') + kTrailer, ""},
        HeaderCase{"TrailerAtTheFirstByteRead", "x" + kTrailer + std::string(951, 'z'), "<a>1</a>"},
        HeaderCase{"TrailerBeforeTheBytesRead", kTrailer + std::string(952, 'z'), ""},
        HeaderCase{"Windows1252", std::string(1000, 'x') + Trailer("Caf\xE9"), "Caf\xC3\xA9"},
        HeaderCase{"NulsLeftOutAndOnlyTheHeaderDecoded",
                   std::string(1000, '\xFF') + Trailer("a\0b\xC3\xA9"s), "ab\xC3\xA9"},
        HeaderCase{"HugeFileWhoseEndIsAllZeros", std::string(1000, 'x') + Trailer("at the start"),
                   "", std::size_t{100} << 30}),
    RowName());

std::string Slide(int n) {
  return "slide_" + std::to_string(n) + "_";
}

class ImportTest : public ::testing::Test {
 protected:
  ImportTest() { fs::create_directories(slideshows_); }

  // Imports the package as Slideshows/show; what the folder then holds.
  Tree Import(const PackageWriter& writer) {
    writer.Write(package_);
    EXPECT_TRUE(ImportSlideshow(package_, slideshows_, "show", writer.HeaderText()));
    return Snapshot(folder_);
  }

  // An earlier slideshow with a sub-folder of the person's own; what the folder holds.
  Tree PlantOldSlideshow() {
    fs::remove_all(slideshows_);
    WriteBytes(folder_ / "old.jpg", "old");
    WriteBytes(folder_ / "notes" / "mine.txt", "the person's own");
    return Snapshot(folder_);
  }

  TempDir dir_;
  fs::path slideshows_ = dir_ / "Slideshows";
  fs::path folder_ = slideshows_ / "show";
  fs::path package_ = dir_ / "show.kvs";
};

TEST_F(ImportTest, UnpacksEveryEntryThatNamesAPlainFileAndNothingOutsideTheFolderFollowingNoLink) {
  const fs::path outside = dir_ / "outside";
  package_ = folder_ / "show.kvs";  // an organiser may keep it in the folder it replaces
  WriteBytes(outside / "target.txt", "outside");
  WriteBytes(folder_ / "sub" / "inner", "inner");  // the old slideshow's sub-folders move over
  fs::create_symlink(outside / "target.txt", folder_ / "victim");
  fs::create_directory_symlink(outside, folder_ / "linked folder");
  // Slides first, then the voice-overs flagged exactly 1, then the music, each over what an
  // earlier one wrote; a long description is read once for the many slides. The last voice-over
  // replaces the description, and the music's flag is read from the new one.
  PackageWriter writer("[SLIDESHOW]\r\ntotal=32767\r\n" + std::string(2'000'000, '\n') +
                       "[VOICE]\r\n1=1.4\r\n2=1.5\r\n4=1\r\n10=1\r\n32767=1\r\n[BGMUSIC]\r\n"
                       "Enable=0\r\n");
  writer.SetMinimumSize(3'000'000);
  writer.AddFile(Slide(10), "ten.jpg", "ten");
  writer.AddFile(Slide(1), "one.jpg", "one");  // not read from slide 10's elements
  writer.AddFile(Slide(2), "00", "double zero");
  writer.AddFile("voice_over_1_", "v1.wav", "voice one");
  writer.AddFile("voice_over_2_", "v2.wav", "voice two, flag 2");
  writer.AddFile("voice_over_4_", "m.mp3", "voice four");
  writer.AddFile("voice_over_10_", "one.jpg", "voice ten");
  writer.AddFile("voice_over_32767_", "slideshow.dat", "[BGMUSIC]\r\nEnable=1\r\n");
  writer.AddFile("bg_music_", "m.mp3", "music");
  Tree expected = {{"ten.jpg", "ten"},      {"00", "double zero"},
                   {"v1.wav", "voice one"}, {"one.jpg", "voice ten"},
                   {"m.mp3", "music"},      {"sub", "<dir>"},
                   {"sub/inner", "inner"},  {"slideshow.dat", "[BGMUSIC]\r\nEnable=1\r\n"}};
  // A size and a start position cut from the package (from byte 1 when before it), or, when
  // either is no whole number in range, name nothing.
  int n = 10;
  for (const auto& [name, size, start, cut] :
       std::vector<std::array<std::string, 4>>{{"empty", "0", "1", ""},
                                               {"before the first byte", "4", "-5", "[SLI"},
                                               {"blanks and plus", " +4 ", " 3 ", "LIDE"},
                                               {"to the last byte", "3", "2999998", "OW>"},
                                               {"negative size", "-1", "1", "none"},
                                               {"trailing letters", "6", "12x", "none"},
                                               {"two signs", "6", "+-3", "none"},
                                               {"out of range", "2147483648", "1", "none"}}) {
    writer.AddElement(Slide(++n) + "name", name);
    writer.AddElement(Slide(n) + "size", size);
    writer.AddElement(Slide(n) + "start_pos", start);
    if (cut != "none") {
      expected[name] = cut;
    }
  }
  // Names Linux and Windows both hold, written; every other name, skipped, as are "0" and no
  // name at all. One name a line.
  std::istringstream plain(
      "a.jpg\nx.y.z\n\xC3\x80 Caf\xC3\xA9.mp3\n.hidden\ncom10\nCONSOLE.txt\nlpt\n"
      "COM0\nvictim\nlinked folder\n" +
      std::string(255, 'n'));
  for (std::string name; std::getline(plain, name);) {
    writer.AddFile(Slide(++n), name, name);
    expected[name] = name;
  }
  std::istringstream hostile(
      "0\n 0 \n\n../x\n../../x\na/b\n..\\x\nC:x\nC:\\x\n.\n..\na\x01z\na\tb\na\x7F\nCON\n"
      "nul.txt\nLPT9\nx.\na<b\na>b\na\"b\na|b\na?b\n*b\nCom1.jpg\naux .txt\nCOM\xC2\xB9\n"
      "a\xC2\x80\na\xC2\x9F\nx. \na\0b\n"s +
      (outside / "abs").string() + "\n" + std::string(256, 'n'));
  for (std::string name; std::getline(hostile, name);) {
    writer.AddFile(Slide(++n), name, "from the package");
  }
  EXPECT_EQ(Import(writer), expected);
  EXPECT_EQ(ReadBytes(outside / "target.txt"), "outside");
}

TEST_F(ImportTest, TheNameStaysOneLevelDeepAndAnyLinkOrFolderCountsAsThere) {
  EXPECT_EQ(SlideshowName("../up", "a\\b", "c/d/", "e\0f"s), ".._up a_b c_d_ e_f");
  WriteBytes(slideshows_ / "file", "x");
  fs::create_directory(slideshows_ / "folder");
  fs::create_symlink(slideshows_ / "missing", slideshows_ / "link");  // dangling
  EXPECT_TRUE(SlideshowExists(slideshows_, "folder") && SlideshowExists(slideshows_, "link"));
  EXPECT_FALSE(SlideshowExists(slideshows_, "file") || SlideshowExists(dir_ / "none", "folder"));
}

// Here the slideshow's name is a link to a folder elsewhere: replaced, never followed.
TEST_F(ImportTest, ADescriptionWithoutTotalGivesNoSlidesAndGainsTheDefaults) {
  WriteBytes(dir_ / "outside" / "target.txt", "outside");
  fs::create_directory_symlink(dir_ / "outside", folder_);
  PackageWriter writer("[Other]\r\nkey=kept\r\n");
  writer.AddFile(Slide(1), "a.jpg", "slide");
  writer.AddFile("bg_music_", "m.mp3", "music");
  EXPECT_EQ(Import(writer),
            (Tree{{"slideshow.dat",
                   "[Other]\r\nkey=kept\r\n[SLIDESHOW]\r\ntotal=0\r\n[BGMUSIC]\r\nEnable=0\r\n"}}));
  EXPECT_EQ(Snapshot(dir_ / "outside"), (Tree{{"target.txt", "outside"}}));
}

// A way an import fails: a full disk, no package at all, or a file where the slideshow goes. Each
// leaves what was there exactly as it was and nothing else.
struct ImportFailure {
  const char* name;
  bool packageGone = false, fileAtTheName = false;
  std::uint64_t fileSizeLimit = RLIM_INFINITY;
};

class ImportFailureTest : public ImportTest, public ::testing::WithParamInterface<ImportFailure> {};

TEST_P(ImportFailureTest, KeepsWhatStoodAtTheName) {
  PlantOldSlideshow();
  if (GetParam().fileAtTheName) {
    fs::remove_all(folder_);
    WriteBytes(folder_, "a file");
  }
  PackageWriter writer("[SLIDESHOW]\r\ntotal=1\r\n");
  writer.AddFile(Slide(1), "a.jpg", std::string(3000, 'a'));
  if (!GetParam().packageGone) {
    writer.Write(package_);
  }
  const Tree before = Snapshot(slideshows_);
  EXPECT_FALSE(WithFileSizeLimit(GetParam().fileSizeLimit, [&] {
    return !!ImportSlideshow(package_, slideshows_, "show", writer.HeaderText());
  }));
  EXPECT_EQ(Snapshot(slideshows_), before);
}

INSTANTIATE_TEST_SUITE_P(Failures, ImportFailureTest,
                         ::testing::Values(ImportFailure{"FullDisk", false, false, 1000},
                                           ImportFailure{"PackageGone", true},
                                           ImportFailure{"AFileAtTheName", false, true}),
                         RowName());

TEST_F(ImportTest, AKillAtAnyStepLeavesTheOldOrTheNewSlideshowForTheNextImport) {
  PackageWriter writer("[SLIDESHOW]\r\ntotal=1\r\n");
  writer.AddFile(Slide(1), "a.jpg", "slide one");
  const Tree old = PlantOldSlideshow();
  const Tree imported = Import(writer);
  bool stopped = true;
  for (int k = 1; stopped; ++k) {
    SCOPED_TRACE("stopped after step " + std::to_string(k));
    PlantOldSlideshow();
    stopped = StoppedAfterStep(
        k, [&] { ImportSlideshow(package_, slideshows_, "show", writer.HeaderText()); });
    files::SweepLeftovers(*files::Folder::Open(slideshows_));  // as the next import does
    const Tree after = Snapshot(folder_);
    EXPECT_TRUE(after == imported || (stopped && after == old)) << ::testing::PrintToString(after);
    EXPECT_EQ(Snapshot(slideshows_).size(), after.size() + 1) << "a leftover";
  }
}

}  // namespace
}  // namespace vt::slideshow
