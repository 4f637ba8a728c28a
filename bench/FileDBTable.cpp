// Writing and reading back a price table (two integer and thirteen double
// columns, the shape of TXXJ) through the file database, against the zlib
// floor: level-1 compression and decompression of the same stream form.
//
//   cmake -S . -B build-bench -DXXJ_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   cmake --build build-bench --target bench_FileDBTable && build-bench/bench_FileDBTable
//
// Counters: ns_per_row / cpu_ns_per_row (wall and CPU time per row of one
// write + read), floor_ratio / cpu_floor_ratio (those times over the zlib
// floor's), read_peak_ratio (peak resident memory growth of
// ReadTable over the stream-form size).

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "filedb/MatrixData.h"
#include "filedb/MemStream.h"
#include "filedb/VelDatabase.h"
#include "platform/Machine.h"

namespace {

using Clock = std::chrono::steady_clock;

// Both sides are timed in wall time and in this thread's CPU time: on a busy
// machine the CPU ratio is the steadier figure.
struct Times {
  double wall = 0;
  double cpu = 0;
};

std::unique_ptr<xxj::TMatrix> PriceTable(int rows) {
  auto matrix = std::make_unique<xxj::TMatrix>();
  matrix->AddColumn<xxj::TMIntColumn>("ID");
  matrix->AddColumn<xxj::TMIntColumn>("YEAR");
  static const char* const prices[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL",
                                       "AUG", "SEP", "OCT", "NOV", "DEC", "YAVG"};
  for (const char* name : prices) matrix->AddColumn<xxj::TMFloatColumn>(name);
  for (int r = 0; r < rows; ++r) {
    matrix->Append();
    matrix->Columns(0).SetAsInteger(r + 1);
    matrix->Columns(1).SetAsInteger(2020 + r % 5);
    // Prices with cents, varying by row and month, as real price tables do.
    for (int m = 0; m < 13; ++m)
      matrix->Columns(2 + m).SetAsFloat(((r * 37 + m * 11) % 100000) / 100.0 + 1);
  }
  return matrix;
}

// The floor: what zlib alone needs to compress and decompress the bytes.
Times ZlibFloor(const ::Bytef* data, size_t size) {
  Times best{1e300, 1e300};
  std::vector<::Bytef> packed(compressBound(size));
  std::vector<::Bytef> unpacked(size);
  for (int rep = 0; rep < 3; ++rep) {
    const auto start = Clock::now();
    const double cpuStart = xxj::bench::ThreadCpuSeconds();
    uLongf packedSize = packed.size();
    compress2(packed.data(), &packedSize, data, size, Z_BEST_SPEED);
    uLongf unpackedSize = size;
    uncompress(unpacked.data(), &unpackedSize, packed.data(), packedSize);
    best.cpu = std::min(best.cpu, xxj::bench::ThreadCpuSeconds() - cpuStart);
    best.wall = std::min(best.wall, std::chrono::duration<double>(Clock::now() - start).count());
  }
  return best;
}

// Peak resident growth while ReadTable runs: the kernel's high-water mark is
// reset to the current resident size first.
double ReadPeakBytes(xxj::TFileDB& db) {
  malloc_trim(0);
  std::ofstream("/proc/self/clear_refs") << "5";
  const long before = xxj::bench::StatusKb("VmRSS:");
  {
    auto table = db.ReadTable("TXXJ");
    benchmark::DoNotOptimize(table.get());
  }
  return (xxj::bench::StatusKb("VmHWM:") - before) * 1024.0;
}

void BM_WriteReadTable(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  auto matrix = PriceTable(rows);
  xxj::TMemStream form;
  matrix->SaveToStream(form);
  const Times floor = ZlibFloor(form.Memory(), static_cast<size_t>(form.Size()));

  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("xxj-bench-" + std::to_string(getpid()) + ".Dek");
  std::filesystem::remove(file);
  Times total;
  int64_t iterations = 0;
  {
    xxj::TFileDB db(xxj::CurrentMachine().FromUnixPath(file.string()));
    for (auto _ : state) {
      const auto start = Clock::now();
      const double cpuStart = xxj::bench::ThreadCpuSeconds();
      db.WriteTable("TXXJ", *matrix);
      auto table = db.ReadTable("TXXJ");
      total.cpu += xxj::bench::ThreadCpuSeconds() - cpuStart;
      total.wall += std::chrono::duration<double>(Clock::now() - start).count();
      ++iterations;
      if (!table || table->RowCount() != rows) state.SkipWithError("table did not read back");
    }
    state.counters["read_peak_ratio"] = ReadPeakBytes(db) / static_cast<double>(form.Size());
  }
  std::filesystem::remove(file);
  const double wall = total.wall / static_cast<double>(iterations);
  const double cpu = total.cpu / static_cast<double>(iterations);
  state.counters["ns_per_row"] = wall * 1e9 / rows;
  state.counters["cpu_ns_per_row"] = cpu * 1e9 / rows;
  state.counters["floor_ratio"] = wall / floor.wall;
  state.counters["cpu_floor_ratio"] = cpu / floor.cpu;
  state.counters["stream_MB"] = static_cast<double>(form.Size()) / 1e6;
}

BENCHMARK(BM_WriteReadTable)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(200000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
