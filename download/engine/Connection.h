#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "download/engine/Address.h"
#include "download/engine/HttpStream.h"

namespace download {

class Task;

// One connection of a task, on its own thread: it works through parts of the file one request
// at a time until none is left, and decides in one place what a failure means.
class Connection {
 public:
  Connection(Task& task, int id);

  void Run();
  // Makes a running request look at the task's stop flag. Any thread.
  void Wakeup() { stream_.Wakeup(); }
  int Id() const { return id_; }

 private:
  // How one request for a part ended, as far as the connection is concerned.
  enum class Outcome {
    kPartDone,    // the part is written to its end
    kPartLost,    // the part is not ours any more (the task fell back to one request)
    kRetry,       // the part has bytes left; try again
    kTaskFailed,  // the whole task cannot go on
    kStopped,
  };

  Outcome Fetch(int part, bool first);
  // Whether the body of this response may be written; sets `verdict` for a refused one.
  bool AcceptHead(const ResponseHead& head, bool ranged, std::int64_t start, bool first,
                  Outcome& verdict, const Address& address);
  std::size_t TakeBody(std::string_view data, int part);
  std::optional<int> NextPart();
  void Sleep(int milliseconds);

  Task& task_;
  int id_;
  HttpStream stream_;
  std::string redirect_;
  bool lost_ = false;
  bool writeFailed_ = false;
  std::int64_t reached_ = 0;
};

}  // namespace download
