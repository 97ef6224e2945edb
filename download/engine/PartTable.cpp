#include "download/engine/PartTable.h"

#include <algorithm>

namespace download {

void PartTable::Plan(std::int64_t length, int count) {
  std::lock_guard lock(mutex_);
  length_ = length;
  parts_.clear();
  if (length < kMinSplitLength || count < 2) count = 1;
  std::int64_t size = length / count;
  for (int i = 0; i < count; ++i) {
    Part p;
    p.begin = size * i;
    p.end = i + 1 == count ? length : size * (i + 1);
    p.pos = p.begin;
    parts_.push_back(p);
  }
  parts_[0].owner = 0;
  parts_[0].attempts = 1;
  wholeBodyReader_ = 0;
  wholeBodyOnly_ = false;
  done_ = 0;
}

int PartTable::PartCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(parts_.size());
}

Part PartTable::Get(int index) const {
  std::lock_guard lock(mutex_);
  return parts_.at(static_cast<std::size_t>(index));
}

std::int64_t PartTable::Length() const {
  std::lock_guard lock(mutex_);
  return length_;
}

std::optional<int> PartTable::Claim(int who) {
  std::lock_guard lock(mutex_);
  for (std::size_t i = 0; i < parts_.size(); ++i) {
    Part& p = parts_[i];
    if (p.dropped || p.owner >= 0 || p.pos >= p.end || p.attempts >= kMaxPartAttempts) continue;
    p.owner = who;
    ++p.attempts;
    if (wholeBodyOnly_ && p.pos != 0) {
      p.pos = 0;
      Recount();
    }
    p.claimedAt = p.pos;
    return static_cast<int>(i);
  }
  return std::nullopt;
}

PartTable::Slice PartTable::Reserve(int index, int who, std::int64_t want) const {
  std::lock_guard lock(mutex_);
  const Part& p = parts_.at(static_cast<std::size_t>(index));
  Slice s;
  if (p.dropped || p.owner != who) return s;
  s.offset = p.pos;
  s.size = std::min(want, p.end - p.pos);
  s.room = s.size > 0 ? Room::kWrite : Room::kPartDone;
  return s;
}

void PartTable::Commit(int index, int who, std::int64_t n) {
  std::lock_guard lock(mutex_);
  Part& p = parts_.at(static_cast<std::size_t>(index));
  if (p.dropped || p.owner != who) return;
  n = std::min(n, p.end - p.pos);
  p.pos += n;
  done_.fetch_add(n, std::memory_order_relaxed);
}

void PartTable::Release(int index, int who) {
  std::lock_guard lock(mutex_);
  Part& p = parts_.at(static_cast<std::size_t>(index));
  if (p.owner == who) {
    p.owner = -1;
    if (p.pos > p.claimedAt) p.attempts = 0;
  }
  if (wholeBodyReader_ == who) wholeBodyReader_ = -1;
}

void PartTable::SetWholeBodyReader(int who) {
  std::lock_guard lock(mutex_);
  wholeBodyReader_ = who;
}

void PartTable::FallBackToWholeBody() {
  std::lock_guard lock(mutex_);
  if (wholeBodyOnly_ || parts_.empty()) return;
  wholeBodyOnly_ = true;
  // The reader of a whole body writes from byte 0 in order, so its part's written bytes run
  // from 0 to its position and it can simply go on to the end.
  Part& first = parts_[0];
  bool readerGoesOn = wholeBodyReader_ >= 0 && first.owner == wholeBodyReader_;
  first.end = length_;
  if (!readerGoesOn) {
    // Whoever holds it reads a range; it must let go and the part starts over.
    first.owner = -1;
    first.pos = 0;
    first.attempts = std::min(first.attempts, kMaxPartAttempts - 1);
  }
  for (std::size_t i = 1; i < parts_.size(); ++i) parts_[i].dropped = true;
  Recount();
}

bool PartTable::WholeBodyOnly() const {
  std::lock_guard lock(mutex_);
  return wholeBodyOnly_;
}

bool PartTable::Complete() const {
  std::lock_guard lock(mutex_);
  return !parts_.empty() && std::all_of(parts_.begin(), parts_.end(),
                                        [](const Part& p) { return p.dropped || p.pos >= p.end; });
}

void PartTable::Recount() {
  std::int64_t done = 0;
  for (const Part& p : parts_) {
    if (!p.dropped) done += p.pos - p.begin;
  }
  done_ = done;
}

}  // namespace download
