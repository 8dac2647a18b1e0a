// The benchmarks' entry point: Google Benchmark's flags, and one table printed at the end.

#include <benchmark/benchmark.h>

#include "bench/table_reporter.h"

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bench::TableReporter table;
  benchmark::RunSpecifiedBenchmarks(&table);
  benchmark::Shutdown();
  return 0;
}
