// What comes before any installation: the installed files, the manual pages and the admin's help.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <string>

#include "tests/support/child.h"
#include "tests/support/temp_dir.h"

namespace {

using vt::test::Shell;

TEST(Install, PutsBothProgramsAndTheirManualPagesUnderThePrefix) {
  const vt::test::TempDir prefix;
  const std::string at = prefix.path().string();
  // No display: the wizard answers before Qt would look for one.
  const std::string out = Shell(VT_CMAKE " --install " VT_BUILD_DIR " --prefix " + at +
                                " && unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM && cd " + at +
                                " && bin/vellumtide --version && bin/vellumtide-admin --version && "
                                "LC_ALL=C ls share/man/man1");
  EXPECT_TRUE(out.starts_with("0 ") &&
              out.ends_with("\nvellumtide " VT_VERSION "\nvellumtide-admin " VT_VERSION
                            "\nvellumtide-admin.1.gz\nvellumtide.1.gz\n"))
      << out;
}

// The word after "vellumtide-admin" on each line that starts with it.
std::set<std::string> CommandsShown(const std::string& text) {
  static const std::regex kLine("(^|\n)[ \t]*vellumtide-admin (\\S+)");
  return {std::sregex_token_iterator(text.begin(), text.end(), kLine, 2), {}};
}

TEST(ManualPages, FormatWithoutWarningsAndShowEveryCommandOfTheUsage) {
  EXPECT_EQ(Shell("cd " VT_MAN_DIR " && groff -man -Tutf8 -ww -z *.1"), "0 ");
  const auto commands = CommandsShown(Shell(VT_ADMIN_PATH " --help"));
  // Plain text on long lines, so that no line of the synopsis is broken.
  const auto documented = CommandsShown(
      Shell("groff -man -Tascii -P-cbou -rLL=300n " VT_MAN_DIR "/vellumtide-admin.1"));
  EXPECT_GE(commands.size(), 6u);
  EXPECT_TRUE(std::ranges::includes(documented, commands)) << testing::PrintToString(commands);
}

}  // namespace
