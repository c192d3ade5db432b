#include "files/folder.h"
#include "slideshow/package.h"
#include "tests/fuzz/fuzz_support.h"

namespace fs = std::filesystem;

// The package's bytes, unpacked into a fresh folder beside a file it must not reach.
VT_FUZZ_TARGET(input) {
  const fs::path root = vt::fuzz::Scratch(), show = root / "show", outside = root / "outside";
  fs::remove_all(show);
  fs::create_directories(show);
  fs::create_directories(outside);
  vt::test::WriteBytes(outside / "target", "outside");
  // Links at names a package may use, to the file and to the folder outside.
  fs::create_symlink(outside / "target", show / "slideshow.dat");
  fs::create_symlink("../outside/target", show / "a.jpg");
  fs::create_symlink(outside, show / "b.mp3");
  vt::test::WriteBytes(root / "package", input);
  const auto folder = vt::files::Folder::Open(show);
  VT_FUZZ_CHECK(static_cast<bool>(folder));
  (void)vt::slideshow::ExtractSlideshow(root / "package", *folder,
                                        vt::slideshow::ReadSlideshowHeader(root / "package"));
  // Nothing was written outside the folder or through a link, and only files were made in it.
  VT_FUZZ_CHECK(vt::test::ReadBytes(outside / "target") == "outside");
  VT_FUZZ_CHECK(std::distance(fs::directory_iterator(outside), {}) == 1 &&
                std::distance(fs::directory_iterator(root), {}) == 3);
  for (const fs::directory_entry& entry : fs::directory_iterator(show)) {
    VT_FUZZ_CHECK(entry.is_symlink() || entry.symlink_status().type() == fs::file_type::regular);
  }
}
