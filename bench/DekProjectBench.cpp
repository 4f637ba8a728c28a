// Opening a quota library of realistic size, touching its price table and
// saving it, against the zlib floor of the same file: inflating every table
// blob and deflating every table's stream form at level 1.
//
//   cmake -S . -B build-bench -DXXJ_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   cmake --build build-bench --target bench_DekProjectBench && build-bench/bench_DekProjectBench
//
// Counters: floor_ratio (one open + touch + save over the zlib floor, wall
// clock), floor_ratio_cpu (the same in processor time of this process),
// peak_ratio (peak resident memory growth of that cycle over the library's
// uncompressed size), uncompressed_MB, file_MB.

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "filedb/MatrixData.h"
#include "filedb/VelDatabase.h"
#include "platform/Machine.h"
#include "quota/DekProject.h"

namespace {

using Clock = std::chrono::steady_clock;

// Rows per table: the three large tables of a real library, the rest small.
int RowsOf(const std::string& table) {
  if (table == "TXXJ") return 200000;
  if (table == "TDEZM") return 30000;
  if (table == "TGLJZM") return 20000;
  return 20;
}

// Fills every declared column with a value of its type that varies by row,
// as real tables do; the key columns look like keys.
void FillRow(xxj::TBaseDek& row, const std::string& table, int r) {
  const xxj::TClsInfo& info = row.Catalogue();
  for (int i = 0; i < info.Count(); ++i) {
    const xxj::TClsProp& prop = info.Props(i);
    switch (prop.type) {
      case xxj::TPropType::Integer:
        row.SetIntValue(i, i == 0 ? r + 1 : (r * 7 + i) % 1000);
        break;
      case xxj::TPropType::Double:
      case xxj::TPropType::DateTime:
        row.SetFloatValue(i, ((r * 37 + i * 11) % 100000) / 100.0 + 1);
        break;
      case xxj::TPropType::Boolean:
        row.SetIntValue(i, (r + i) % 2);
        break;
      case xxj::TPropType::String:
        row.SetStrValue(i, prop.name + "-" + std::to_string(r % 5000) + "-" + table);
        break;
      default:
        break;
    }
  }
  if (table == "TXXJ") {
    // Ten years of prices for each of the 20,000 items.
    row.SetIntValue(xxj::TDek_TXXJ::ID, r / 10 + 1);
    row.SetIntValue(xxj::TDek_TXXJ::YEAR, 2015 + r % 10);
  } else if (table == "TGLJZM") {
    row.SetStrValue(xxj::TDek_TGLJZM::ZMBH, "0" + std::to_string(1010000 + r));
    row.SetStrValue(xxj::TDek_TGLJZM::TGLJZM_DJ, "{1||12.5||0||12.5||-1||0}{3||13||0||13||-1||0}");
  }
}

void WriteLibrary(const std::string& path) {
  xxj::TFileDB db(path);
  db.SetIdent("Dek");
  for (const xxj::TDekTableInfo& table : xxj::DekTables()) {
    const xxj::TRowClass& cls = table.rowClass();
    xxj::TDekObjList rows(true);
    const int count = RowsOf(table.tableName);
    for (int r = 0; r < count; ++r) {
      std::unique_ptr<xxj::TBaseDek> row = cls.Create();
      FillRow(*row, table.tableName, r);
      rows.AddObj(std::unique_ptr<xxj::TCustomObject>(row.release()));
    }
    xxj::TMatrix matrix;
    xxj::SaveRowsToMatrix(rows, matrix);
    db.WriteTable(table.tableName, matrix);
  }
}

uint32_t U32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  std::memcpy(&value, bytes.data() + at, 4);
  return value;
}

struct Floor {
  double seconds = 1e300;
  double cpuSeconds = 1e300;
  size_t uncompressed = 0;
};

// Inflates every table blob of the file, then deflates every stream form at
// level 1: the work no save can avoid.
Floor ZlibFloor(const std::string& unixPath) {
  std::ifstream in(unixPath, std::ios::binary);
  const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const uint32_t tables = U32(file, 40);
  Floor floor;
  for (int rep = 0; rep < 3; ++rep) {
    const auto start = Clock::now();
    const double cpuStart = xxj::bench::ProcessCpuSeconds();
    size_t total = 0;
    for (uint32_t t = 0; t < tables; ++t) {
      const uint32_t offset = U32(file, 76 + 8 * t);
      const uint32_t size = U32(file, 76 + 8 * t + 4);
      const uint32_t content = U32(file, offset + 4);
      const uint32_t header = 9 + static_cast<uint8_t>(file[offset + 8]);
      std::vector<Bytef> form(content);
      uLongf formSize = content;
      uncompress(form.data(), &formSize,
                 reinterpret_cast<const Bytef*>(file.data() + offset + header), size - header);
      std::vector<Bytef> packed(compressBound(formSize));
      uLongf packedSize = packed.size();
      compress2(packed.data(), &packedSize, form.data(), formSize, Z_BEST_SPEED);
      total += formSize;
    }
    floor.seconds =
        std::min(floor.seconds, std::chrono::duration<double>(Clock::now() - start).count());
    floor.cpuSeconds = std::min(floor.cpuSeconds, xxj::bench::ProcessCpuSeconds() - cpuStart);
    floor.uncompressed = total;
  }
  return floor;
}

void OpenTouchSave(const std::string& path) {
  xxj::TDekProject project;
  project.Open(path);
  benchmark::DoNotOptimize(project.GetTXXJs()->Count());
  project.SetModified(true);
  project.Save();
}

void BM_OpenTouchSave(benchmark::State& state) {
  const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                     ("xxj-bench-project-" + std::to_string(getpid()) + ".Dek");
  std::filesystem::remove(file);
  const std::string path = xxj::CurrentMachine().FromUnixPath(file.string());
  // Built in a child process, so the memory of building it does not blur the
  // peak measured below.
  const pid_t builder = fork();
  if (builder == 0) {
    WriteLibrary(path);
    _exit(0);
  }
  int status = 0;
  if (builder < 0 || waitpid(builder, &status, 0) != builder || status != 0) {
    state.SkipWithError("could not build the library");
    return;
  }
  const Floor floor = ZlibFloor(file.string());

  // Peak resident growth of one cycle: the kernel's high-water mark is reset
  // to the current resident size first.
  std::ofstream("/proc/self/clear_refs") << "5";
  const long before = xxj::bench::StatusKb("VmRSS:");
  OpenTouchSave(path);
  const double peak = (xxj::bench::StatusKb("VmHWM:") - before) * 1024.0;
  malloc_trim(0);

  double total = 0;
  double cpuTotal = 0;
  int64_t iterations = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    const double cpuStart = xxj::bench::ProcessCpuSeconds();
    OpenTouchSave(path);
    cpuTotal += xxj::bench::ProcessCpuSeconds() - cpuStart;
    total += std::chrono::duration<double>(Clock::now() - start).count();
    ++iterations;
  }
  const double perIteration = total / static_cast<double>(iterations);
  const double cpuPerIteration = cpuTotal / static_cast<double>(iterations);
  state.counters["floor_ratio"] = perIteration / floor.seconds;
  state.counters["floor_ratio_cpu"] = cpuPerIteration / floor.cpuSeconds;
  state.counters["cycle_cpu_ms"] = cpuPerIteration * 1e3;
  state.counters["floor_cpu_ms"] = floor.cpuSeconds * 1e3;
  state.counters["floor_ms"] = floor.seconds * 1e3;
  state.counters["peak_ratio"] = peak / static_cast<double>(floor.uncompressed);
  state.counters["uncompressed_MB"] = static_cast<double>(floor.uncompressed) / 1e6;
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
  std::filesystem::remove(file);
}

BENCHMARK(BM_OpenTouchSave)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
