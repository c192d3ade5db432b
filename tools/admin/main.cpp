// vellumtide-admin: makes and maintains Vellumtide installations for the organiser.
#include <unistd.h>
#include <QLoggingCategory>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tools/admin/attach.h"
#include "tools/admin/export.h"
#include "tools/admin/installation.h"
#include "tools/admin/photos.h"
#include "tools/admin/status.h"

namespace {

namespace fs = std::filesystem;
using vt::admin::Outcome;

// An option a command takes: a flag ("--force") or one with a value ("--format csv" or
// "--format=csv").
struct Option {
  std::string_view name;
  bool takesValue = false;
};

// A command line split into its operands and its options.
struct Arguments {
  std::vector<std::string> operands;
  std::vector<std::pair<std::string, std::string>> options;

  bool Has(std::string_view name) const { return Value(name).has_value(); }
  std::optional<std::string> Value(std::string_view name) const {
    for (const auto& [option, value] : options) {
      if (option == name) {
        return value;
      }
    }
    return std::nullopt;
  }
};

struct Command {
  std::string_view name;
  std::size_t operands;
  std::vector<Option> options;
  // The command's lines of the usage text.
  std::string_view usage;
  int (*run)(const Arguments&);
};

int Report(const Outcome& outcome, const std::string& success) {
  if (!outcome) {
    std::fprintf(stderr, "vellumtide-admin: %s\n", outcome.error.c_str());
    return 1;
  }
  std::printf("%s\n", success.c_str());
  return 0;
}

int RunMake(const Arguments& args, bool demo) {
  const fs::path folder = args.operands[0];
  const bool force = args.Has("--force");
  return Report(demo ? vt::admin::MakeDemoInstallation(folder, force)
                     : vt::admin::InitInstallation(folder, force),
                std::string(demo ? "Demo" : "Empty") + " installation made in " + folder.string());
}

int RunInit(const Arguments& args) {
  return RunMake(args, false);
}
int RunDemo(const Arguments& args) {
  return RunMake(args, true);
}

int RunAttach(const Arguments& args) {
  const auto& [folder, id, kind, file] =
      std::tie(args.operands[0], args.operands[1], args.operands[2], args.operands[3]);
  return Report(vt::admin::AttachFile(folder, id, kind, file, args.Has("--yes"), stdout),
                "Attached " + file + " as " + kind + " of " + id);
}

int RunPhoto(const Arguments& args) {
  const auto& [folder, id, picture] =
      std::tie(args.operands[0], args.operands[1], args.operands[2]);
  return Report(vt::admin::ChangePhoto(folder, id, picture, stdout),
                "Made " + picture + " the profile photo of " + id);
}

// The table goes to a person; CSV and JSON go to other programs, so their summary goes apart.
int RunStatus(const Arguments& args) {
  const std::string format = args.Value("--format").value_or("table");
  if (format != "table" && format != "csv" && format != "json") {
    std::fprintf(stderr, "vellumtide-admin: unknown format '%s': use table, csv or json\n",
                 format.c_str());
    return 2;
  }
  vt::admin::Roster roster;
  if (const Outcome read = vt::admin::ReadRoster(args.operands[0], roster); !read) {
    return Report(read, "");
  }
  if (format == "table") {
    std::fputs(vt::admin::StatusTable(roster).c_str(), stdout);
    return 0;
  }
  std::fputs(
      (format == "csv" ? vt::admin::StatusCsv(roster) : vt::admin::StatusJson(roster)).c_str(),
      stdout);
  std::fputs(vt::admin::StatusSummary(roster).c_str(), stderr);
  return 0;
}

int RunExport(const Arguments& args) {
  const auto& [folder, out] = std::tie(args.operands[0], args.operands[1]);
  return Report(vt::admin::ExportEntries(folder, out), "Wrote every entry to " + out);
}

int RunPhotos(const Arguments& args) {
  const std::optional<unsigned> jobs = vt::admin::JobsFrom(args.Value("--jobs"));
  if (!jobs) {
    std::fprintf(stderr, "vellumtide-admin: --jobs takes a whole number from 1 to 1024\n");
    return 2;
  }
  const vt::admin::PhotosRun run{*jobs, ::isatty(STDOUT_FILENO) == 1};
  const auto [made, outcome] =
      vt::admin::ChangePhotos(args.operands[0], args.operands[1], run, stdout, stderr);
  return Report(outcome,
                "Profile photos made from " + args.operands[1] + ": " + std::to_string(made));
}

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"init",
       1,
       {{"--force"}},
       "  vellumtide-admin init DIR [--force]   make an empty installation in DIR\n",
       RunInit},
      {"demo",
       1,
       {{"--force"}},
       "  vellumtide-admin demo DIR [--force]   make the sample installation in DIR\n",
       RunDemo},
      {"attach",
       4,
       {{"--yes"}},
       "  vellumtide-admin attach DIR ID KIND FILE [--yes]\n"
       "                                        attach FILE for person ID as KIND: pres, mov or "
       "nar\n",
       RunAttach},
      {"photo",
       3,
       {},
       "  vellumtide-admin photo DIR ID PICTURE  make PICTURE the profile photo of person ID\n",
       RunPhoto},
      {"status",
       1,
       {{"--format", true}},
       "  vellumtide-admin status DIR [--format table|csv|json]\n"
       "                                        show every person's entry: texts, photo, "
       "attachments\n",
       RunStatus},
      {"export",
       2,
       {},
       "  vellumtide-admin export DIR OUT       write every entry to OUT (.csv or .json) for a "
       "layout\n"
       "                                        program's data merge\n",
       RunExport},
      {"photos",
       2,
       {{"--jobs", true}},
       "  vellumtide-admin photos DIR FOLDER [--jobs N]\n"
       "                                        make each picture in FOLDER named after an ID\n"
       "                                        (1001.jpg) that person's photo, N at a time\n",
       RunPhotos},
  };
  return commands;
}

// The usage lines of what is not a command of the table.
constexpr std::string_view kHelpUsage =
    "  vellumtide-admin help [COMMAND]       show the usage of COMMAND, or all of it\n";
constexpr std::string_view kVersionUsage =
    "  vellumtide-admin --version            show the program's version\n";

const Command* FindCommand(std::string_view name) {
  const auto command = std::find_if(Commands().begin(), Commands().end(),
                                    [&](const Command& c) { return c.name == name; });
  return command == Commands().end() ? nullptr : &*command;
}

std::string Usage() {
  std::string usage = "Usage:\n";
  for (const Command& command : Commands()) {
    usage += command.usage;
  }
  usage.append(kHelpUsage).append(kVersionUsage);
  return usage +
         "DIR may be missing or empty for init and demo; an installation already there is "
         "replaced\n"
         "only with --force. attach answers the wizard's questions No unless --yes is given.\n";
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "vellumtide-admin: %s\n%s", message.c_str(), Usage().c_str());
  return 2;
}

// Splits the words after the command into operands and the command's options; the error to show
// when a word is an option the command does not take or a value is missing.
std::optional<std::string> Split(const Command& command, std::span<const std::string> words,
                                 Arguments& args) {
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (!word.starts_with("--")) {
      args.operands.push_back(word);
      continue;
    }
    const std::size_t equals = word.find('=');
    const std::string name = word.substr(0, equals);
    const auto option = std::find_if(command.options.begin(), command.options.end(),
                                     [&](const Option& o) { return o.name == name; });
    if (option == command.options.end() || (!option->takesValue && equals != std::string::npos)) {
      return "unknown option '" + word + "'";
    }
    if (!option->takesValue) {
      args.options.emplace_back(name, "");
    } else if (equals != std::string::npos) {
      args.options.emplace_back(name, word.substr(equals + 1));
    } else if (i + 1 < words.size()) {
      args.options.emplace_back(name, words[++i]);
    } else {
      return "option '" + name + "' needs a value";
    }
  }
  return std::nullopt;
}

// `help`: the whole usage; `help COMMAND`: that command's lines.
int Help(std::span<const std::string> topics) {
  if (topics.size() > 1) {
    return UsageError("help takes one command");
  }
  std::string text;
  if (topics.empty()) {
    text = Usage();
  } else if (topics[0] == "help") {
    text = kHelpUsage;
  } else if (const Command* command = FindCommand(topics[0])) {
    text = command->usage;
  } else {
    return UsageError("unknown command '" + topics[0] + "'");
  }
  std::fputs(text.c_str(), stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A damaged picture is reported once, in the tool's own words, not also by the decoder.
  QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio.*.warning=false"));
  const std::vector<std::string> words(argv + 1, argv + argc);
  if (words.size() == 1 && (words[0] == "--help" || words[0] == "-h")) {
    std::fputs(Usage().c_str(), stdout);
    return 0;
  }
  if (words.size() == 1 && words[0] == "--version") {
    std::printf("vellumtide-admin %s\n", VT_VERSION);
    return 0;
  }
  if (words.empty()) {
    return UsageError("no command given");
  }
  if (words[0] == "help") {
    return Help(std::span(words).subspan(1));
  }
  const Command* command = FindCommand(words[0]);
  if (command == nullptr) {
    return UsageError("unknown command '" + words[0] + "'");
  }
  Arguments args;
  if (const auto error = Split(*command, std::span(words).subspan(1), args)) {
    return UsageError(*error);
  }
  const bool anyEmpty = std::any_of(args.operands.begin(), args.operands.end(),
                                    [](const std::string& operand) { return operand.empty(); });
  if (args.operands.size() != command->operands || anyEmpty) {
    return UsageError(words[0] + " takes " + std::to_string(command->operands) +
                      (command->operands == 1 ? " folder" : " arguments"));
  }
  return command->run(args);
}
