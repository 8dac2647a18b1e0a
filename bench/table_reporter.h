#pragma once
// Collects the benchmark runs and prints one table at the end: each figure with its target and
// whether it was met. Repeated benchmarks give their median (or the named statistic); those run
// once give that run.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace bench {

class TableReporter : public benchmark::BenchmarkReporter {
 public:
  bool ReportContext(const Context& context) override;
  void ReportRuns(const std::vector<Run>& runs) override;
  void Finalize() override;

 private:
  struct Result {
    double realTimeNs = 0;  // per iteration
    std::map<std::string, double> counters;
    bool failed = false;
    std::string error;
    long long repetitions = 1;
  };
  // By benchmark name, then by statistic ("" for a single run).
  std::map<std::string, std::map<std::string, Result>> results_;
  int cpus_ = 0;
  std::string loadAtStart_;
};

}  // namespace bench
