#include "download/engine/Task.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <ctime>

#include "download/engine/Connection.h"
#include "download/engine/FileName.h"
#include "text/Gbk.h"

namespace download {
namespace {

// Callback values are 32-bit; larger files report the largest value.
int Clamp32(std::int64_t v) {
  return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}

std::string TimeText() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buffer[16];
  std::strftime(buffer, sizeof buffer, "%H:%M:%S", &local);
  return buffer;
}

bool Exists(const std::string& path, std::int64_t& size) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return false;
  size = st.st_size;
  return true;
}

}  // namespace

Task::Task(const TaskParam& param, Address address, std::shared_ptr<TaskSlot> slot)
    : param_(param), address_(std::move(address)), slot_(std::move(slot)), rate_(param.SpeedLimit) {
  param_.Flags |= kFlagDownload;
}

Task::~Task() {
  if (fd_ >= 0) ::close(fd_);
}

bool Task::Start() {
  std::shared_ptr<Task> self = shared_from_this();
  try {
    std::thread([self] { self->Main(); }).detach();
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void Task::Stop() {
  stop_ = true;
  {
    std::lock_guard lock(connectionsMutex_);
    for (auto& c : connections_) c->Wakeup();
  }
  queueReady_.notify_all();
}

void Task::Main() {
  if (address_.protocol != Protocol::kHttp) {
    Log(nullptr, kLogError, "only HTTP downloads are supported");
    failed_ = true;
  } else if (!StartConnection(0)) {
    Log(nullptr, kLogError, "cannot start a connection");
    failed_ = true;
  }

  std::deque<Item> items;
  while (true) {
    bool last;
    {
      std::unique_lock lock(queueMutex_);
      if (queue_.empty() && running_ > 0) {
        queueReady_.wait_for(lock, std::chrono::milliseconds(100));
      }
      items.swap(queue_);
      last = running_ == 0;
    }
    Deliver(items);
    items.clear();
    if (last) break;
  }
  std::vector<std::thread> threads;
  {
    std::lock_guard lock(connectionsMutex_);
    threads.swap(threads_);
  }
  for (std::thread& t : threads) t.join();
  {
    std::lock_guard lock(queueMutex_);
    items.swap(queue_);
  }
  Deliver(items);

  TaskEnd how = TaskEnd::kFailed;
  if (fileMade_ && !failed_ && parts_.Complete()) {
    how = TaskEnd::kComplete;
  } else if (stop_) {
    how = TaskEnd::kStopped;
  }
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  std::int64_t value1 = how == TaskEnd::kStopped ? parts_.BytesDone() : parts_.Length();
  items.clear();
  if (how == TaskEnd::kFailed) {
    std::string why = "the download did not complete: " + std::to_string(parts_.BytesDone()) +
                      " of " + std::to_string(parts_.Length()) + " bytes";
    items.push_back(Item{false, kLogError, nullptr, 0, 0, TimeText(), why});
  }
  items.push_back(Item{true, kEventTaskEnd, nullptr, Clamp32(value1), 0, {}, {}});
  Deliver(items);
  Release(how);
}

void Task::Release(TaskEnd how) {
  {
    std::lock_guard lock(slot_->mutex);
    if (slot_->task.get() == this) slot_->task.reset();
    slot_->lastEnd = how;
  }
  released_ = true;
}

bool Task::StartConnection(int id) {
  if (stop_) return false;
  std::lock_guard lock(connectionsMutex_);
  auto connection = std::make_unique<Connection>(*this, id);
  Connection* raw = connection.get();
  {
    std::lock_guard q(queueMutex_);
    ++running_;
  }
  try {
    threads_.emplace_back([this, raw] {
      raw->Run();
      ConnectionEnded();
    });
  } catch (const std::system_error&) {
    ConnectionEnded();
    return false;
  }
  connections_.push_back(std::move(connection));
  return true;
}

void Task::ConnectionEnded() {
  {
    std::lock_guard lock(queueMutex_);
    --running_;
  }
  queueReady_.notify_all();
}

void Task::StartFurtherConnections(int count) {
  for (int id = 1; id < count; ++id) {
    if (!StartConnection(id)) {
      Log(nullptr, kLogError, "cannot start connection " + std::to_string(id));
      break;
    }
  }
}

bool Task::CreateFile(const Connection& who, const std::string& contentDisposition,
                      std::int64_t length) {
  SaveTarget target = ReadSavePath(param_.SavePath);
  text::Text directory;
  text::Text name;
  if (target.isDirectory) {
    directory = target.path;
    text::Text given = ContentDispositionName(contentDisposition);
    if (given.empty()) given = LastSegmentName(fileAddress_.path);
    name = PlainFileName(given);
    if (name.empty()) {
      Fail(&who, "the server gives no usable file name");
      return false;
    }
  } else {
    std::size_t slash = target.path.rfind('/');
    directory = slash == text::Text::npos ? text::Text() : target.path.substr(0, slash + 1);
    name = target.path.substr(directory.size());
    if (name.empty()) {
      Fail(&who, "no file name to save to");
      return false;
    }
  }

  for (int tries = 0;; ++tries) {
    std::string path = text::GbkToUtf8(directory + name);
    std::int64_t size = 0;
    if (Exists(path, size)) {
      int answer = tries == 0 ? Ask(kEventFileExists, &who, size, length) : kExistsPickNewName;
      if (answer == kExistsGiveUp) {
        Fail(&who, "the file exists and is kept");
        return false;
      }
      if (answer == kExistsRenamedByCaller && tries == 0 && !Exists(path, size)) {
        // The caller moved the old file away; the name is free now.
      } else {
        if (tries >= 99) {
          Fail(&who, "no free name for the file");
          return false;
        }
        name = NextNumberedName(name);
        continue;
      }
    }
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd_ < 0 && errno == EEXIST && tries < 99) continue;  // taken in the meantime
    if (fd_ < 0 || ::ftruncate(fd_, length) != 0) {
      Fail(&who, "cannot create " + path + ": " + std::strerror(errno));
      if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
        ::unlink(path.c_str());
      }
      return false;
    }
    fileMade_ = true;
    Log(&who, kLogInfo, "saving to " + path);
    return true;
  }
}

bool Task::WriteAt(const char* data, std::int64_t size, std::int64_t offset) {
  while (size > 0) {
    ssize_t n = ::pwrite(fd_, data, static_cast<std::size_t>(size), offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= n;
    offset += n;
  }
  return true;
}

void Task::Fail(const Connection* who, const std::string& why) {
  Log(who, kLogError, why);
  failed_ = true;
}

void Task::Push(Item item) {
  bool wasEmpty;
  {
    std::lock_guard lock(queueMutex_);
    wasEmpty = queue_.empty();
    queue_.push_back(std::move(item));
  }
  // The task's thread only sleeps on an empty queue.
  if (wasEmpty) queueReady_.notify_one();
}

void Task::Event(int code, const Connection* who, std::int64_t value1, std::int64_t value2) {
  if (param_.EventCallback) Push(Item{true, code, who, Clamp32(value1), Clamp32(value2), {}, {}});
}

void Task::ReceivedBlocks(const Connection* who, std::int64_t size, std::int64_t block) {
  if (!param_.EventCallback) return;
  bool wasEmpty;
  {
    std::lock_guard lock(queueMutex_);
    wasEmpty = queue_.empty();
    for (std::int64_t done = 0; done < size; done += block) {
      queue_.push_back(
          Item{true, kEventReceived, who, Clamp32(std::min(block, size - done)), 0, {}, {}});
    }
  }
  if (wasEmpty) queueReady_.notify_one();
}

void Task::Log(const Connection* who, int level, const std::string& message) {
  if (param_.LogCallback) Push(Item{false, level, who, 0, 0, TimeText(), message});
}

int Task::Ask(int code, const Connection* who, std::int64_t value1, std::int64_t value2) {
  if (!param_.EventCallback) return 0;
  try {
    return param_.EventCallback(code, who, Clamp32(value1), Clamp32(value2), this);
  } catch (...) {
    return 0;
  }
}

void Task::Deliver(std::deque<Item>& items) {
  for (const Item& item : items) {
    try {
      if (item.isEvent) {
        if (param_.EventCallback) {
          param_.EventCallback(item.code, item.who, item.value1, item.value2, this);
        }
      } else if (param_.LogCallback) {
        param_.LogCallback(item.who, item.time, item.message, item.code, this);
      }
    } catch (...) {
      // A callback that throws loses its own event, not the download.
    }
  }
}

}  // namespace download
