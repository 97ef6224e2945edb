#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "download/engine/Address.h"
#include "download/engine/Download.h"
#include "download/engine/PartTable.h"
#include "download/engine/RateLimit.h"
#include "download/engine/TaskParam.h"

namespace download {

class Connection;
class Task;

// What a Download and its running task share: the task while it is held, and how the last
// one ended. The task releases itself here when it is done.
struct TaskSlot {
  mutable std::mutex mutex;
  std::shared_ptr<Task> task;
  TaskEnd lastEnd = TaskEnd::kNone;
};

// One download: its settings, its file, its connections and the queue that carries their
// events and log lines to the task's own thread, which delivers them in order.
class Task : public std::enable_shared_from_this<Task> {
 public:
  Task(const TaskParam& param, Address address, std::shared_ptr<TaskSlot> slot);
  ~Task();

  // Starts the task's thread; false when it cannot be started.
  bool Start();
  // Tells every connection to stop. Any thread.
  void Stop();
  // True once the task's thread has delivered its last event and released the task.
  bool Released() const { return released_.load(); }
  std::int64_t BytesDone() const { return parts_.BytesDone(); }

  // --- for the connections ---
  const TaskParam& Param() const { return param_; }
  const std::atomic<bool>& StopFlag() const { return stop_; }
  PartTable& Parts() { return parts_; }
  RateLimit& Rate() { return rate_; }
  const Address& StartAddress() const { return address_; }
  // The address of the file after the first connection's redirections; set before any further
  // connection starts.
  const Address& FileAddress() const { return fileAddress_; }
  void SetFileAddress(const Address& a) { fileAddress_ = a; }

  // Names, creates and sizes the file for a response of `length` bytes, asking the event
  // callback when the name is taken. False, with the reason logged, when there is no file.
  bool CreateFile(const Connection& who, const std::string& contentDisposition,
                  std::int64_t length);
  // Writes at `offset`; false on a disk error.
  bool WriteAt(const char* data, std::int64_t size, std::int64_t offset);
  // Starts connections 1..count-1 for the further parts.
  void StartFurtherConnections(int count);
  // Marks the task as failed; connections end as soon as they look.
  void Fail(const Connection* who, const std::string& why);
  bool Failed() const { return failed_.load(); }

  void Event(int code, const Connection* who, std::int64_t value1, std::int64_t value2 = 0);
  // Event 16 for each block of at most `block` bytes of `size` received bytes.
  void ReceivedBlocks(const Connection* who, std::int64_t size, std::int64_t block);
  void Log(const Connection* who, int level, const std::string& message);
  bool WantsEvents() const { return static_cast<bool>(param_.EventCallback); }
  bool WantsLog() const { return static_cast<bool>(param_.LogCallback); }
  // Asks the event callback directly, on the calling thread.
  int Ask(int code, const Connection* who, std::int64_t value1, std::int64_t value2);

 private:
  struct Item {
    bool isEvent = true;
    int code = 0;  // event code, or log level
    Handle who = nullptr;
    int value1 = 0;
    int value2 = 0;
    std::string time;
    std::string message;
  };

  void Main();
  bool StartConnection(int id);
  void ConnectionEnded();
  void Deliver(std::deque<Item>& items);
  // Queues under queueMutex_; wakes the task's thread when the queue was empty.
  void Push(Item item);
  void Release(TaskEnd how);

  TaskParam param_;
  Address address_;
  Address fileAddress_;
  std::shared_ptr<TaskSlot> slot_;
  PartTable parts_;
  RateLimit rate_;
  int fd_ = -1;
  std::atomic<bool> stop_{false};
  std::atomic<bool> failed_{false};
  std::atomic<bool> fileMade_{false};
  std::atomic<bool> released_{false};

  std::mutex queueMutex_;
  std::condition_variable queueReady_;
  std::deque<Item> queue_;
  int running_ = 0;  // connections started and not yet ended; under queueMutex_

  std::mutex connectionsMutex_;
  std::vector<std::unique_ptr<Connection>> connections_;
  std::vector<std::thread> threads_;
};

}  // namespace download
