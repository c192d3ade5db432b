#include "slideshow/package.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "files/folder.h"
#include "files/replace.h"
#include "slideshow/import.h"
#include "slideshow/ini.h"
#include "tests/support/child.h"
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
using Files = std::map<std::string, std::string>;

std::string Slide(std::size_t n) {
  return "slide_" + std::to_string(n) + "_";
}

// Every entry below `root` but slideshow.dat, which the import also writes to.
Files Unpacked(const fs::path& root) {
  Files tree = test::Snapshot(root);
  tree.erase("slideshow.dat");
  return tree;
}

class PackageTest : public ::testing::Test {
 protected:
  PackageTest() {
    fs::create_directories(folder_);
    WriteBytes(dir_ / "outside" / "target.txt", "outside bytes");
  }

  // Imports the package as Slideshows/show, through its own trailer when the header fits one;
  // what the folder holds afterwards.
  Files Import(const PackageWriter& writer, const std::string& trace = {}) {
    writer.Write(package_);
    const std::string header = writer.HeaderText();
    if (header.size() < 900) {
      EXPECT_EQ(ReadSlideshowHeader(package_), header) << "the header no longer fits the trailer";
    }
    const files::Status imported = ImportSlideshow(package_, dir_ / "Slideshows", "show", header);
    EXPECT_TRUE(imported) << trace << ": " << (imported ? "" : imported.error().Describe());
    return Unpacked(folder_);
  }

  std::string IniValue(std::string_view section, std::string_view key) {
    return mIni::ReadIniValue(section, key, "", folder_ / "slideshow.dat");
  }

  test::TempDir dir_;
  fs::path package_ = dir_ / "show.kvs";
  fs::path folder_ = dir_ / "Slideshows" / "show";
};

TEST_F(PackageTest, ReadsHeaderOnlyFromTheLast1000Bytes) {
  // A package of at least `size` bytes with a trailer `distance` bytes before its end.
  const auto package = [](std::size_t size, std::size_t distance = 0) {
    PackageWriter writer("");
    writer.elements() = {"<a>1</a>"};
    writer.SetMinimumSize(size);
    writer.SetTrailerDistance(distance);
    return writer.Bytes();
  };
  const auto trailer = [](const std::string& header) {
    return "<KELVARIN_SLIDESHOW>" + header + "</KELVARIN_SLIDESHOW>";
  };
  const std::string x(1000, 'x');
  const std::pair<std::string, std::string> cases[] = {
      {package(1000), ""},
      {package(1001), "<a>1</a>"},
      {package(1001, 1000), "<a>1</a>"},
      {package(1001, 1001), ""},
      {"", ""},
      {x + "<KELVARIN_SLIDESHOW>h", ""},  // no closing tag
      {x + "<kelvarin_Slideshow>h</Kelvarin_slideshow>", "h"},
      {x + trailer("<KELVARIN_\0SLIDESHOW>a\0b"s), "<KELVARIN_SLIDESHOW>ab"},  // NULs left out
      {x + trailer("one") + trailer("two"), "one"},
      {x + trailer("Caf\xE9"), "Caf\xC3\xA9"},
      {std::string(1000, '\xFF') + trailer("Caf\xC3\xA9"), "Caf\xC3\xA9"},
  };
  for (const auto& [bytes, header] : cases) {
    WriteBytes(package_, bytes);
    EXPECT_EQ(ReadSlideshowHeader(package_), header) << bytes.size() << " bytes: " << header;
  }
  EXPECT_EQ(ReadSlideshowHeader(dir_ / "missing.kvs"), "");
  ASSERT_EQ(::mkfifo((dir_ / "pipe.kvs").c_str(), 0600), 0);
  EXPECT_EQ(ReadSlideshowHeader(dir_ / "pipe.kvs"), "") << "read without waiting for a writer";
  WriteBytes(dir_ / "huge.kvs", x + trailer("at the end"));
  fs::resize_file(dir_ / "huge.kvs", std::uintmax_t{100} << 30);
  EXPECT_EQ(ReadSlideshowHeader(dir_ / "huge.kvs"), "") << "its end is all zeros";
}

TEST_F(PackageTest, UnpacksSlidesVoiceOversAndMusicWhateverTheElementOrder) {
  PackageWriter writer(
      "[SLIDESHOW]\r\ntotal=3\r\n[VOICE]\r\n1=1\r\n2=0\r\n3=1\r\n[BGMUSIC]\r\nEnable=1\r\n");
  writer.AddFile(Slide(1), "a.jpg", "slide one");
  writer.AddFile(Slide(2), "b.jpg", "slide two");
  writer.AddFile(Slide(3), "c.jpg", "slide three");
  writer.AddFile("voice_over_1_", "v1.wav", "voice one");
  writer.AddFile("voice_over_2_", "v2.wav", "voice two, flag 0");
  writer.AddFile("voice_over_3_", "v3.wav", "voice three");
  writer.AddFile("bg_music_", "m.mp3", "music");
  const Files expected = {{"a.jpg", "slide one"},    {"b.jpg", "slide two"},
                          {"c.jpg", "slide three"},  {"v1.wav", "voice one"},
                          {"v3.wav", "voice three"}, {"m.mp3", "music"}};
  EXPECT_EQ(Import(writer, "as written"), expected);
  std::reverse(writer.elements().begin(), writer.elements().end());
  EXPECT_EQ(Import(writer, "reversed"), expected);
}

TEST_F(PackageTest, FirstOfEqualTagsCountsAndOnlyNamesZeroAndEmptyWriteNothing) {
  PackageWriter writer("[SLIDESHOW]\r\ntotal=10\r\n");
  writer.AddFile(Slide(10), "ten.jpg", "ten");
  writer.AddFile(Slide(1), "one.jpg", "one");  // not read from slide 10's elements
  writer.AddElement("slide_1_name", "later.jpg");
  writer.AddElement("ssdat_size", "1");
  writer.AddFile(Slide(2), "0", "zero");
  writer.AddFile(Slide(3), " 0 ", "zero with blanks");
  writer.AddFile(Slide(4), "00", "double zero");
  writer.AddFile(Slide(5), "", "empty name");
  writer.AddElement("slide_6_size", "7");
  writer.AddElement("slide_6_start_pos", std::to_string(writer.Append("no name")));
  EXPECT_EQ(Import(writer), (Files{{"one.jpg", "one"}, {"ten.jpg", "ten"}, {"00", "double zero"}}));
}

TEST_F(PackageTest, CutsEachStretchFromItsStartPosition) {
  constexpr std::size_t kSize = 2000;  // fixed by the filler whatever the header holds
  const struct {
    const char* size;
    const char* start;
    std::size_t offset;  // of the expected bytes in the package
    std::size_t length;
  } slides[] = {
      {"0", "1", 0, 0},      {"4", "0", 0, 4},       {"4", "-5", 0, 4},
      {" +4 ", " 3 ", 2, 4}, {"3", "1998", 1997, 3}, {"2000", "1", 0, kSize},
  };
  PackageWriter writer("[SLIDESHOW]\r\ntotal=6\r\n");
  writer.SetMinimumSize(kSize);
  for (std::size_t i = 0; i < std::size(slides); ++i) {
    writer.AddElement(Slide(i + 1) + "name", "s" + std::to_string(i + 1));
    writer.AddElement(Slide(i + 1) + "size", slides[i].size);
    writer.AddElement(Slide(i + 1) + "start_pos", slides[i].start);
  }
  WriteBytes(folder_ / "s1", "an earlier, longer file");
  const Files unpacked = Import(writer);
  const std::string package = ReadBytes(package_);
  ASSERT_EQ(package.size(), kSize);
  for (std::size_t i = 0; i < std::size(slides); ++i) {
    EXPECT_EQ(unpacked.at("s" + std::to_string(i + 1)),
              package.substr(slides[i].offset, slides[i].length))
        << "size " << slides[i].size << ", start " << slides[i].start;
  }
}

TEST_F(PackageTest, SkipsOnlyEntriesWhoseSizeOrStartIsNoWholeNumber) {
  const std::vector<std::optional<std::string>> bad = {
      std::nullopt, "",    " ",   "abc", "12x",        "1.0",        "1e3",
      "+-3",        "--1", "0x1", "\t5", "2147483648", "-2147483649"};
  PackageWriter writer("[SLIDESHOW]\r\ntotal=" + std::to_string(2 * bad.size() + 2) + "\r\n");
  const std::string start = std::to_string(writer.Append("member bytes"));
  std::size_t n = 0;
  const auto addSlide = [&](const std::optional<std::string>& size,
                            const std::optional<std::string>& startPos) {
    const std::string prefix = Slide(++n);
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
  EXPECT_EQ(Import(writer), (Files{{"s" + std::to_string(n), "member"}}));
}

TEST_F(PackageTest, DescriptionWithoutTotalGivesNoSlidesAndGainsTheDefaults) {
  PackageWriter writer("[Other]\r\nkey=kept\r\n");
  writer.AddFile(Slide(1), "a.jpg", "slide");
  writer.AddFile("bg_music_", "m.mp3", "music");
  EXPECT_EQ(Import(writer), Files{});
  EXPECT_EQ(IniValue("SLIDESHOW", "total"), "0");
  EXPECT_EQ(IniValue("BGMUSIC", "Enable"), "0");
  EXPECT_EQ(IniValue("Other", "key"), "kept");

  // Without <ssdat_size> the description is never cut out; the defaults start a new one.
  fs::remove(folder_ / "slideshow.dat");
  writer.elements().erase(writer.elements().begin());
  EXPECT_EQ(Import(writer), Files{});
  EXPECT_EQ(IniValue("SLIDESHOW", "total"), "0");
  EXPECT_EQ(IniValue("Other", "key"), "");
}

TEST_F(PackageTest, ReadsCountAndFlagsAsNearestWholeNumbersAndUnpacksInTurn) {
  const std::pair<std::string, std::size_t> counts[] = {
      {"2.5", 2}, {"3.5", 4}, {" 2abc", 2}, {"\"3\"", 3}, {"40000", 0}, {"-1", 0}, {"x", 0}};
  for (const auto& [total, slides] : counts) {
    PackageWriter writer("[SLIDESHOW]\r\ntotal=" + total + "\r\n");
    for (std::size_t n = 1; n <= 5; ++n) {
      writer.AddFile(Slide(n), "s" + std::to_string(n), "slide");
    }
    EXPECT_EQ(Import(writer, "total " + total).size(), slides) << total;
  }

  // Voice-overs come after the slides and replace them, the music comes last.
  PackageWriter writer(
      "[SLIDESHOW]\r\ntotal=8\r\n[VOICE]\r\n1=1.4\r\n2=0.5\r\n3=2\r\n4=1abc\r\n5=1.5\r\n6= 1\r\n"
      "7=1\r\n[BGMUSIC]\r\nEnable=0.9\r\n");
  writer.AddFile("bg_music_", "v4", "music");
  for (int n = 1; n <= 6; ++n) {
    writer.AddFile("voice_over_" + std::to_string(n) + "_", "v" + std::to_string(n), "voice");
  }
  writer.AddFile(Slide(1), "v1", "slide");
  EXPECT_EQ(Import(writer), (Files{{"v1", "voice"}, {"v4", "music"}, {"v6", "voice"}}));
  EXPECT_EQ(IniValue("VOICE", "8"), "0");  // every slide gains its flag
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
  std::vector<std::string> names = {
      "../x", "../../x",  "a/b",      "..\\x",       "C:x",       "C:\\x",   ".",
      "..",   "a\x01b",   "a\tb",     "a\x7F",       "CON",       "nul.txt", "LPT9",
      "x.",   "a<b",      "a>b",      "a\"b",        "a|b",       "a?b",     "a*b",
      "",     "Com1.jpg", "aux .txt", "COM\xC2\xB9", "a\xC2\x85",
  };
  names.insert(names.end(), {(outside / "abs").string(), "a\0b"s, std::string(256, 'n')});
  return names;
}

TEST_F(PackageTest, AcceptsPlainFileNames) {
  for (const std::string& name :
       {"a.jpg"s, "0"s, "00"s, "x.y.z"s, "Caf\xC3\xA9.mp3"s, ".hidden"s, " leading"s,
        "with blank.jpg"s, "com10"s, "CONSOLE.txt"s, "lpt"s, std::string(255, 'n')}) {
    EXPECT_TRUE(IsPlainFileName(name)) << name;
  }
  EXPECT_FALSE(IsPlainFileName("x "));  // slide names lose their end blanks before this check
  EXPECT_FALSE(IsPlainFileName("x. "));
}

TEST_F(PackageTest, HostileNamesWriteAndDeleteNothingOutsideTheFolder) {
  const fs::path outside = dir_ / "outside";
  WriteBytes(folder_ / "sub" / "inner", "inner");
  fs::create_symlink(outside / "target.txt", folder_ / "victim");
  fs::create_directory_symlink(outside, folder_ / "linked folder");
  std::vector<std::string> names = HostileNames(outside);
  names.insert(names.end(), {"victim", "linked folder"});

  PackageWriter writer("[SLIDESHOW]\r\ntotal=" + std::to_string(names.size() + 2) + "\r\n");
  writer.AddFile(Slide(1), "first.jpg", "first");
  for (std::size_t i = 0; i < names.size(); ++i) {
    writer.AddFile(Slide(i + 2), names[i], "from the package");
  }
  writer.AddFile(Slide(names.size() + 2), "last.jpg", "last");
  const auto outsideTheFolder = [&] {
    auto tree = Unpacked(dir_.path());
    std::erase_if(tree, [](const auto& e) { return e.first.starts_with("Slideshows/"); });
    return tree;
  };
  writer.Write(package_);
  const auto before = outsideTheFolder();
  EXPECT_EQ(Import(writer), (Files{{"first.jpg", "first"},
                                   {"last.jpg", "last"},
                                   {"victim", "from the package"},
                                   {"linked folder", "from the package"},
                                   {"sub", "<dir>"},
                                   {"sub/inner", "inner"}}));
  EXPECT_EQ(outsideTheFolder(), before);
}

TEST_F(PackageTest, APackageKeptInItsOwnSlideshowFolderIsReadWhole) {
  PackageWriter writer("[SLIDESHOW]\r\ntotal=1\r\n");
  writer.AddFile(Slide(1), "a.jpg", std::string(5000, 'a'));
  package_ = folder_ / "show.kvs";
  EXPECT_EQ(Import(writer), (Files{{"a.jpg", std::string(5000, 'a')}}));
}

TEST_F(PackageTest, ADescriptionOfAMillionLinesIsReadOnce) {
  std::string description = "[SLIDESHOW]\r\ntotal=2\r\n";
  for (int i = 0; i < 1'000'000; ++i) {
    description += "\r\n";
  }
  description += "[VOICE]\r\n2=1\r\n";
  PackageWriter writer(description);
  writer.AddFile("voice_over_2_", "two.wav", "two");
  EXPECT_EQ(Import(writer), (Files{{"two.wav", "two"}}));
  EXPECT_EQ(ReadBytes(folder_ / "slideshow.dat"), description + "1=0\r\n[BGMUSIC]\r\nEnable=0\r\n");
}

// Ways an import fails; each leaves the earlier slideshow exactly as it was and nothing else.
struct ImportFailure {
  std::string name;
  std::function<void(PackageWriter& writer, const fs::path& package)> prepare;
  std::uint64_t fileSizeLimit = 0;  // 0: no limit
};

void PrintTo(const ImportFailure& failure, std::ostream* out) {
  *out << failure.name;
}

class ImportFailureTest : public PackageTest,
                          public ::testing::WithParamInterface<ImportFailure> {};

TEST_P(ImportFailureTest, KeepsTheEarlierSlideshow) {
  WriteBytes(folder_ / "old.jpg", "old");
  WriteBytes(folder_ / "notes" / "mine.txt", "the person's own");
  const test::Tree before = test::Snapshot(dir_ / "Slideshows");
  PackageWriter writer("[SLIDESHOW]\r\ntotal=2\r\n");
  writer.AddFile(Slide(1), "a.jpg", std::string(3000, 'a'));
  GetParam().prepare(writer, package_);
  const std::string header = writer.HeaderText();
  const auto import = [&] {
    return static_cast<bool>(ImportSlideshow(package_, dir_ / "Slideshows", "show", header));
  };
  EXPECT_FALSE(GetParam().fileSizeLimit ? test::WithFileSizeLimit(GetParam().fileSizeLimit, import)
                                        : import());
  EXPECT_EQ(test::Snapshot(dir_ / "Slideshows"), before);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ImportFailureTest,
    ::testing::Values(
        ImportFailure{"MemberPastTheEnd",
                      [](PackageWriter& w, const fs::path& p) {
                        w.AddElement("slide_2_name", "b.jpg");
                        w.AddElement("slide_2_size", "100");
                        w.AddElement("slide_2_start_pos", "4000");
                        w.Write(p);
                      }},
        ImportFailure{"FullDisk", [](PackageWriter& w, const fs::path& p) { w.Write(p); }, 1000},
        ImportFailure{"PackageGoneAfterItsHeaderWasRead",
                      [](PackageWriter& w, const fs::path& p) { w.Write(p.string() + ".gone"); }},
        ImportFailure{"MemberNamedLikeAnEarlierSubfolder",
                      [](PackageWriter& w, const fs::path& p) {
                        w.AddFile(Slide(2), "notes", "a file now");
                        w.Write(p);
                      }}),
    [](const auto& info) { return info.param.name; });

TEST_F(PackageTest, AKillAtAnyStepLeavesTheOldOrTheNewSlideshowForTheNextImport) {
  PackageWriter writer("[SLIDESHOW]\r\ntotal=2\r\n[VOICE]\r\n2=1\r\n");
  writer.AddFile(Slide(1), "a.jpg", "slide one");
  writer.AddFile(Slide(2), "b.jpg", "slide two");
  writer.AddFile("voice_over_2_", "b.wav", "voice two");
  writer.Write(package_);
  const auto prepare = [&] {
    fs::remove_all(dir_ / "Slideshows");
    WriteBytes(folder_ / "old.jpg", "old");
    WriteBytes(folder_ / "notes" / "mine.txt", "the person's own");
  };
  prepare();
  const Files old = test::Snapshot(folder_);
  Import(writer);
  const Files imported = test::Snapshot(folder_);
  bool stopped = true;
  for (int k = 1; stopped; ++k) {
    SCOPED_TRACE("stopped after step " + std::to_string(k));
    prepare();
    stopped = test::StoppedAfterStep(
        k, [&] { ImportSlideshow(package_, dir_ / "Slideshows", "show", writer.HeaderText()); });
    files::SweepLeftovers(*files::Folder::Open(dir_ / "Slideshows"));  // as the next import does
    const Files after = test::Snapshot(folder_);
    EXPECT_TRUE(after == old || after == imported) << ::testing::PrintToString(after);
    EXPECT_EQ(test::Snapshot(dir_ / "Slideshows").size(), after.size() + 1) << "a leftover";
  }
}

}  // namespace
}  // namespace vt::slideshow
