// What a technician and an organiser meet before any installation: the installed files, the
// programs' versions, the manual pages and vellumtide-admin's help.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using vt::test::RowName;
using vt::test::TempDir;

struct Result {
  int status;
  std::string output;
  bool operator==(const Result&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Result& result) {
  return out << "status " << result.status << ", output:\n" << result.output;
}

// Runs a shell line: its exit status and what it wrote to both streams.
Result Shell(const std::string& line) {
  FILE* pipe = ::popen((line + " 2>&1").c_str(), "r");
  std::string output;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    output.append(buffer, n);
  }
  const int status = ::pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

std::string Admin(const std::string& arguments) {
  return std::string(VT_ADMIN_PATH) + " " + arguments;
}

TEST(Install, PutsBothProgramsAndTheirManualPagesUnderThePrefix) {
  const TempDir prefix;
  const Result install = Shell(std::string(VT_CMAKE) + " --install " VT_BUILD_DIR " --prefix " +
                               prefix.path().string());
  ASSERT_EQ(install.status, 0) << install.output;
  for (const std::string program : {"vellumtide", "vellumtide-admin"}) {
    // No display: the wizard answers before Qt would look for one.
    EXPECT_EQ(Shell("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                    (prefix / "bin" / program).string() + " --version"),
              (Result{0, program + " " VT_VERSION "\n"}));
    EXPECT_TRUE(fs::is_regular_file(prefix / "share/man/man1" / (program + ".1.gz"))) << program;
  }
}

struct PageRow {
  const char* name;
  const char* file;
};

class ManualPage : public ::testing::TestWithParam<PageRow> {};

TEST_P(ManualPage, FormatsWithoutWarnings) {
  EXPECT_EQ(Shell(std::string("groff -man -Tutf8 -ww -z " VT_MAN_DIR "/") + GetParam().file),
            (Result{0, ""}));
}

INSTANTIATE_TEST_SUITE_P(Pages, ManualPage,
                         ::testing::Values(PageRow{"Wizard", "vellumtide.1"},
                                           PageRow{"Admin", "vellumtide-admin.1"}),
                         RowName());

// The word after "vellumtide-admin" on each line that starts with it.
std::set<std::string> CommandsShown(const std::string& text) {
  std::set<std::string> commands;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string program;
    std::string command;
    if (words >> program >> command && program == "vellumtide-admin") {
      commands.insert(command);
    }
  }
  return commands;
}

TEST(AdminManualPage, ShowsEveryCommandOfTheUsage) {
  // Plain text on long lines, so that no line of the synopsis is broken.
  const auto documented = CommandsShown(
      Shell("groff -man -Tascii -P-cbou -rLL=300n " VT_MAN_DIR "/vellumtide-admin.1").output);
  const auto commands = CommandsShown(Shell(Admin("--help")).output);
  EXPECT_GE(commands.size(), 6u);
  for (const std::string& command : commands) {
    EXPECT_TRUE(documented.contains(command)) << command;
  }
}

struct HelpRow {
  const char* name;
  const char* arguments;
  int status;
  // What it prints; "{usage}" stands for the whole usage.
  std::string output;
};

class AdminHelp : public ::testing::TestWithParam<HelpRow> {};

TEST_P(AdminHelp, Prints) {
  const HelpRow& row = GetParam();
  std::string expected = row.output;
  if (const std::size_t at = expected.find("{usage}"); at != std::string::npos) {
    const Result usage = Shell(Admin("--help"));
    ASSERT_EQ(usage.status, 0);
    expected.replace(at, 7, usage.output);
  }
  EXPECT_EQ(Shell(Admin(row.arguments)), (Result{row.status, expected}));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AdminHelp,
    ::testing::Values(
        HelpRow{"Alone", "help", 0, "{usage}"},
        HelpRow{"OneCommand", "help attach", 0,
                "  vellumtide-admin attach DIR ID KIND FILE [--yes]\n"
                "                                        attach FILE for person ID as KIND: pres, "
                "mov or nar\n"},
        HelpRow{
            "ItselfWithItsOwnLine", "help help", 0,
            "  vellumtide-admin help [COMMAND]       show the usage of COMMAND, or all of it\n"},
        HelpRow{"UnknownCommand", "help attack", 2,
                "vellumtide-admin: unknown command 'attack'\n{usage}"},
        HelpRow{"TwoCommands", "help init demo", 2,
                "vellumtide-admin: help takes one command\n{usage}"},
        HelpRow{"Version", "--version", 0, "vellumtide-admin " VT_VERSION "\n"},
        HelpRow{"VersionIsNoCommand", "init --version", 2,
                "vellumtide-admin: unknown option '--version'\n{usage}"}),
    RowName());

}  // namespace
