#pragma once

#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "tools/loopback/HttpServer.h"

// The demo site: a stand-in for the novel site the program reads, served on 127.0.0.1 so the
// program can be shown and tested end to end.
namespace demosite {

class Site {
 public:
  // Answers one request: GET or HEAD of a page or file (files honour Range), 404 for an unknown
  // path, 405 for other methods. Thread-safe.
  void Handle(const loopback::Request& request, loopback::Connection& connection);

  // The bytes served at `path` (from "/", without the query): GBK HTML, or a book's TXT file.
  // nullopt for a path the site does not have.
  std::optional<std::string> Page(std::string_view path);

  // Sends each connection's share of a book's file at about `bytesPerSecond`, in ten pieces a
  // second, so a download takes long enough to watch. 0, the default, sends at full speed.
  // Set before serving.
  void SetFileRate(std::size_t bytesPerSecond) { fileRate_ = bytesPerSecond; }

 private:
  struct Found {
    std::shared_ptr<const std::string> body;
    bool isFile = false;
  };
  // What `path` holds; an empty body for an unknown path.
  Found Resolve(std::string_view path);
  // The TXT file of book `id`, from the cache of recent files or made anew.
  std::shared_ptr<const std::string> File(int id);

  static constexpr std::size_t kCachedFiles = 4;
  std::size_t fileRate_ = 0;
  std::mutex mutex_;
  std::list<std::pair<int, std::shared_ptr<const std::string>>> files_;  // most recent first
};

}  // namespace demosite
