#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "download/engine/Download.h"
#include "download/engine/TaskParam.h"
#include "tools/loopback/HttpServer.h"
#include "tools/loopback/Response.h"
#include "tools/loopback/ServeFile.h"

// What the engine told a task's callbacks, kept safely across threads. Shared by pointer, so a
// task that outlives its Download still has somewhere to write.
struct Recorder {
  struct Event {
    int code, value1, value2;
    download::Handle connection;
    std::thread::id thread;
  };
  struct Line {
    int level;
    std::string message;
  };

  std::mutex mutex;
  std::vector<Event> events;
  std::vector<Line> lines;
  int existsAnswer = download::kExistsPickNewName;

  std::vector<Event> Events() {
    std::lock_guard lock(mutex);
    return events;
  }
  std::vector<Event> Events(int code) {
    std::lock_guard lock(mutex);
    std::vector<Event> out;
    for (const Event& e : events) {
      if (e.code == code) out.push_back(e);
    }
    return out;
  }
  bool HasErrorLine() {
    std::lock_guard lock(mutex);
    for (const Line& l : lines) {
      if (l.level == download::kLogError) return true;
    }
    return false;
  }
};

// Bytes that differ at every offset, so a part written at the wrong place shows.
inline std::string TestBytes(std::size_t size, unsigned seed = 1) {
  std::mt19937 random(seed);
  std::string out(size, '\0');
  for (char& c : out) c = static_cast<char>(random() & 0xFF);
  return out;
}

// Equal byte strings, or where the first difference is; binary bytes make poor messages.
inline testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) return testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  return testing::AssertionFailure() << "sizes " << actual.size() << " and " << expected.size()
                                     << ", first difference at byte " << at;
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A loopback server whose answers each test scripts by path, a fresh save directory inside a
// fresh root, and a task record wired to a Recorder.
class EngineTest : public ::testing::Test {
 protected:
  using Handler = std::function<void(const loopback::Request&, loopback::Connection&)>;

  void SetUp() override {
    char pattern[] = "/tmp/moshu-engine-XXXXXX";
    root_ = mkdtemp(pattern);
    saveDir_ = root_ / "save";
    std::filesystem::create_directory(saveDir_);
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  // Serves `data` at `path` with `options`.
  void ServeAt(const std::string& path, std::string data, loopback::FileOptions options = {}) {
    auto shared = std::make_shared<std::string>(std::move(data));
    Route(path, [shared, options](const loopback::Request& r, loopback::Connection& c) {
      loopback::ServeFile(r, c, *shared, options);
    });
  }
  void Route(const std::string& path, Handler route) {
    std::lock_guard lock(routesMutex_);
    routes_[path] = std::move(route);
  }

  std::string Url(const std::string& path) const { return server_.BaseUrl() + path.substr(1); }

  download::TaskParam Task(const std::string& path, std::shared_ptr<Recorder> recorder) {
    download::TaskParam p;
    p.Flags = download::kFlagDownload;
    p.Url = Url(path);
    p.SavePath = saveDir_.string() + "/";
    p.EventCallback = [recorder](int code, download::Handle connection, int v1, int v2,
                                 download::Handle) {
      std::lock_guard lock(recorder->mutex);
      recorder->events.push_back({code, v1, v2, connection, std::this_thread::get_id()});
      return code == download::kEventFileExists ? recorder->existsAnswer : 0;
    };
    p.LogCallback = [recorder](download::Handle, const std::string&, const std::string& message,
                               int level, download::Handle) {
      std::lock_guard lock(recorder->mutex);
      recorder->lines.push_back({level, message});
    };
    return p;
  }

  // Runs `task` on a Download of its own until the task is released; how it ended.
  static download::TaskEnd Run(const download::TaskParam& task) {
    download::Download d;
    if (!d.AddTask(task)) {
      ADD_FAILURE() << "task refused: " << task.Url;
      return download::TaskEnd::kNone;
    }
    if (!WaitForRelease(d)) ADD_FAILURE() << "task still running: " << task.Url;
    return d.LastEnd();
  }

  // Waits until the task has ended and been released; false after 30 s.
  static bool WaitForRelease(const download::Download& d) {
    for (int i = 0; i < 6000 && d.HoldsTask(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return !d.HoldsTask();
  }

  std::vector<std::string> SavedNames() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(saveDir_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  std::filesystem::path root_;
  std::filesystem::path saveDir_;
  std::mutex routesMutex_;
  std::map<std::string, Handler> routes_;
  loopback::HttpServer server_{[this](const loopback::Request& r, loopback::Connection& c) {
    Handler route;
    {
      std::lock_guard lock(routesMutex_);
      auto it = routes_.find(r.Path());
      if (it != routes_.end()) route = it->second;
    }
    if (route) {
      route(r, c);
    } else {
      loopback::Respond(c, {404, "", {}, "not here", true});
    }
  }};
};
