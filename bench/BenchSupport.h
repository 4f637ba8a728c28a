#pragma once
// Clocks and memory readings shared by the benchmarks. Processor time is
// reported beside wall time because the build machine is shared, and the
// wall clock then mostly measures the neighbours.

#include <time.h>

#include <cstring>
#include <fstream>
#include <string>

namespace xxj::bench {

inline double Seconds(const timespec& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Processor time of this thread.
inline double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return Seconds(t);
}

// Processor time of the whole process, user and system.
inline double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return Seconds(t);
}

// A "/proc/self/status" figure in KiB ("VmRSS:", "VmHWM:"); -1 when absent.
inline long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::strlen(field)));
  }
  return -1;
}

}  // namespace xxj::bench
