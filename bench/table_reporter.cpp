#include "bench/table_reporter.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <optional>
#include <sstream>

namespace bench {

namespace {

std::string ProcessorName() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line)) {
    if (line.rfind("model name", 0) != 0) continue;
    const std::size_t colon = line.find(':');
    if (colon != std::string::npos) return line.substr(line.find_first_not_of(" \t", colon + 1));
  }
  return "unknown processor";
}

std::string LoadAverage() {
  std::ifstream loadavg("/proc/loadavg");
  double one = 0, five = 0, fifteen = 0;
  if (!(loadavg >> one >> five >> fifteen)) return "unknown";
  char text[64];
  std::snprintf(text, sizeof text, "%.2f, %.2f, %.2f", one, five, fifteen);
  return text;
}

double NsPer(benchmark::TimeUnit unit) {
  switch (unit) {
    case benchmark::kNanosecond:
      return 1;
    case benchmark::kMicrosecond:
      return 1e3;
    case benchmark::kMillisecond:
      return 1e6;
    case benchmark::kSecond:
      return 1e9;
  }
  return 1;
}

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

struct Row {
  std::string figure;
  std::string measured;
  std::string target;
  std::optional<bool> met;  // none: no target
};

}  // namespace

bool TableReporter::ReportContext(const Context& context) {
  cpus_ = context.cpu_info.num_cpus;
  loadAtStart_ = LoadAverage();
  std::fprintf(stderr, "Running the benchmarks (load average %s)...\n", loadAtStart_.c_str());
  return true;
}

void TableReporter::ReportRuns(const std::vector<Run>& runs) {
  for (const Run& run : runs) {
    if (run.run_type == Run::RT_Aggregate && run.aggregate_unit != benchmark::kTime) continue;
    Result result;
    result.failed = run.error_occurred;
    result.error = run.error_message;
    result.repetitions = run.repetitions;
    result.realTimeNs = run.GetAdjustedRealTime() * NsPer(run.time_unit);
    for (const auto& [name, counter] : run.counters) result.counters[name] = counter.value;
    const std::string stat = run.run_type == Run::RT_Aggregate ? run.aggregate_name : "";
    auto& slot = results_[run.run_name.function_name];
    // A failure in any repetition stands for the benchmark.
    if (slot.count("") && slot[""].failed) continue;
    slot[stat] = result;
    if (result.failed)
      std::fprintf(stderr, "%s: %s\n", run.benchmark_name().c_str(), run.error_message.c_str());
  }
}

void TableReporter::Finalize() {
  // The median of repeated runs, or the only run; a failed run wins over both.
  const auto get = [&](const std::string& name,
                       const std::string& stat = "median") -> const Result* {
    const auto it = results_.find(name);
    if (it == results_.end()) return nullptr;
    const auto& stats = it->second;
    if (auto f = stats.find(""); f != stats.end() && f->second.failed) return &f->second;
    if (auto s = stats.find(stat); s != stats.end()) return &s->second;
    if (auto one = stats.find(""); one != stats.end()) return &one->second;
    return nullptr;
  };
  const auto counter = [](const Result& r, const std::string& name) {
    const auto it = r.counters.find(name);
    return it == r.counters.end() ? 0.0 : it->second;
  };

  std::vector<Row> rows;
  // A figure whose benchmarks did not all run shows why instead of a number.
  const auto add = [&](const std::string& figure, const std::string& target,
                       std::initializer_list<const Result*> needed,
                       const std::function<Row()>& make) {
    for (const Result* r : needed) {
      if (!r || r->failed) {
        rows.push_back({figure, r ? "failed: " + r->error : "not run", target,
                        target == "—" ? std::nullopt : std::optional<bool>(false)});
        return;
      }
    }
    Row row = make();
    row.figure = figure;
    row.target = target;
    rows.push_back(row);
  };

  const Result* exchange = get("BM_Exchange");
  const Result* copy = get("BM_ExchangeBaseline");
  add("Exchange: host cost per round trip", "≤ 5 µs", {exchange}, [&] {
    const double us = exchange->realTimeNs / 1e3;
    return Row{"", Format("%.2f µs", us), "", us <= 5.0};
  });
  add("Exchange baseline: the same bytes copied through memory", "—", {copy}, [&] {
    return Row{"", Format("%.1f ns", copy->realTimeNs), "", std::nullopt};
  });
  add("Exchange against the baseline", "—", {exchange, copy}, [&] {
    return Row{"", Format("%.0f×", exchange->realTimeNs / copy->realTimeNs), "", std::nullopt};
  });

  const Result* instant = get("BM_ProgramPicInstant");
  add("Program PIC, 8K words (1024 records), instant board: host time per record", "≤ 20 µs",
      {instant}, [&] {
        const double records = counter(*instant, "records");
        const double us = records > 0 ? instant->realTimeNs / 1e3 / records : 0;
        return Row{"", Format("%.2f µs", us), "", records > 0 && us <= 20.0};
      });
  const Result* usb = get("BM_ProgramPicUsbLike");
  add("Program PIC, 8K words, USB-like bus on the system clock (one run): total",
      "within 2 % of "
      "1 ms a transfer",
      {usb}, [&] {
        const double ms = usb->realTimeNs / 1e6;
        const double ideal = counter(*usb, "transfers");
        const double over = ideal > 0 ? (ms / ideal - 1) * 100 : 0;
        char text[96];
        std::snprintf(text, sizeof text, "%.1f ms (ideal %.0f ms for %.0f transfers, %+.2f %%)", ms,
                      ideal, ideal, over);
        return Row{"", text, "", ideal > 0 && ms <= ideal * 1.02};
      });

  // Verify and Save PIC read with 'r' exchanges: two transfers each.
  const auto readRun = [&](const char* name, const std::string& figure) {
    const Result* run = get(name);
    add(figure, "within 2 % of 1 ms a transfer", {run}, [&] {
      const double ms = run->realTimeNs / 1e6;
      const double ideal = counter(*run, "transfers");
      const double over = ideal > 0 ? (ms / ideal - 1) * 100 : 0;
      char text[96];
      std::snprintf(text, sizeof text, "%.1f ms (ideal %.0f ms for %.0f transfers, %+.2f %%)", ms,
                    ideal, ideal, over);
      return Row{"", text, "", ideal > 0 && ms <= ideal * 1.02};
    });
  };
  readRun("BM_VerifyPicUsbLike",
          "Verify PIC, 8K words, USB-like bus on the system clock (one run): total");
  readRun("BM_SavePicUsbLike",
          "Save PIC, the whole chip, USB-like bus on the system clock (one run): total");

  const Result* hex = get("BM_HexCheckAndRead");
  const Result* getline = get("BM_HexGetlineBaseline");
  add("HEX check and reading, the largest file the reader takes (48 KB)", "≥ 100 MB/s", {hex}, [&] {
    const double mbs = counter(*hex, "bytes_per_second") / 1e6;
    return Row{"", Format("%.0f MB/s", mbs), "", mbs >= 100};
  });
  add("Baseline: the same file line by line with std::getline", "—", {getline}, [&] {
    return Row{"", Format("%.0f MB/s", counter(*getline, "bytes_per_second") / 1e6), "",
               std::nullopt};
  });
  add("HEX check and reading against the baseline", "≥ 0.5×", {hex, getline}, [&] {
    const double base = counter(*getline, "bytes_per_second");
    const double ratio = base > 0 ? counter(*hex, "bytes_per_second") / base : 0;
    return Row{"", Format("%.2f×", ratio), "", ratio >= 0.5};
  });

  const Result* discovery = get("BM_Discovery");
  add("Discovery, 32 HID interfaces in sysfs, the board last", "< 1 ms", {discovery}, [&] {
    const double us = discovery->realTimeNs / 1e3;
    // The connect prompt looks for the board every 500 ms.
    char text[96];
    std::snprintf(text, sizeof text, "%.0f µs (%.2f %% of a core at one every 500 ms)", us,
                  us / 500'000 * 100);
    return Row{"", text, "", us < 1000};
  });

  const Result* noBoard = get("BM_Startup/NoBoard");
  const Result* withBoard = get("BM_Startup/SimulatedBoard");
  const auto startup = [&](const Result* r, std::optional<double> limit) {
    const double ms = r->realTimeNs / 1e6;
    char text[96];
    std::snprintf(text, sizeof text, "%.0f ms (process exit %.0f ms)", ms, counter(*r, "exit_ms"));
    return Row{"", text, "", limit ? std::optional<bool>(ms < *limit) : std::nullopt};
  };
  add("Start-up to the first painted window, offscreen, no board", "< 150 ms", {noBoard},
      [&] { return startup(noBoard, 150.0); });
  add("Start-up to the first painted window, simulated board (includes Connect)", "—", {withBoard},
      [&] { return startup(withBoard, std::nullopt); });
  const Result* noBoardMax = get("BM_Startup/NoBoard", "max");
  const Result* withBoardMax = get("BM_Startup/SimulatedBoard", "max");
  add("Peak resident memory of the process (largest of all start-ups)", "< 50 MB",
      {noBoardMax, withBoardMax}, [&] {
        const double mb =
            std::max(counter(*noBoardMax, "max_rss_mb"), counter(*withBoardMax, "max_rss_mb"));
        return Row{"", Format("%.1f MB", mb), "", mb < 50};
      });

  long long repetitions = 1;
  if (exchange) repetitions = exchange->repetitions;
  std::printf("\nProcessor: %s (%d logical CPUs). Load average %s at the start, %s at the end.\n",
              ProcessorName().c_str(), cpus_, loadAtStart_.c_str(), LoadAverage().c_str());
  std::printf(
      "Medians of %lld repetitions; the USB-like Program, Verify and Save PIC runs are single "
      "runs.\n\n",
      repetitions);
  std::printf("| Figure | Measured | Target | |\n|---|---|---|---|\n");
  for (const Row& row : rows) {
    const char* mark = !row.met ? "" : *row.met ? "met" : "**missed**";
    std::printf("| %s | %s | %s | %s |\n", row.figure.c_str(), row.measured.c_str(),
                row.target.c_str(), mark);
  }
  std::fflush(stdout);
}

}  // namespace bench
