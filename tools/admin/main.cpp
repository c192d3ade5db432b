// vellumtide-admin: makes and maintains Vellumtide installations for the organiser.
#include <QLoggingCategory>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tools/admin/attach.h"
#include "tools/admin/installation.h"

namespace {

constexpr std::string_view kUsage =
    "Usage:\n"
    "  vellumtide-admin init DIR [--force]   make an empty installation in DIR\n"
    "  vellumtide-admin demo DIR [--force]   make the sample installation in DIR\n"
    "  vellumtide-admin attach DIR ID KIND FILE [--yes]\n"
    "                                        attach FILE for person ID as KIND: pres, mov or nar\n"
    "  vellumtide-admin photo DIR ID PICTURE  make PICTURE the profile photo of person ID\n"
    "DIR may be missing or empty for init and demo; an installation already there is replaced\n"
    "only with --force. attach answers the wizard's questions No unless --yes is given.\n";

int UsageError(const std::string& message) {
  std::fprintf(stderr, "vellumtide-admin: %s\n%.*s", message.c_str(),
               static_cast<int>(kUsage.size()), kUsage.data());
  return 2;
}

// A command line split into its words and its flags.
struct Arguments {
  std::vector<std::string> operands;
  std::vector<std::string> flags;
  bool Has(const std::string& flag) const {
    return std::find(flags.begin(), flags.end(), flag) != flags.end();
  }
};

Arguments Split(const std::vector<std::string>& words) {
  Arguments split;
  for (const std::string& word : words) {
    (word.starts_with("--") ? split.flags : split.operands).push_back(word);
  }
  return split;
}

struct Command {
  std::string_view name;
  std::size_t operands;
  std::string_view flag;  // the one option the command takes, if any
};

constexpr Command kCommands[] = {
    {"init", 1, "--force"}, {"demo", 1, "--force"}, {"attach", 4, "--yes"}, {"photo", 3, ""}};

int Report(const vt::admin::Outcome& outcome, const std::string& success) {
  if (!outcome) {
    std::fprintf(stderr, "vellumtide-admin: %s\n", outcome.error.c_str());
    return 1;
  }
  std::printf("%s\n", success.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A damaged picture is reported once, in the tool's own words, not also by the decoder.
  QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio.*.warning=false"));
  const std::vector<std::string> words(argv + 1, argv + argc);
  if (words.size() == 1 && (words[0] == "--help" || words[0] == "-h")) {
    std::fwrite(kUsage.data(), 1, kUsage.size(), stdout);
    return 0;
  }
  if (words.empty()) {
    return UsageError("no command given");
  }
  const auto command = std::find_if(std::begin(kCommands), std::end(kCommands),
                                    [&](const Command& c) { return c.name == words[0]; });
  if (command == std::end(kCommands)) {
    return UsageError("unknown command '" + words[0] + "'");
  }
  const Arguments args = Split({words.begin() + 1, words.end()});
  for (const std::string& flag : args.flags) {
    if (flag != command->flag) {
      return UsageError("unknown option '" + flag + "'");
    }
  }
  const bool anyEmpty = std::any_of(args.operands.begin(), args.operands.end(),
                                    [](const std::string& operand) { return operand.empty(); });
  if (args.operands.size() != command->operands || anyEmpty) {
    return UsageError(words[0] + " takes " + std::to_string(command->operands) +
                      (command->operands == 1 ? " folder" : " arguments"));
  }
  const std::filesystem::path folder = args.operands[0];
  if (command->name == "attach") {
    const std::string& kind = args.operands[2];
    return Report(vt::admin::AttachFile(folder, args.operands[1], kind, args.operands[3],
                                        args.Has("--yes"), stdout),
                  "Attached " + args.operands[3] + " as " + kind + " of " + args.operands[1]);
  }
  if (command->name == "photo") {
    return Report(vt::admin::ChangePhoto(folder, args.operands[1], args.operands[2], stdout),
                  "Made " + args.operands[2] + " the profile photo of " + args.operands[1]);
  }
  const bool demo = command->name == "demo";
  const bool force = args.Has("--force");
  return Report(demo ? vt::admin::MakeDemoInstallation(folder, force)
                     : vt::admin::InitInstallation(folder, force),
                std::string(demo ? "Demo" : "Empty") + " installation made in " + folder.string());
}
