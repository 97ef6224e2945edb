#pragma once

#include <cstdint>
#include <memory>

#include "download/engine/TaskParam.h"

namespace download {

class Task;
struct TaskSlot;

// How the last task of a Download ended.
enum class TaskEnd {
  kNone,      // no task has ended yet
  kComplete,  // every byte of the file was written
  kFailed,    // the task gave up; the file, if one was made, is incomplete
  kStopped,   // the Download was destroyed while the task ran
};

// A background downloader that holds at most one task at a time.
//
// A task runs on a thread of its own with one more thread per connection, reports through the
// callbacks of its TaskParam, and is released once its last connection has ended: from then on
// the object holds no task and takes a new one.
class Download {
 public:
  Download();
  // Stops the held task: every connection is told to stop and the object waits up to the task's
  // StopWait milliseconds for them; a task that takes longer finishes on its own thread.
  ~Download();

  Download(const Download&) = delete;
  Download& operator=(const Download&) = delete;

  // Starts `task` in the background and returns at once. False, with nothing changed and no
  // event sent, when a task is held already, the address is not one the engine takes, or the
  // task's thread cannot start.
  bool AddTask(const TaskParam& task);

  // Bytes of the file written so far by the held task; 0 when none is held. Any thread.
  std::int32_t BytesDone() const;

  // Whether a task is held (running, or ending and not yet released). Any thread.
  bool HoldsTask() const;
  // How the most recently released task ended. Any thread.
  TaskEnd LastEnd() const;

 private:
  std::shared_ptr<TaskSlot> slot_;
};

}  // namespace download
