#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>

namespace download {

// A task's transfer rate limit, shared by all its connections: within each second since the
// task began they read at most the limit between them, then wait for the next second.
class RateLimit {
 public:
  // 0 or less: no limit.
  explicit RateLimit(std::int64_t bytesPerSecond) : limit_(bytesPerSecond) {}

  bool Limited() const { return limit_ > 0; }
  // Whether a connection may read now.
  bool MayRead();
  void Took(std::int64_t bytes);

 private:
  void Roll(std::chrono::steady_clock::time_point now);  // under the lock

  const std::int64_t limit_;
  std::mutex mutex_;
  bool started_ = false;
  std::chrono::steady_clock::time_point windowStart_;
  std::int64_t used_ = 0;
};

}  // namespace download
