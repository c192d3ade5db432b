// Replays every file of a corpus folder through the fuzz target, without libFuzzer.
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  VT_FUZZ_CHECK(argc == 2 && std::filesystem::is_directory(argv[1]));
  std::vector<std::filesystem::path> inputs(std::filesystem::directory_iterator(argv[1]), {});
  std::sort(inputs.begin(), inputs.end());
  for (const std::filesystem::path& input : inputs) {
    std::printf("%s\n", input.c_str());
    std::fflush(stdout);  // the last name shown is the input that crashed
    const std::string bytes = vt::test::ReadBytes(input);
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  std::printf("%zu inputs replayed\n", inputs.size());
  return inputs.empty() ? 1 : 0;  // an empty corpus would prove nothing
}
