#include "bench/DownloadBenchEngine.h"

#include <sys/resource.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "bench/DownloadBenchProcess.h"
#include "download/engine/Download.h"
#include "download/engine/TaskParam.h"

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;

// A "VmHWM:" or "VmRSS:" line of /proc/self/status, in KiB; -1 when missing.
long StatusKib(const char* field) {
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (f == nullptr) return -1;
  long kib = -1;
  char line[256];
  const std::size_t length = std::strlen(field);
  while (std::fgets(line, sizeof line, f) != nullptr) {
    if (std::strncmp(line, field, length) == 0) {
      kib = std::strtol(line + length, nullptr, 10);
      break;
    }
  }
  std::fclose(f);
  return kib;
}

// Sets the peak resident memory back to the current one; false where the kernel refuses.
bool ResetPeak() {
  std::FILE* f = std::fopen("/proc/self/clear_refs", "w");
  if (f == nullptr) return false;
  const bool written = std::fputs("5", f) >= 0;
  return std::fclose(f) == 0 && written;
}

// What the callbacks note. Shared with them, since a task that outlives its stop wait still
// calls them after RunEngine has returned.
struct Notes {
  std::atomic<int> connectionErrors{0};
  std::mutex mutex;
  std::string firstError;
};

}  // namespace

EngineResult RunEngine(const std::string& url, const std::string& directory, int threadCount,
                       std::chrono::seconds timeout) {
  EngineResult result;
  auto notes = std::make_shared<Notes>();
  download::TaskParam task;
  task.Url = url;
  task.SavePath = directory;
  task.ThreadCount = threadCount;
  task.EventCallback = [notes](int event, download::Handle, int, int, download::Handle) {
    if (event == download::kEventConnectionError) ++notes->connectionErrors;
    // The directory is new, so a name clash means something is wrong: keep what is there.
    return event == download::kEventFileExists ? download::kExistsGiveUp : 0;
  };
  task.LogCallback = [notes](download::Handle, const text::Text&, const text::Text& message,
                             int level, download::Handle) {
    if (level != download::kLogError) return;
    std::lock_guard lock(notes->mutex);
    if (notes->firstError.empty()) notes->firstError = message;
  };

  download::Download engine;
  result.memoryExact = ResetPeak();
  const long rssBefore = StatusKib(result.memoryExact ? "VmRSS:" : "VmHWM:");
  rusage before{};
  ::getrusage(RUSAGE_SELF, &before);
  const Clock::time_point start = Clock::now();
  const Clock::time_point deadline = start + timeout;

  bool timedOut = false;
  if (!engine.AddTask(task)) {
    result.error = "AddTask refused the task";
    return result;
  }
  while (engine.HoldsTask()) {
    if (Clock::now() > deadline) {
      timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }

  const Clock::time_point end = Clock::now();
  rusage after{};
  ::getrusage(RUSAGE_SELF, &after);
  const long peak = StatusKib("VmHWM:");
  result.wallSeconds = std::chrono::duration<double>(end - start).count();
  result.userSeconds = Seconds(after.ru_utime) - Seconds(before.ru_utime);
  result.systemSeconds = Seconds(after.ru_stime) - Seconds(before.ru_stime);
  result.memoryGrowthMib = static_cast<double>(peak - rssBefore) / 1024.0;
  result.connectionErrors = notes->connectionErrors.load();

  if (timedOut) {
    result.error = "task still held after " + std::to_string(timeout.count()) + " s";
  } else if (engine.LastEnd() != download::TaskEnd::kComplete) {
    result.error = engine.LastEnd() == download::TaskEnd::kFailed ? "the task failed"
                                                                  : "the task did not complete";
  } else {
    result.complete = true;
  }
  if (!result.complete) {
    std::lock_guard lock(notes->mutex);
    if (!notes->firstError.empty()) result.error += " (" + notes->firstError + ")";
  }
  return result;
}

}  // namespace bench
