#include "slideshow/package.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "slideshow/ini.h"
#include "tests/support/files.h"
#include "tests/support/package_writer.h"
#include "tests/support/temp_dir.h"

namespace vt::slideshow {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using test::PackageWriter;
using test::ReadBytes;
using test::WriteBytes;

// Every entry below `root`, links not followed: files as their bytes, folders as "<dir>",
// links as "-> target".
std::map<std::string, std::string> Tree(const fs::path& root) {
  std::map<std::string, std::string> tree;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string name = fs::relative(entry.path(), root).string();
    if (entry.is_symlink()) {
      tree[name] = "-> " + fs::read_symlink(entry.path()).string();
    } else if (entry.is_directory()) {
      tree[name] = "<dir>";
    } else {
      tree[name] = ReadBytes(entry.path());
    }
  }
  return tree;
}

// What the package added beside slideshow.dat, which the import also writes to.
std::map<std::string, std::string> Unpacked(const fs::path& folder) {
  auto tree = Tree(folder);
  tree.erase("slideshow.dat");
  return tree;
}

class PackageTest : public ::testing::Test {
 protected:
  PackageTest() {
    fs::create_directories(folder_);
    WriteBytes(dir_ / "outside" / "target.txt", "outside bytes");
  }

  // Writes the package and unpacks it into `folder` through its own trailer.
  void Import(const PackageWriter& writer, const fs::path& folder) {
    writer.Write(package_);
    const std::string header = ReadSlideshowHeader(package_);
    ASSERT_EQ(header, writer.HeaderText()) << "the header no longer fits the trailer";
    ExtractSlideshow(package_, folder, header);
  }
  void Import(const PackageWriter& writer) { Import(writer, folder_); }

  std::string IniValue(std::string_view section, std::string_view key) {
    return mIni::ReadIniValue(section, key, "", folder_ / "slideshow.dat");
  }

  test::TempDir dir_;
  fs::path package_ = dir_ / "show.kvs";
  fs::path folder_ = dir_ / "Slideshows" / "show";
};

// A package holding only `header` in its trailer.
std::string PackageBytes(std::string_view header, std::size_t minimumSize,
                         std::size_t trailerDistance = 0) {
  PackageWriter writer("");
  writer.elements() = {std::string(header)};
  writer.SetMinimumSize(minimumSize);
  writer.SetTrailerDistance(trailerDistance);
  return writer.Bytes();
}

std::string Trailer(std::string_view header) {
  return "<KELVARIN_SLIDESHOW>" + std::string(header) + "</KELVARIN_SLIDESHOW>";
}

TEST_F(PackageTest, ReadsHeaderOnlyFromTheLast1000Bytes) {
  const struct {
    const char* what;
    std::string bytes;
    std::string header;
  } cases[] = {
      {"1000 bytes", PackageBytes("<a>1</a>", 1000), ""},
      {"1001 bytes", PackageBytes("<a>1</a>", 1001), "<a>1</a>"},
      {"trailer 1000 bytes from the end", PackageBytes("<a>1</a>", 1001, 1000), "<a>1</a>"},
      {"trailer 1001 bytes from the end", PackageBytes("<a>1</a>", 1001, 1001), ""},
      {"empty file", "", ""},
      {"no closing tag", std::string(1000, 'x') + "<KELVARIN_SLIDESHOW>h", ""},
      {"any letter case", std::string(1000, 'x') + "<kelvarin_Slideshow>h</Kelvarin_slideshow>",
       "h"},
      {"NUL bytes left out", std::string(1000, 'x') + Trailer("<KELVARIN_\0SLIDESHOW>a\0b"s),
       "<KELVARIN_SLIDESHOW>ab"},
      {"first trailer counts", std::string(1000, 'x') + Trailer("one") + Trailer("two"), "one"},
      {"Windows-1252 header", std::string(1000, 'x') + Trailer("Caf\xE9"), "Caf\xC3\xA9"},
      {"UTF-8 header beside other bytes", std::string(1000, '\xFF') + Trailer("Caf\xC3\xA9"),
       "Caf\xC3\xA9"},
  };
  for (const auto& c : cases) {
    WriteBytes(package_, c.bytes);
    EXPECT_EQ(ReadSlideshowHeader(package_), c.header) << c.what;
  }
  EXPECT_EQ(ReadSlideshowHeader(dir_ / "missing.kvs"), "");
}

TEST_F(PackageTest, UnpacksSlidesVoiceOversAndMusicWhateverTheElementOrder) {
  const std::string dat =
      "[SLIDESHOW]\r\ntotal=3\r\n[VOICE]\r\n1=1\r\n2=0\r\n3=1\r\n[BGMUSIC]\r\nEnable=1\r\n";
  PackageWriter writer(dat);
  writer.AddFile("slide_1_", "a.jpg", "slide one");
  writer.AddFile("slide_2_", "b.jpg", "slide two");
  writer.AddFile("slide_3_", "c.jpg", "slide three");
  writer.AddFile("voice_over_1_", "v1.wav", "voice one");
  writer.AddFile("voice_over_2_", "v2.wav", "voice two, flag 0");
  writer.AddFile("voice_over_3_", "v3.wav", "voice three");
  writer.AddFile("bg_music_", "m.mp3", "music");
  const std::map<std::string, std::string> expected = {
      {"slideshow.dat", dat},   {"a.jpg", "slide one"},  {"b.jpg", "slide two"},
      {"c.jpg", "slide three"}, {"v1.wav", "voice one"}, {"v3.wav", "voice three"},
      {"m.mp3", "music"}};

  for (const char* order : {"as written", "reversed"}) {
    const fs::path folder = dir_ / order;
    fs::create_directory(folder);
    Import(writer, folder);
    EXPECT_EQ(Tree(folder), expected) << order;
    std::reverse(writer.elements().begin(), writer.elements().end());
  }
}

TEST_F(PackageTest, FirstOfEqualTagsCountsAndSlideOneIsNotSlideTen) {
  PackageWriter writer("[SLIDESHOW]\r\ntotal=10\r\n");
  writer.AddFile("slide_10_", "ten.jpg", "ten");
  writer.AddFile("slide_1_", "one.jpg", "one");
  writer.AddElement("slide_1_name", "later.jpg");
  writer.AddElement("ssdat_size", "1");
  Import(writer);
  EXPECT_EQ(Unpacked(folder_),
            (std::map<std::string, std::string>{{"one.jpg", "one"}, {"ten.jpg", "ten"}}));

  // Slide 1 without elements of its own finds nothing inside those of slide 10.
  PackageWriter onlyTen("[SLIDESHOW]\r\ntotal=10\r\n");
  onlyTen.AddFile("slide_10_", "ten.jpg", "ten");
  const fs::path folder = dir_ / "only ten";
  fs::create_directory(folder);
  Import(onlyTen, folder);
  EXPECT_EQ(Unpacked(folder), (std::map<std::string, std::string>{{"ten.jpg", "ten"}}));
}

TEST_F(PackageTest, NameZeroOrEmptyWritesNothingButZeroZeroIsAFile) {
  PackageWriter writer("[SLIDESHOW]\r\ntotal=5\r\n");
  writer.AddFile("slide_1_", "0", "zero");
  writer.AddFile("slide_2_", " 0 ", "zero with blanks");
  writer.AddFile("slide_3_", "00", "double zero");
  writer.AddFile("slide_4_", "", "empty name");
  const std::int64_t start = writer.Append("no name");
  writer.AddElement("slide_5_size", "7");
  writer.AddElement("slide_5_start_pos", std::to_string(start));
  Import(writer);
  EXPECT_EQ(Unpacked(folder_), (std::map<std::string, std::string>{{"00", "double zero"}}));
}

TEST_F(PackageTest, CutsEachStretchAsFarAsThePackageGoes) {
  constexpr std::size_t kSize = 2000;  // fixed by the filler whatever the header holds
  const struct {
    const char* size;
    const char* start;
    std::size_t offset;  // of the expected bytes in the package
    std::size_t length;
  } slides[] = {
      {"0", "1", 0, 0},
      {"4", "0", 0, 4},
      {"4", "-5", 0, 4},
      {" +4 ", " 3 ", 2, 4},
      {"100", "1998", 1997, 3},
      {"3", "2001", 0, 0},
      {"2147483647", "1", 0, kSize},
  };
  PackageWriter writer("[SLIDESHOW]\r\ntotal=7\r\n");
  writer.SetMinimumSize(kSize);
  for (std::size_t i = 0; i < std::size(slides); ++i) {
    const std::string n = "slide_" + std::to_string(i + 1) + "_";
    writer.AddElement(n + "name", "s" + std::to_string(i + 1));
    writer.AddElement(n + "size", slides[i].size);
    writer.AddElement(n + "start_pos", slides[i].start);
  }
  WriteBytes(folder_ / "s1", "an earlier, longer file");
  Import(writer);
  const std::string package = ReadBytes(package_);
  ASSERT_EQ(package.size(), kSize);
  for (std::size_t i = 0; i < std::size(slides); ++i) {
    EXPECT_EQ(ReadBytes(folder_ / ("s" + std::to_string(i + 1))),
              package.substr(slides[i].offset, slides[i].length))
        << "size " << slides[i].size << ", start " << slides[i].start;
  }
}

TEST_F(PackageTest, SkipsOnlyEntriesWhoseSizeOrStartIsNoWholeNumber) {
  const std::vector<std::optional<std::string>> bad = {
      std::nullopt, "",    " ",   "abc", "12x",        "1.0",        "1e3",
      "+-3",        "--1", "0x1", "\t5", "2147483648", "-2147483649"};
  const std::string dat = "[SLIDESHOW]\r\ntotal=" + std::to_string(2 * bad.size() + 2) + "\r\n";
  PackageWriter writer(dat);
  const std::string start = std::to_string(writer.Append("member bytes"));
  int n = 0;
  const auto addSlide = [&](const std::optional<std::string>& size,
                            const std::optional<std::string>& startPos) {
    const std::string prefix = "slide_" + std::to_string(++n) + "_";
    writer.AddElement(prefix + "name", "s" + std::to_string(n));
    if (size) {
      writer.AddElement(prefix + "size", *size);
    }
    if (startPos) {
      writer.AddElement(prefix + "start_pos", *startPos);
    }
  };
  for (const auto& value : bad) {
    addSlide(value, start);
    addSlide("6", value);
  }
  addSlide("-1", start);
  addSlide("6", start);
  writer.Write(package_);
  ExtractSlideshow(package_, folder_, writer.HeaderText());  // more than a trailer holds
  EXPECT_EQ(Unpacked(folder_),
            (std::map<std::string, std::string>{{"s" + std::to_string(n), "member"}}));
}

TEST_F(PackageTest, DescriptionWithoutTotalGivesNoSlidesAndGainsTheDefaults) {
  const std::string dat = "[Other]\r\nkey=kept\r\n";
  PackageWriter writer(dat);
  writer.AddFile("slide_1_", "a.jpg", "slide");
  writer.AddFile("bg_music_", "m.mp3", "music");
  Import(writer);
  EXPECT_EQ(Unpacked(folder_).size(), 0u);
  EXPECT_EQ(IniValue("SLIDESHOW", "total"), "0");
  EXPECT_EQ(IniValue("BGMUSIC", "Enable"), "0");
  EXPECT_EQ(IniValue("Other", "key"), "kept");

  // Without <ssdat_size> the description is never cut out; the defaults start a new one.
  fs::remove(folder_ / "slideshow.dat");
  writer.elements().erase(writer.elements().begin());
  Import(writer);
  EXPECT_EQ(Unpacked(folder_).size(), 0u);
  EXPECT_EQ(IniValue("SLIDESHOW", "total"), "0");
  EXPECT_EQ(IniValue("Other", "key"), "");
}

TEST_F(PackageTest, ReadsCountAndFlagsAsNearestWholeNumbers) {
  const struct {
    const char* total;
    std::size_t slides;
  } counts[] = {{"2.5", 2},   {"3.5", 4}, {" 2abc", 2}, {"\"3\"", 3},
                {"40000", 0}, {"-1", 0},  {"x", 0}};
  for (const auto& c : counts) {
    PackageWriter writer("[SLIDESHOW]\r\ntotal=" + std::string(c.total) + "\r\n");
    for (int n = 1; n <= 5; ++n) {
      writer.AddFile("slide_" + std::to_string(n) + "_", "s" + std::to_string(n), "slide");
    }
    const fs::path folder = dir_ / ("total " + std::string(c.total));
    fs::create_directory(folder);
    Import(writer, folder);
    EXPECT_EQ(Unpacked(folder).size(), c.slides) << c.total;
  }

  const std::string dat =
      "[SLIDESHOW]\r\ntotal=8\r\n[VOICE]\r\n1=1.4\r\n2=0.5\r\n3=2\r\n4=1abc\r\n5=1.5\r\n6= 1\r\n"
      "7=1\r\n[BGMUSIC]\r\nEnable=0.9\r\n";
  PackageWriter writer(dat);
  for (int n = 1; n <= 6; ++n) {
    writer.AddFile("voice_over_" + std::to_string(n) + "_", "v" + std::to_string(n), "voice");
  }
  writer.AddFile("bg_music_", "m", "music");
  Import(writer);
  EXPECT_EQ(Unpacked(folder_),
            (std::map<std::string, std::string>{
                {"m", "music"}, {"v1", "voice"}, {"v4", "voice"}, {"v6", "voice"}}));
  EXPECT_EQ(IniValue("VOICE", "8"), "0");  // every slide gains its flag
}

TEST_F(PackageTest, VoiceOversReplaceSlidesAndMusicComesLast) {
  PackageWriter writer(
      "[SLIDESHOW]\r\ntotal=2\r\n[VOICE]\r\n1=1\r\n2=1\r\n[BGMUSIC]\r\nEnable=1\r\n");
  writer.AddFile("bg_music_", "same.jpg", "music");
  writer.AddFile("voice_over_1_", "same.jpg", "voice");
  writer.AddFile("slide_1_", "same.jpg", "slide");
  writer.AddFile("voice_over_2_", "two.jpg", "");
  writer.AddFile("slide_2_", "two.jpg", "slide two");
  Import(writer);
  EXPECT_EQ(ReadBytes(folder_ / "same.jpg"), "music");
  EXPECT_EQ(ReadBytes(folder_ / "two.jpg"), "");
}

TEST_F(PackageTest, VoiceOverNamedLikeTheDescriptionIsReadFromThenOn) {
  // Slide 1's voice-over replaces slideshow.dat with one that flags slide 3 and drops slide 2's
  // flag: the flags read after it come from the new file, which then gains the defaults it lacks.
  PackageWriter writer("[SLIDESHOW]\r\ntotal=3\r\n[VOICE]\r\n1=1\r\n2=1\r\n");
  writer.AddFile("voice_over_1_", "slideshow.dat", "[VOICE]\r\n3=1\r\n");
  writer.AddFile("voice_over_2_", "two.wav", "two");
  writer.AddFile("voice_over_3_", "three.wav", "three");
  Import(writer);
  EXPECT_FALSE(fs::exists(folder_ / "two.wav"));
  EXPECT_EQ(ReadBytes(folder_ / "three.wav"), "three");
  EXPECT_EQ(ReadBytes(folder_ / "slideshow.dat"),
            "[VOICE]\r\n3=1\r\n2=0\r\n[BGMUSIC]\r\nEnable=0\r\n");
}

TEST_F(PackageTest, ManySlidesGainTheirFlagsInOneWriting) {
  PackageWriter writer("[SLIDESHOW]\r\ntotal=20000\r\n");
  Import(writer);
  EXPECT_EQ(IniValue("VOICE", "1"), "0");
  EXPECT_EQ(IniValue("VOICE", "20000"), "0");
  EXPECT_EQ(IniValue("VOICE", "20001"), "");
  EXPECT_EQ(IniValue("BGMUSIC", "Enable"), "0");
}

// Names no slideshow folder may take, each as a slide name would bring it.
std::vector<std::string> HostileNames(const fs::path& outside) {
  return {"../x",  "../../x",   (outside / "abs").string(),
          "a/b",   "..\\x",     "C:x",
          "C:\\x", ".",         "..",
          "a\0b"s, "a\x01b",    "a\tb",
          "a\x7F", "a\xC2\x85", std::string(300, 'n'),
          "CON",   "nul.txt",   "Com1.jpg",
          "LPT9",  "aux .txt",  "COM\xC2\xB9",
          "x.",    "a<b",       "a>b",
          "a\"b",  "a|b",       "a?b",
          "a*b",   ""};
}

TEST_F(PackageTest, AcceptsOnlyPlainFileNames) {
  for (const std::string& name :
       {"a.jpg"s, "0"s, "00"s, "x.y.z"s, "Caf\xC3\xA9.mp3"s, ".hidden"s, " leading"s,
        "with blank.jpg"s, "com10"s, "CONSOLE.txt"s, "lpt"s, std::string(255, 'n')}) {
    EXPECT_TRUE(IsPlainFileName(name)) << name;
  }
  auto rejected = HostileNames(dir_ / "outside");
  rejected.insert(rejected.end(), {"x ", "x. ", std::string(256, 'n')});
  for (const auto& name : rejected) {
    EXPECT_FALSE(IsPlainFileName(name)) << name;
  }
}

TEST_F(PackageTest, HostileNamesWriteAndDeleteNothingOutsideTheFolder) {
  const fs::path outside = dir_ / "outside";
  WriteBytes(folder_ / "sub" / "inner", "inner");
  fs::create_symlink(outside / "target.txt", folder_ / "victim");
  fs::create_directory_symlink(outside, folder_ / "linked folder");
  std::vector<std::string> names = HostileNames(outside);
  names.insert(names.end(), {"victim", "linked folder", "sub"});

  const std::string dat = "[SLIDESHOW]\r\ntotal=" + std::to_string(names.size() + 2) + "\r\n";
  PackageWriter writer(dat);
  writer.AddFile("slide_1_", "first.jpg", "first");
  for (std::size_t i = 0; i < names.size(); ++i) {
    writer.AddFile("slide_" + std::to_string(i + 2) + "_", names[i], "from the package");
  }
  writer.AddFile("slide_" + std::to_string(names.size() + 2) + "_", "last.jpg", "last");
  writer.Write(package_);
  const auto outsideTheFolder = [&] {
    auto tree = Tree(dir_.path());
    std::erase_if(tree, [](const auto& e) { return e.first.starts_with("Slideshows/show/"); });
    return tree;
  };
  const auto before = outsideTheFolder();

  ExtractSlideshow(package_, folder_, writer.HeaderText());  // NUL bytes in names kept

  EXPECT_EQ(outsideTheFolder(), before);
  EXPECT_EQ(Unpacked(folder_),
            (std::map<std::string, std::string>{{"first.jpg", "first"},
                                                {"last.jpg", "last"},
                                                {"victim", "from the package"},
                                                {"linked folder", "from the package"},
                                                {"sub", "<dir>"},
                                                {"sub/inner", "inner"}}));
}

// Lowers the file size limit, with SIGXFSZ ignored so that a write fails with EFBIG instead.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) : oldHandler_(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit lowered = old_;
    lowered.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*oldHandler_)(int);
};

TEST_F(PackageTest, FailedExtractionLeavesNoFileBehind) {
  WriteBytes(package_, "0123456789abcdefghij");
  WriteBytes(folder_ / "kept.jpg", "old");
  EXPECT_FALSE(ExtractEmbeddedFile("kept.jpg", 3, 1, dir_ / "missing.kvs", folder_));
  EXPECT_FALSE(ExtractEmbeddedFile("kept.jpg", -1, 1, package_, folder_));
  EXPECT_FALSE(ExtractEmbeddedFile("new.jpg", 3, 1, package_, dir_ / "missing folder"));
  EXPECT_FALSE(fs::exists(dir_ / "missing folder"));
  {
    const FileSizeLimit limit(5);
    EXPECT_FALSE(ExtractEmbeddedFile("cut.jpg", 20, 1, package_, folder_));
  }
  EXPECT_EQ(Tree(folder_), (std::map<std::string, std::string>{{"kept.jpg", "old"}}));
  EXPECT_TRUE(ExtractEmbeddedFile("kept.jpg", 3, 11, package_, folder_));
  EXPECT_EQ(ReadBytes(folder_ / "kept.jpg"), "abc");
}

}  // namespace
}  // namespace vt::slideshow
