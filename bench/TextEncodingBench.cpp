// Cost of converting one short Chinese cell, as the import does for every
// material name of a package.

#include <benchmark/benchmark.h>

#include "support/TextEncoding.h"

namespace {

void BM_Utf16ToGbk(benchmark::State& state) {
  const std::u16string name = xxj::Utf16FromUtf8("普通硅酸盐水泥 P.O 42.5");
  for (auto _ : state) benchmark::DoNotOptimize(xxj::GbkFromUtf16(name));
}
BENCHMARK(BM_Utf16ToGbk);

void BM_GbkToUtf8(benchmark::State& state) {
  const std::string name = xxj::Gbk("普通硅酸盐水泥 P.O 42.5");
  for (auto _ : state) benchmark::DoNotOptimize(xxj::Utf8FromGbk(name));
}
BENCHMARK(BM_GbkToUtf8);

}  // namespace

BENCHMARK_MAIN();
