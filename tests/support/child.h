#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

namespace vt::test {

// Runs `work` in a child process that ends at once, as a kill would end it, right after its k-th
// step on disk (k from 1). True when it was stopped there; false when it finished before.
bool StoppedAfterStep(int k, const std::function<void()>& work);

// Runs `work` in a child process whose files may not grow beyond `bytes`, as on a full disk (a
// write past it fails instead of ending the process); its answer. An alarm ends the child after
// 10 s, failing the test.
bool WithFileSizeLimit(std::uint64_t bytes, const std::function<bool()>& work);

// Runs a shell line: its exit status (-1 when it did not exit), a blank, and what it wrote to
// both streams in the order written.
std::string Shell(const std::string& line);

// Every entry below `root`, links not followed: files as their bytes, folders as "<dir>", links as
// "-> target".
using Tree = std::map<std::string, std::string>;
Tree Snapshot(const std::filesystem::path& root);

}  // namespace vt::test
