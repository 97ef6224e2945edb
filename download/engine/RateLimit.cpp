#include "download/engine/RateLimit.h"

namespace download {

void RateLimit::Roll(std::chrono::steady_clock::time_point now) {
  if (!started_) {
    started_ = true;
    windowStart_ = now;
    return;
  }
  auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now - windowStart_);
  if (seconds.count() >= 1) {
    windowStart_ += seconds;
    used_ = 0;
  }
}

bool RateLimit::MayRead() {
  if (!Limited()) return true;
  std::lock_guard lock(mutex_);
  Roll(std::chrono::steady_clock::now());
  return used_ < limit_;
}

void RateLimit::Took(std::int64_t bytes) {
  if (!Limited()) return;
  std::lock_guard lock(mutex_);
  Roll(std::chrono::steady_clock::now());
  used_ += bytes;
}

}  // namespace download
