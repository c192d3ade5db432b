// The shared test helpers: files, child processes, packages and the demo installation.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <numeric>

#include "app/paths.h"
#include "database/statements.h"
#include "files/steps.h"
#include "platform/sqlcipher_database.h"
#include "tests/support/child.h"
#include "tests/support/demo_installation.h"
#include "tests/support/files.h"
#include "tests/support/package_writer.h"
#include "textdata/profile_record.h"

namespace vt::test {
namespace {

namespace fs = std::filesystem;
int stepsLeft = 0;

// The child's exit status; -1 when it did not exit normally.
int RunChild(const std::function<int()>& work) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::_exit(work());
  }
  int status = 0;
  const bool exited = child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status);
  EXPECT_TRUE(exited) << "the child process did not end normally";
  return exited ? WEXITSTATUS(status) : -1;
}

}  // namespace

void WriteBytes(const fs::path& path, std::string_view bytes) {
  fs::create_directories(path.parent_path());
  ASSERT_TRUE(std::ofstream(path, std::ios::binary) << bytes) << "cannot write " << path;
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot read " << path;
  return {std::istreambuf_iterator<char>(in), {}};
}

// The child exits with 42 when it is stopped, with 43 when its work finished first.
bool StoppedAfterStep(int k, const std::function<void()>& work) {
  return RunChild([&] {
           stepsLeft = k;
           files::SetStepHook([] {
             if (--stepsLeft == 0) {
               ::_exit(42);
             }
           });
           work();
           return 43;
         }) == 42;
}

bool WithFileSizeLimit(std::uint64_t bytes, const std::function<bool()>& work) {
  return RunChild([&] {
           const rlimit limit{bytes, bytes};
           std::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
           ::alarm(10);                    // a write retried for ever fails, not hangs
           return ::setrlimit(RLIMIT_FSIZE, &limit) == 0 && work() ? 0 : 1;
         }) == 0;
}

std::string Shell(const std::string& line) {
  FILE* pipe = ::popen(("(" + line + ") 2>&1").c_str(), "r");
  std::string output;
  for (char block[4096]; const std::size_t n = std::fread(block, 1, sizeof block, pipe);) {
    output.append(block, n);
  }
  const int status = ::pclose(pipe);
  return std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + " " + output;
}

Tree Snapshot(const fs::path& root) {
  Tree tree;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    tree[fs::relative(entry.path(), root).string()] =
        entry.is_symlink()     ? "-> " + fs::read_symlink(entry.path()).string()
        : entry.is_directory() ? "<dir>"
                               : ReadBytes(entry.path());
  }
  return tree;
}

PackageWriter::PackageWriter(std::string_view slideshowDat) : body_(slideshowDat) {
  AddElement("ssdat_size", std::to_string(slideshowDat.size()));
}

void PackageWriter::AddFile(std::string_view prefix, std::string_view name, std::string_view data) {
  AddElement(std::string(prefix) + "name", name);
  AddElement(std::string(prefix) + "size", std::to_string(data.size()));
  AddElement(std::string(prefix) + "start_pos", std::to_string(body_.size() + 1));
  body_ += data;
}

void PackageWriter::AddElement(std::string_view name, std::string_view value) {
  const std::string tag(name);
  elements_.push_back("<" + tag + ">" + std::string(value) + "</" + tag + ">");
}

std::string PackageWriter::HeaderText() const {
  return std::accumulate(elements_.begin(), elements_.end(), std::string());
}

void PackageWriter::Write(const fs::path& path) const {
  const std::string trailer = "<KELVARIN_SLIDESHOW>" + HeaderText() + "</KELVARIN_SLIDESHOW>";
  const std::size_t padding = minimumSize_ - std::min(minimumSize_, body_.size() + trailer.size());
  WriteBytes(path, body_ + std::string(padding, '\0') + trailer);
}

void WriteDemoInstallation(const fs::path& folder) {
  // Per group: whether presentations, movies and narrations are allowed, then their size classes.
  const std::string rules[] = {"111321", "000000", "110070", "101404"};
  const std::string kinds[] = {"PRESENTATIONS", "MOVIES", "NARRATIONS"};
  std::string setup =
      "<CATEGORIES_1><b>Hobbies</b> and interests</CATEGORIES_1>\r\n"
      "<CATEGORIES_2>My goals for next year</CATEGORIES_2>\r\n"
      "<CATEGORIES_3>A favourite memory</CATEGORIES_3>\r\n";
  for (std::size_t i = 0; i < 24; ++i) {
    const std::string name = kinds[i % 3] + (i % 6 < 3 ? "_" : "FS_") + std::to_string(i / 6 + 1);
    setup += "<" + name + ">" + rules[i / 6][i % 6] + "</" + name + ">\r\n";
  }
  WriteBytes(app::SetupDataPath(folder), setup);
  fs::create_directories(app::SlideshowsFolder(folder));

  const auto db = platform::CreateDatabase(app::DatabasePath(folder));
  ASSERT_TRUE(db && database::CreateSchema(*db));
  for (const char* sql :
       {"INSERT INTO groups VALUES (1, 'Year 5 Willow'), (2, 'Chess & Go Club'), "
        "(3, 'Art Studio'), (4, 'Drama Group')",
        "INSERT INTO persons VALUES (1001, 'Émile', 'Dubois-Laurent'), (1002, 'Ann', 'Lee'), "
        "(1004, 'Jonas', 'Müller'), (1005, 'Maria', 'Åkesson')",
        "INSERT INTO group_persons VALUES (1, 1001), (4, 1001), (2, 1002), (3, 1004)"}) {
    ASSERT_TRUE(db->Execute(sql).has_value()) << sql;
  }
  const auto record = [&folder](const char* id, const textdata::ProfileRecord& record) {
    WriteBytes(app::ProfilesFolder(folder) / id / "pr.dat", textdata::FormatProfileRecord(record));
  };
  const std::vector<std::string> texts = {
      "Football and café visits.\r\nAlso chess.", "Ten books in French.",
      "The school trip to Zürich, when the bus broke down and we sang for two hours."};
  record("1001", {"Year 5 Willow", "Émile", "Dubois-Laurent", texts});
  record("1004", {"Art Studio", "Jonas", "Müller", {}});
  record("1005", {"Former Class 4", "Maria", "Åkesson", {"Painting", "Drawing", "Summer"}});
}

}  // namespace vt::test
