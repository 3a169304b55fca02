// Several processes started at once for multi-station tests and benchmarks:
// each connects, then all are released at the same moment by a start file, and
// their exit codes and output are collected. Plain POSIX, no test framework.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace zpk::test {

// What one station did.
struct StationResult {
  int exit_code = -1;  // the process's exit status; 128 + signal when killed; -1 when it never ran
  std::vector<std::string> lines;  // its standard output, one entry per line
  std::string errors;              // its standard error
  // When the harness saw it end (within a few milliseconds).
  std::chrono::steady_clock::time_point ended{};
  bool ok() const { return exit_code == 0; }
};

// Called once the processes are released, with their PIDs in order, while
// they run: a test signals them from here, say. They are reaped after it returns.
using WhileRunning = std::function<void(const std::vector<pid_t>& pids)>;

// Starts every process, lets each connect, then releases them at the same
// moment and waits for all of them: processes[i] is the full argument list (program
// first) of process i; each must create "START.ready.<pid>" and then wait for
// START, whose path replaces every "{start}" in its arguments. `environment`
// entries ("NAME=value") are added to (or replace those of) this process's
// environment. When given, `released_for` receives the time from the release
// until the last process ended, and `while_running` runs after the release.
// Raises EZpkError when a process cannot be started.
std::vector<StationResult> run_together(const std::vector<std::vector<std::string>>& processes,
                                        const std::vector<std::string>& environment = {},
                                        std::chrono::seconds timeout = std::chrono::seconds(300),
                                        std::chrono::duration<double>* released_for = nullptr,
                                        const WhileRunning& while_running = {});

// Every line of every station's output, in station order (for counting and
// duplicate checks).
std::vector<std::string> all_lines(const std::vector<StationResult>& results);
// One line per station: exit code and standard error, for failure messages.
std::string describe(const std::vector<StationResult>& results);

}  // namespace zpk::test
