#include "tests/support/child.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "files/steps.h"
#include "tests/support/files.h"

namespace vt::test {
namespace {

constexpr int kStopped = 42;
constexpr int kFinished = 43;
int stepsLeft = 0;

void CountStep() {
  if (--stepsLeft == 0) {
    ::_exit(kStopped);
  }
}

// The child's exit status; -1 when it did not exit normally.
int RunChild(const std::function<int()>& work) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::_exit(work());
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
    ADD_FAILURE() << "the child process did not end normally";
    return -1;
  }
  return WEXITSTATUS(status);
}

}  // namespace

bool StoppedAfterStep(int k, const std::function<void()>& work) {
  return RunChild([&] {
           stepsLeft = k;
           files::SetStepHook(CountStep);
           work();
           return kFinished;
         }) == kStopped;
}

bool WithFileSizeLimit(std::uint64_t bytes, const std::function<bool()>& work) {
  return RunChild([&] {
           const rlimit limit{bytes, bytes};
           ::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
           return ::setrlimit(RLIMIT_FSIZE, &limit) == 0 && work() ? 0 : 1;
         }) == 0;
}

Tree Snapshot(const std::filesystem::path& root) {
  Tree tree;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    const std::string name = std::filesystem::relative(entry.path(), root).string();
    tree[name] = entry.is_symlink() ? "-> " + std::filesystem::read_symlink(entry.path()).string()
                 : entry.is_directory() ? "<dir>"
                                        : ReadBytes(entry.path());
  }
  return tree;
}

}  // namespace vt::test
