// Opening a host product key in a registry file of realistic size (a used
// prefix's system.reg holds tens of thousands of keys). The baseline is one
// pass over the same text that only splits it into lines.

#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

#include "platform/WineRegistry.h"

namespace {

std::string SyntheticSystemReg(int keys) {
  std::string text = "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n";
  text += "#arch=win64\n";
  for (int i = 0; i < keys; ++i) {
    text += "\n[Software\\\\Classes\\\\CLSID\\\\{" + std::to_string(100000 + i) +
            "-0000-0000-C000-000000000046}\\\\InprocServer32] 1796951969\n"
            "#time=1dd890dab8b9afe\n"
            "@=\"C:\\\\windows\\\\system32\\\\ole32.dll\"\n"
            "\"ThreadingModel\"=\"Both\"\n";
  }
  text +=
      "\n[Software\\\\Wow6432Node\\\\Velmora\\\\ZKPM2016_SZ] 1796951969\n"
      "\"ExePath\"=\"C:\\\\Velmora\\\\\"\n";
  return text;
}

const std::string& Text() {
  static const std::string text = SyntheticSystemReg(40000);
  return text;
}

void BM_SplitLinesBaseline(benchmark::State& state) {
  for (auto _ : state) {
    std::istringstream in(Text());
    std::string line;
    size_t lines = 0;
    while (std::getline(in, line)) ++lines;
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Text().size()));
}
BENCHMARK(BM_SplitLinesBaseline)->Unit(benchmark::kMillisecond);

void BM_OpenProductKey(benchmark::State& state) {
  for (auto _ : state) {
    auto key = xxj::ParseWineRegistryKey(Text(), "\\SOFTWARE\\Velmora\\ZKPM2016_SZ\\",
                                         xxj::RegistryView::Bits32);
    benchmark::DoNotOptimize(key);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Text().size()));
}
BENCHMARK(BM_OpenProductKey)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
