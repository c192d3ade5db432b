// Lookups in the texts the wizard reads at start-up: a record of 20 categories and the setup data
// of a large installation.
#include <benchmark/benchmark.h>

#include <string>

#include "textdata/profile_record.h"
#include "textdata/setup_data.h"
#include "textdata/tagged_text.h"

namespace {

std::string RecordText(int categories) {
  std::vector<std::string> texts;
  for (int k = 1; k <= categories; ++k) {
    texts.push_back(std::string(2000, 'a' + k % 26) + "\r\n" + std::to_string(k));
  }
  return vt::textdata::FormatProfileRecord({"Year 5 Willow", "Ann", "Lee", texts});
}

std::string SetupText(int groups) {
  std::string text;
  for (int g = 0; g <= groups; ++g) {
    for (const char* stem : {"PRESENTATIONS", "MOVIES", "NARRATIONS"}) {
      const std::string allow = vt::textdata::NumberedName(std::string(stem) + "_", g);
      const std::string size = vt::textdata::NumberedName(std::string(stem) + "FS_", g);
      text += "<" + allow + ">1</" + allow + ">\r\n<" + size + ">2</" + size + ">\r\n";
    }
  }
  return text;
}

// A record of 20 categories, and the largest a profile may hold: 32,766.
void ParseRecord(benchmark::State& state) {
  const std::string text = RecordText(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(vt::textdata::ParseProfileRecord(text));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(ParseRecord)->Arg(20)->Arg(32766);

void LookUpTheLastOfTenThousandGroups(benchmark::State& state) {
  const vt::textdata::TaggedText setup(SetupText(10000));
  for (auto _ : state) {
    benchmark::DoNotOptimize(vt::textdata::IsKindAllowed(setup, "NARRATIONS", 10000));
    benchmark::DoNotOptimize(
        vt::textdata::GetMaxFileSize(setup, "NARRATIONSFS", 10000, vt::textdata::kMaxFileSizes));
  }
}
BENCHMARK(LookUpTheLastOfTenThousandGroups);

}  // namespace
