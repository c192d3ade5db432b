// vellumtide-admin: makes and maintains Vellumtide installations for the organiser.
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tools/admin/installation.h"

namespace {

constexpr std::string_view kUsage =
    "Usage:\n"
    "  vellumtide-admin init DIR [--force]   make an empty installation in DIR\n"
    "  vellumtide-admin demo DIR [--force]   make the sample installation in DIR\n"
    "DIR may be missing or empty. An installation already there is replaced only with --force.\n";

int UsageError(const std::string& message) {
  std::fprintf(stderr, "vellumtide-admin: %s\n%.*s", message.c_str(),
               static_cast<int>(kUsage.size()), kUsage.data());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::fwrite(kUsage.data(), 1, kUsage.size(), stdout);
    return 0;
  }
  if (args.empty()) {
    return UsageError("no command given");
  }
  const std::string& command = args[0];
  if (command != "init" && command != "demo") {
    return UsageError("unknown command '" + command + "'");
  }
  std::vector<std::string> folders;
  bool force = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--force") {
      force = true;
    } else if (args[i].starts_with("-")) {
      return UsageError("unknown option '" + args[i] + "'");
    } else {
      folders.push_back(args[i]);
    }
  }
  if (folders.size() != 1 || folders[0].empty()) {
    return UsageError(command + " takes exactly one folder");
  }
  const std::filesystem::path folder = folders[0];
  const vt::admin::Outcome outcome = command == "init"
                                         ? vt::admin::InitInstallation(folder, force)
                                         : vt::admin::MakeDemoInstallation(folder, force);
  if (!outcome) {
    std::fprintf(stderr, "vellumtide-admin: %s\n", outcome.error.c_str());
    return 1;
  }
  std::printf("%s installation made in %s\n", command == "init" ? "Empty" : "Demo", folder.c_str());
  return 0;
}
