#include "download/engine/Download.h"

#include <chrono>
#include <climits>
#include <thread>

#include "download/engine/Task.h"

namespace download {

Download::Download() : slot_(std::make_shared<TaskSlot>()) {}

Download::~Download() {
  std::shared_ptr<Task> task;
  {
    std::lock_guard lock(slot_->mutex);
    task = slot_->task;
  }
  if (!task) return;
  task->Stop();
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(std::max(0, task->Param().StopWait));
  while (!task->Released() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::lock_guard lock(slot_->mutex);
  if (slot_->task == task) slot_->task.reset();
}

bool Download::AddTask(const TaskParam& param) {
  std::optional<Address> address = ParseAddress(param.Url);
  if (!address) return false;
  std::lock_guard lock(slot_->mutex);
  if (slot_->task) return false;
  auto task = std::make_shared<Task>(param, std::move(*address), slot_);
  // Held before it starts, so a task that ends at once still finds itself here to release.
  slot_->task = task;
  if (!task->Start()) {
    slot_->task.reset();
    return false;
  }
  return true;
}

std::int32_t Download::BytesDone() const {
  std::lock_guard lock(slot_->mutex);
  if (!slot_->task) return 0;
  return static_cast<std::int32_t>(std::min<std::int64_t>(slot_->task->BytesDone(), INT_MAX));
}

bool Download::HoldsTask() const {
  std::lock_guard lock(slot_->mutex);
  return slot_->task != nullptr;
}

TaskEnd Download::LastEnd() const {
  std::lock_guard lock(slot_->mutex);
  return slot_->lastEnd;
}

}  // namespace download
