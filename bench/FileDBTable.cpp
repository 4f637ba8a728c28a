// Writing and reading back a price table (two integer and thirteen double
// columns, the shape of TXXJ) through the file database, against the zlib
// floor: level-1 compression and decompression of the same stream form.
//
//   cmake -S . -B build-bench -DXXJ_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   cmake --build build-bench --target bench_FileDBTable && build-bench/bench_FileDBTable
//
// Counters: ns_per_row (time per row of one write + read), floor_ratio (that
// time over the zlib floor), read_peak_ratio (peak resident memory growth of
// ReadTable over the stream-form size).

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "filedb/MatrixData.h"
#include "filedb/MemStream.h"
#include "filedb/VelDatabase.h"
#include "platform/Machine.h"

namespace {

using Clock = std::chrono::steady_clock;

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
double ZlibFloorSeconds(const ::Bytef* data, size_t size) {
  double best = 1e300;
  std::vector<::Bytef> packed(compressBound(size));
  std::vector<::Bytef> unpacked(size);
  for (int rep = 0; rep < 3; ++rep) {
    const auto start = Clock::now();
    uLongf packedSize = packed.size();
    compress2(packed.data(), &packedSize, data, size, Z_BEST_SPEED);
    uLongf unpackedSize = size;
    uncompress(unpacked.data(), &unpackedSize, packed.data(), packedSize);
    best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
  }
  return best;
}

long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
  return 0;
}

// Peak resident growth while ReadTable runs: the kernel's high-water mark is
// reset to the current resident size first.
double ReadPeakBytes(xxj::TFileDB& db) {
  malloc_trim(0);
  std::ofstream("/proc/self/clear_refs") << "5";
  const long before = StatusKb("VmRSS:");
  {
    auto table = db.ReadTable("TXXJ");
    benchmark::DoNotOptimize(table.get());
  }
  return (StatusKb("VmHWM:") - before) * 1024.0;
}

void BM_WriteReadTable(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  auto matrix = PriceTable(rows);
  xxj::TMemStream form;
  matrix->SaveToStream(form);
  const double floor = ZlibFloorSeconds(form.Memory(), static_cast<size_t>(form.Size()));

  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("xxj-bench-" + std::to_string(getpid()) + ".Dek");
  std::filesystem::remove(file);
  double total = 0;
  int64_t iterations = 0;
  {
    xxj::TFileDB db(xxj::CurrentMachine().FromUnixPath(file.string()));
    for (auto _ : state) {
      const auto start = Clock::now();
      db.WriteTable("TXXJ", *matrix);
      auto table = db.ReadTable("TXXJ");
      total += std::chrono::duration<double>(Clock::now() - start).count();
      ++iterations;
      if (!table || table->RowCount() != rows) state.SkipWithError("table did not read back");
    }
    state.counters["read_peak_ratio"] = ReadPeakBytes(db) / static_cast<double>(form.Size());
  }
  std::filesystem::remove(file);
  const double perIteration = total / static_cast<double>(iterations);
  state.counters["ns_per_row"] = perIteration * 1e9 / rows;
  state.counters["floor_ratio"] = perIteration / floor;
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
