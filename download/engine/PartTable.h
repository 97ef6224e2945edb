#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

// The one piece of state a task's connections share: which parts of the file exist, who works
// on each and how far each has come. Every method takes the table's lock, so the rules for
// handing out and taking back parts can be read in this one file.
namespace download {

inline constexpr std::int64_t kMinSplitLength = 20480;
// A part is tried at most this many times in a row without a byte of progress (first try
// included) before the task gives it up.
inline constexpr int kMaxPartAttempts = 5;

struct Part {
  std::int64_t begin = 0;
  std::int64_t end = 0;        // one past the last byte
  std::int64_t pos = 0;        // the next byte to write; begin..end
  int owner = -1;              // the connection working on it, -1 for none
  int attempts = 0;            // tries in a row that have not moved pos
  std::int64_t claimedAt = 0;  // pos when the part was last handed out
  bool dropped = false;        // given up when the task fell back to a single request
};

class PartTable {
 public:
  // Cuts a file of `length` bytes into `count` equal parts, the last taking the remainder; one
  // part when the file is shorter than kMinSplitLength. Part 0 goes to connection 0.
  void Plan(std::int64_t length, int count);

  int PartCount() const;
  Part Get(int index) const;
  std::int64_t Length() const;

  // Hands connection `who` a part nobody works on that is unfinished and not out of attempts,
  // counting an attempt; nothing when there is none. After a fall-back the one part restarts
  // at 0, since it is then read by a request without Range.
  std::optional<int> Claim(int who);

  enum class Room { kWrite, kPartDone, kLost };
  struct Slice {
    Room room = Room::kLost;
    std::int64_t offset = 0;
    std::int64_t size = 0;  // at most the size asked for
  };
  // Where `who` may write up to `want` bytes of part `index`: kPartDone when the part is full,
  // kLost when the part is no longer `who`'s to write.
  Slice Reserve(int index, int who, std::int64_t want) const;
  // Records `n` bytes written at the part's position.
  void Commit(int index, int who, std::int64_t n);
  // Gives the part back; what was written stays. A try that wrote something does not count
  // against the part's attempts.
  void Release(int index, int who);

  // Connection `who` now reads a request without Range, whose body starts at byte 0; -1 for
  // nobody.
  void SetWholeBodyReader(int who);
  // A ranged request got something other than its range. From now on the file is one part read
  // from the start by a request without Range: the connection reading such a request keeps its
  // part and reads to the end; all other parts are dropped.
  void FallBackToWholeBody();
  bool WholeBodyOnly() const;

  bool Complete() const;
  // Bytes written in the parts that count; lock-free, for any thread.
  std::int64_t BytesDone() const { return done_.load(std::memory_order_relaxed); }

 private:
  void Recount();  // under the lock

  mutable std::mutex mutex_;
  std::vector<Part> parts_;
  std::int64_t length_ = 0;
  int wholeBodyReader_ = -1;
  bool wholeBodyOnly_ = false;
  std::atomic<std::int64_t> done_{0};
};

}  // namespace download
