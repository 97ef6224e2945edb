#pragma once

#include <chrono>
#include <string>

// Our download engine as the download benchmark drives it.
namespace bench {

// One download by the engine, measured in this process.
struct EngineResult {
  bool complete = false;  // the task ended with every byte written (else see `error`)
  std::string error;
  double wallSeconds = 0;  // AddTask until the task is released
  double userSeconds = 0;  // this process's CPU time over the same span
  double systemSeconds = 0;
  double memoryGrowthMib = 0;  // peak resident memory above what it was before AddTask
  bool memoryExact = false;    // false: the peak could not be reset, so a lower bound
  int connectionErrors = 0;    // connection errors the engine reported on the way
};

// Downloads `url` into the directory `directory` (ending in "/") with `threadCount`
// connections, polling the task every 2 ms; a task still held after `timeout` is stopped and
// reported as failed.
EngineResult RunEngine(const std::string& url, const std::string& directory, int threadCount,
                       std::chrono::seconds timeout);

}  // namespace bench
