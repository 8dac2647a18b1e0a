// Start-up of the real program on Qt's offscreen platform: from the moment the process is
// spawned to its first painted main window, without a board and with the simulated one (which
// includes Connect), and the process's peak resident memory.
//
// --screenshot takes the first painted window, writes it and exits; the screenshot file is
// created right after the window's contents were rendered, so its creation, seen through
// inotify, marks the first paint without any hook in the program.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "bench/temp_tree.h"

extern char** environ;

namespace {

struct StartupRun {
  double paintMs = 0;
  double exitMs = 0;
  double maxRssMb = 0;
};

#if defined(ZBK_UTILITY_PATH)

std::optional<StartupRun> RunOnce(const std::string& simulate) {
  using Clock = std::chrono::steady_clock;
  bench::TempTree tree;
  if (tree.path().empty()) return std::nullopt;
  const std::string shotName = "first_paint.png";
  const std::string shot = (tree.path() / shotName).string();

  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch < 0) return std::nullopt;
  if (::inotify_add_watch(watch, tree.path().c_str(), IN_CREATE) < 0) {
    ::close(watch);
    return std::nullopt;
  }

  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0) env.emplace_back(*e);
  }
  env.emplace_back("QT_QPA_PLATFORM=offscreen");
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> args = {ZBK_UTILITY_PATH, simulate, "--screenshot", shot};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  // The program's own complaints (boxes answered unseen go to standard error) stay out of the
  // table.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);

  pid_t pid = 0;
  const Clock::time_point start = Clock::now();
  const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    ::close(watch);
    return std::nullopt;
  }

  std::optional<Clock::time_point> painted;
  rusage usage{};
  int status = 0;
  for (;;) {
    pollfd entry{watch, POLLIN, 0};
    ::poll(&entry, 1, 1);
    alignas(inotify_event) char events[4096];
    const ssize_t n = ::read(watch, events, sizeof events);
    for (ssize_t at = 0; n > 0 && at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(events + at);
      if (!painted && event->len > 0 && shotName == event->name) painted = Clock::now();
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
    if (::wait4(pid, &status, WNOHANG, &usage) == pid) break;
  }
  const Clock::time_point exited = Clock::now();
  ::close(watch);
  if (!painted || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;

  const auto ms = [&](Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(t - start).count();
  };
  return StartupRun{ms(*painted), ms(exited), usage.ru_maxrss / 1024.0};
}

void BM_Startup(benchmark::State& state, const char* simulate) {
  // Fonts and the dynamic loader's caches are warm for a user's second start; so they are here.
  static bool warmed = false;
  if (!warmed) {
    warmed = true;
    RunOnce(simulate);
  }
  for (auto _ : state) {
    const std::optional<StartupRun> run = RunOnce(simulate);
    if (!run) {
      state.SkipWithError("the program did not paint its window and exit cleanly");
      return;
    }
    state.SetIterationTime(run->paintMs / 1000.0);
    state.counters["exit_ms"] = run->exitMs;
    state.counters["max_rss_mb"] = run->maxRssMb;
  }
}

#else

void BM_Startup(benchmark::State& state, const char*) {
  for (auto _ : state) {
  }
  state.SkipWithError("built without the Qt program (ZBK_BUILD_QT=OFF)");
}

#endif

double Largest(const std::vector<double>& values) {
  double largest = 0;
  for (double v : values) largest = v > largest ? v : largest;
  return largest;
}

BENCHMARK_CAPTURE(BM_Startup, NoBoard, "--simulate=none")
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->ComputeStatistics("max", Largest);
BENCHMARK_CAPTURE(BM_Startup, SimulatedBoard, "--simulate")
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->ComputeStatistics("max", Largest);

}  // namespace
