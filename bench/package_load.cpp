// Loading a 100,000-row TXXJ entry (monthly layout) into a dataset, against
// inflating the same entry alone in the same run. Targets: load <= 2x the
// inflate time; peak memory of a load <= 3x the uncompressed entry.

#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "BenchSupport.h"
#include "filedb/MemStream.h"
#include "package/Adtg.h"
#include "package/Dataset.h"
#include "package/EntryCsv.h"
#include "package/uVelFile.h"
#include "platform/WineMachine.h"
#include "support/TextEncoding.h"

namespace {

constexpr int kRows = 100000;

struct Fixture {
  Fixture() {
    folder = std::filesystem::temp_directory_path() / ("xxj-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    machine = xxj::NewWineMachine((folder / "no-prefix").string());
    scope = std::make_unique<xxj::ScopedMachine>(*machine);
    path = machine->FromUnixPath((folder / "txxj.xxj").string());
    {
      xxj::Dataset rows;
      FillMonthly(rows);
      entry = xxj::WriteAdtg(rows, "TXXJ");
    }
    xxj::TXxjFile file(path, xxj::kCreatePackage);
    xxj::TMemStream content;
    content.WriteBuffer(entry.data(), static_cast<int64_t>(entry.size()));
    file.AddEntry(content, "TXXJ", true);
    compressedSize = file.Entries()[0].compressedSize;
    // The deflated bytes alone, for the pure-inflate baseline.
    std::ifstream in(folder / "txxj.xxj", std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), {});
    compressed = all.substr(512 + 30 + 4, compressedSize);
  }
  ~Fixture() {
    scope.reset();
    std::filesystem::remove_all(folder);
  }

  static void FillMonthly(xxj::Dataset& ds) {
    for (const xxj::ColumnSpec& c : *xxj::KnownEntryColumns("TXXJ"))
      ds.AddField(c.name, c.kind, c.size);
    ds.Reserve(kRows);
    // Names, specifications and prices vary as in a real price list, so the
    // entry deflates about as well as real ones do.
    const char* const words[] = {"热轧",   "带肋", "钢筋", "圆钢", "水泥", "砂",   "碎石", "商品",
                                 "混凝土", "镀锌", "钢管", "铜芯", "电缆", "板材", "防水", "涂料"};
    const char* const units[] = {"t", "kg", "m", "m2", "m3", "个", "套"};
    std::mt19937 random(2019);
    for (int i = 0; i < kRows; ++i) {
      std::string nameUtf8;
      for (int w = 0; w < 3; ++w) nameUtf8 += words[random() % 16];
      const std::u16string name = xxj::Utf16FromUtf8(nameUtf8);
      const std::u16string spec = xxj::Utf16FromUtf8("HRB" + std::to_string(300 + random() % 200) +
                                                     " Φ" + std::to_string(6 + random() % 30));
      const double base = 10 + (random() % 500000) / 100.0;
      int f = 0;
      ds.Fields(f++).AppendInt(2019);
      const std::string code = "0101" + std::to_string(100000 + i);
      ds.Fields(f++).AppendText(std::u16string(code.begin(), code.end()));
      ds.Fields(f++).AppendInt(1);
      ds.Fields(f++).AppendText(name);
      ds.Fields(f++).AppendText(xxj::Utf16FromUtf8(units[random() % 7]));
      ds.Fields(f++).AppendInt(2);
      ds.Fields(f++).AppendText(spec);
      ds.Fields(f++).AppendInt(static_cast<int64_t>(base * 10000));
      ds.Fields(f++).AppendInt(i);
      const std::string classes =
          std::to_string(random() % 40) + "," + std::to_string(random() % 40);
      ds.Fields(f++).AppendText(std::u16string(classes.begin(), classes.end()));
      for (int m = 0; m < 12; ++m)
        ds.Fields(f++).AppendDouble(std::round(base * (0.9 + (random() % 2000) / 10000.0) * 100) /
                                    100);
      for (int m = 0; m < 12; ++m) ds.Fields(f++).AppendNull();
      ds.Fields(f++).AppendInt(4150);
      ds.Fields(f++).AppendInt(10000);
      ds.CommitRecord();
    }
  }

  std::filesystem::path folder;
  std::unique_ptr<xxj::Machine> machine;
  std::unique_ptr<xxj::ScopedMachine> scope;
  std::string path;
  std::string entry;
  std::string compressed;
  uint32_t compressedSize = 0;
};

Fixture& Data() {
  static Fixture fixture;
  return fixture;
}

void BM_InflateAlone(benchmark::State& state) {
  Fixture& d = Data();
  for (auto _ : state) {
    // A fresh buffer each time, as a load needs one for its content.
    std::unique_ptr<Bytef[]> out(new Bytef[d.entry.size()]);
    uLongf size = d.entry.size();
    uncompress(out.get(), &size, reinterpret_cast<const Bytef*>(d.compressed.data()),
               d.compressed.size());
    benchmark::DoNotOptimize(out.get());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(d.entry.size()));
}
BENCHMARK(BM_InflateAlone)->Unit(benchmark::kMillisecond);

void BM_ExtractEntry(benchmark::State& state) {
  Fixture& d = Data();
  xxj::TXxjFile file(d.path, xxj::kOpenReadShared);
  for (auto _ : state) {
    xxj::TMemStream out;
    file.ExtractEntry(0, out);
    benchmark::DoNotOptimize(out.Memory());
  }
}
BENCHMARK(BM_ExtractEntry)->Unit(benchmark::kMillisecond);

void BM_LoadEntry(benchmark::State& state) {
  Fixture& d = Data();
  xxj::TXxjFile file(d.path, xxj::kOpenReadShared);
  for (auto _ : state) {
    xxj::Dataset ds;
    file.LoadEntry("TXXJ", ds);
    benchmark::DoNotOptimize(ds.RecordCount());
  }
}
BENCHMARK(BM_LoadEntry)->Unit(benchmark::kMillisecond);

// Peak resident memory one load adds, measured in a child process so the
// benchmark's own allocations do not count. Measured before the timed runs:
// memory they freed would stay resident and hide what a load needs.
long LoadPeakKb() {
  Fixture& d = Data();
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    xxj::TXxjFile file(d.path, xxj::kOpenReadShared);
    std::ofstream("/proc/self/clear_refs") << "5";  // resets the peak to the current size
    const long before = xxj::bench::StatusKb("VmHWM:");
    long peak = -1;
    {
      xxj::Dataset ds;
      file.LoadEntry("TXXJ", ds);
      peak = xxj::bench::StatusKb("VmHWM:");
      if (ds.RecordCount() != kRows) peak = -1;
    }
    const long added = peak - before;
    if (write(pipeFds[1], &added, sizeof added) != sizeof added) _exit(1);
    _exit(0);
  }
  long added = -1;
  if (read(pipeFds[0], &added, sizeof added) != sizeof added) added = -1;
  waitpid(child, nullptr, 0);
  close(pipeFds[0]);
  close(pipeFds[1]);
  return added;
}

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      times[run.benchmark_name()] = run.GetAdjustedRealTime();
      cpuTimes[run.benchmark_name()] = run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
  std::map<std::string, double> cpuTimes;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Fixture& d = Data();
  std::printf("TXXJ entry: %d rows, %zu bytes uncompressed, %u bytes deflated\n", kRows,
              d.entry.size(), d.compressedSize);
  const long peakKb = LoadPeakKb();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double inflate = reporter.times["BM_InflateAlone"];
  const double extract = reporter.times["BM_ExtractEntry"];
  const double load = reporter.times["BM_LoadEntry"];
  if (inflate > 0 && load > 0) {
    // CPU time too: on a busy machine wall time also counts waiting for a core.
    std::printf("LoadEntry / inflate alone: %.2fx wall, %.2fx CPU (target <= 2x)\n", load / inflate,
                reporter.cpuTimes["BM_LoadEntry"] / reporter.cpuTimes["BM_InflateAlone"]);
    std::printf("LoadEntry / ExtractEntry from the file: %.2fx\n", load / extract);
  }
  std::printf(
      "peak memory of one LoadEntry: %.1f MiB = %.2fx the uncompressed entry (target <= 3x)\n",
      peakKb / 1024.0, peakKb * 1024.0 / static_cast<double>(d.entry.size()));
  benchmark::Shutdown();
  return 0;
}
