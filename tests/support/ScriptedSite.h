#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "browse/Site.h"
#include "tools/loopback/HttpServer.h"
#include "tools/loopback/Response.h"
#include "tools/loopback/ServeFile.h"

namespace testsupport {

// Points the program's SiteBase at `base` while it lives, then puts back what was there.
class ScopedSiteBase {
 public:
  explicit ScopedSiteBase(std::string_view base) { browse::SetSiteBase(base); }
  ~ScopedSiteBase() { browse::SetSiteBase(previous_); }

  ScopedSiteBase(const ScopedSiteBase&) = delete;
  ScopedSiteBase& operator=(const ScopedSiteBase&) = delete;

 private:
  const std::string previous_ = browse::SiteBase();
};

// A site on 127.0.0.1 that answers each path with the page a test put there (404 for any
// other) and becomes the program's SiteBase while it lives.
class ScriptedSite {
 public:
  ScriptedSite()
      : server_([this](const loopback::Request& request, loopback::Connection& connection) {
          Answer(request, connection);
        }) {}

  ScriptedSite(const ScriptedSite&) = delete;
  ScriptedSite& operator=(const ScriptedSite&) = delete;

  // Serves `body` (GBK) at `path`, e.g. "/html/wuxia/list_30_1.html".
  void Put(const std::string& path, std::string body) {
    std::lock_guard lock(mutex_);
    pages_[path] = std::move(body);
  }

  // Serves `data` at `path` as a file: with its length, ranges, and the faults `options` asks for.
  void PutFile(const std::string& path, std::string data, loopback::FileOptions options = {}) {
    std::lock_guard lock(mutex_);
    files_[path] = {std::move(data), std::move(options)};
  }

  // The targets of the requests so far, as written on their request lines.
  std::vector<std::string> Targets() const {
    std::vector<std::string> targets;
    for (const auto& request : server_.Requests()) targets.push_back(request.target);
    return targets;
  }

  std::vector<loopback::Request> Requests() const { return server_.Requests(); }

 private:
  struct File {
    std::string data;
    loopback::FileOptions options;
  };

  void Answer(const loopback::Request& request, loopback::Connection& connection) {
    loopback::Response response;
    {
      std::unique_lock lock(mutex_);
      if (auto file = files_.find(request.Path()); file != files_.end()) {
        const File served = file->second;
        lock.unlock();
        return loopback::ServeFile(request, connection, served.data, served.options);
      }
      auto page = pages_.find(request.Path());
      if (page == pages_.end()) {
        response.status = 404;
      } else {
        response.body = page->second;
      }
    }
    response.headers.emplace_back("Content-Type", "text/html; charset=gbk");
    loopback::Respond(connection, response);
  }

  std::mutex mutex_;
  std::map<std::string, std::string> pages_;
  std::map<std::string, File> files_;
  loopback::HttpServer server_;
  ScopedSiteBase siteBase_{server_.BaseUrl()};
};

}  // namespace testsupport
