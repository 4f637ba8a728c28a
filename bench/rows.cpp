// Price rows in memory: load 200,000 TXXJ rows from a column table into a
// row list, sort them on (ID, YEAR), look every key up, and write them back,
// against a raw walk of the column table that reads and writes the same cells.
// Prints each step's time, the ratio (load + save) / raw walk, and the heap
// bytes a loaded row takes.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <limits>
#include <memory>
#include <random>

#include "BenchSupport.h"
#include "filedb/MatrixData.h"
#include "quota/DekObjects.h"

namespace xxj {
namespace {

constexpr int kRows = 200000;
constexpr int kPriceColumns = 15;  // ID, YEAR and thirteen doubles

// Best time per step over the benchmark's iterations, in seconds.
struct Best {
  double raw = std::numeric_limits<double>::max();
  double load = raw, sort = raw, find = raw, save = raw;
};
// A library's price table as the project writes it (sorted on its keys), and
// the same rows in random order, where sorting scatters the rows in memory.
Best inKeyOrder, shuffled;

double Seconds(double since) {
  return xxj::bench::ThreadCpuSeconds() - since;
}

std::unique_ptr<TMatrix> PriceMatrix(bool keyOrder) {
  auto matrix = std::make_unique<TMatrix>();
  TDekObjList shape;
  shape.AddObj(std::make_unique<TDek_TXXJ>());
  shape.At<TBaseDek>(0)->DefineColumns(*matrix);
  std::mt19937 random(42);
  std::vector<std::pair<int32_t, int32_t>> keys;
  for (int r = 0; r < kRows; ++r)
    keys.emplace_back(static_cast<int32_t>(random() % (kRows / 4)),
                      2015 + static_cast<int32_t>(random() % 10));
  if (keyOrder) std::sort(keys.begin(), keys.end());
  for (int r = 0; r < kRows; ++r) {
    matrix->Append();
    matrix->Columns(0).SetAsInteger(keys[r].first);
    matrix->Columns(1).SetAsInteger(keys[r].second);
    for (int c = 2; c < kPriceColumns; ++c)
      matrix->Columns(c).SetAsFloat((random() % 100000) / 100.0);
  }
  return matrix;
}

TMatrix& Source(bool keyOrder) {
  static const std::unique_ptr<TMatrix> sorted = PriceMatrix(true);
  static const std::unique_ptr<TMatrix> random = PriceMatrix(false);
  return keyOrder ? *sorted : *random;
}

// The floor: every cell read from one table and written into a new one.
void RawWalk(benchmark::State& state, bool keyOrder) {
  TMatrix& source = Source(keyOrder);
  Best& best = keyOrder ? inKeyOrder : shuffled;
  for (auto _ : state) {
    const auto start = xxj::bench::ThreadCpuSeconds();
    TMatrix target;
    for (int c = 0; c < source.ColumnCount(); ++c) {
      if (c < 2)
        target.AddColumn(&NewColumn<TMIntColumn>, source.Columns(c).Name());
      else
        target.AddColumn(&NewColumn<TMFloatColumn>, source.Columns(c).Name());
    }
    for (source.First(); !source.Eof(); source.Next()) {
      target.Append();
      target.Columns(0).SetAsInteger(source.Columns(0).GetAsInteger());
      target.Columns(1).SetAsInteger(source.Columns(1).GetAsInteger());
      for (int c = 2; c < kPriceColumns; ++c)
        target.Columns(c).SetAsFloat(source.Columns(c).GetAsFloat());
    }
    benchmark::DoNotOptimize(target.RowCount());
    best.raw = std::min(best.raw, Seconds(start));
  }
}

void LoadSortFindSave(benchmark::State& state, bool keyOrder) {
  TMatrix& source = Source(keyOrder);
  Best& best = keyOrder ? inKeyOrder : shuffled;
  for (auto _ : state) {
    auto start = xxj::bench::ThreadCpuSeconds();
    TDekObjList list;
    LoadRowsFromMatrix(source, TDek_TXXJ::ClassRef(), list);
    best.load = std::min(best.load, Seconds(start));

    start = xxj::bench::ThreadCpuSeconds();
    list.SortBy({"ID", "YEAR"}, false);
    best.sort = std::min(best.sort, Seconds(start));

    start = xxj::bench::ThreadCpuSeconds();
    int found = 0;
    for (int i = 0; i < kRows; ++i)
      found += list.FindByProp("ID", Variant(list[i]->GetIntValue(TDek_TXXJ::ID))) != nullptr;
    best.find = std::min(best.find, Seconds(start));
    if (found != kRows) state.SkipWithError("a key was not found");

    start = xxj::bench::ThreadCpuSeconds();
    TMatrix target;
    SaveRowsToMatrix(list, target);
    best.save = std::min(best.save, Seconds(start));
    benchmark::DoNotOptimize(target.RowCount());
  }
}

// Heap bytes per loaded row, measured around loading rows of `cls` from `matrix`.
double HeapBytesPerRow(TMatrix& matrix, const TRowClass& cls) {
  malloc_trim(0);
  const size_t before = mallinfo2().uordblks;
  TDekObjList list;
  LoadRowsFromMatrix(matrix, cls, list);
  const size_t after = mallinfo2().uordblks;
  return static_cast<double>(after - before) / list.Count();
}

// Items with texts of typical lengths (codes, names, units), the string-heavy table.
std::unique_ptr<TMatrix> ItemMatrix(int rows, double& rawBytesPerRow) {
  auto matrix = std::make_unique<TMatrix>();
  TDekObjList shape;
  shape.AddObj(std::make_unique<TDek_TGLJZM>());
  shape.At<TBaseDek>(0)->DefineColumns(*matrix);
  TDek_TGLJZM probe;
  double raw = 0;
  for (int r = 0; r < rows; ++r) {
    matrix->Append();
    for (int c = 0; c < matrix->ColumnCount(); ++c) {
      TMColumn& column = matrix->Columns(c);
      switch (probe.Catalogue().Props(c).type) {
        case TPropType::Integer:
          column.SetAsInteger(r);
          raw += 4;
          break;
        case TPropType::Boolean:
          column.SetAsBoolean(r % 2);
          raw += 1;
          break;
        case TPropType::String: {
          const std::string text = c == TDek_TGLJZM::ZMBH   ? "0101" + std::to_string(r)
                                   : c == TDek_TGLJZM::ZMMC ? "cement 42.5 grade"
                                   : c == TDek_TGLJZM::DW   ? "t"
                                                            : "";
          column.SetAsString(text);
          raw += text.size();
          break;
        }
        default:
          column.SetAsFloat(r * 0.5);
          raw += 8;
          break;
      }
    }
  }
  rawBytesPerRow = raw / rows;
  return matrix;
}

void Report(const char* title, const Best& best) {
  std::printf("\n%s, %d TDek_TXXJ rows, best thread CPU time of the iterations:\n", title, kRows);
  std::printf("  raw matrix walk       %8.1f ms\n", best.raw * 1e3);
  std::printf("  load                  %8.1f ms\n", best.load * 1e3);
  std::printf("  SortBy(ID,YEAR)       %8.1f ms\n", best.sort * 1e3);
  std::printf("  FindByProp x%d     %8.1f ms\n", kRows, best.find * 1e3);
  std::printf("  SaveRowsToMatrix      %8.1f ms\n", best.save * 1e3);
  std::printf("  (load + save) / raw walk = %.2f (target <= 2)\n",
              (best.load + best.save) / best.raw);
}

}  // namespace
}  // namespace xxj

int main(int argc, char** argv) {
  using namespace xxj;
  benchmark::Initialize(&argc, argv);
  for (const bool keyOrder : {true, false}) {
    const std::string suffix = keyOrder ? "/keyOrder" : "/shuffled";
    benchmark::RegisterBenchmark(("RawMatrixWalk" + suffix).c_str(), RawWalk, keyOrder)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5);
    benchmark::RegisterBenchmark(("LoadSortFindSave" + suffix).c_str(), LoadSortFindSave, keyOrder)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  Report("table stored in key order", inKeyOrder);
  Report("table in random order", shuffled);

  const double priceRaw = 2 * 4 + 13 * 8;
  const double priceHeap = HeapBytesPerRow(Source(true), TDek_TXXJ::ClassRef());
  std::printf("\nheap per loaded TDek_TXXJ row: %.1f bytes (raw values %.0f, ratio %.2f)\n",
              priceHeap, priceRaw, priceHeap / priceRaw);
  double itemRaw = 0;
  const auto items = ItemMatrix(50000, itemRaw);
  const double itemHeap = HeapBytesPerRow(*items, TDek_TGLJZM::ClassRef());
  std::printf("heap per loaded TDek_TGLJZM row: %.1f bytes (raw values %.1f, ratio %.2f)\n",
              itemHeap, itemRaw, itemHeap / itemRaw);
  return 0;
}
