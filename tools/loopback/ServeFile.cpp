#include "tools/loopback/ServeFile.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

#include "tools/loopback/Response.h"

namespace loopback {
namespace {

struct Range {
  std::size_t first = 0;
  std::size_t last = 0;  // inclusive
};

// "bytes=N-" or "bytes=N-M"; nullopt for anything else, which is then served whole.
std::optional<Range> ParseRange(const std::string& value, std::size_t size) {
  if (value.rfind("bytes=", 0) != 0) return std::nullopt;
  const char* p = value.c_str() + 6;
  char* end = nullptr;
  if (*p < '0' || *p > '9') return std::nullopt;
  Range r;
  r.first = std::strtoull(p, &end, 10);
  if (*end != '-') return std::nullopt;
  ++end;
  if (*end == '\0') {
    r.last = size == 0 ? 0 : size - 1;
  } else {
    r.last = std::strtoull(end, &end, 10);
    if (*end != '\0') return std::nullopt;
    r.last = std::min(r.last, size == 0 ? 0 : size - 1);
  }
  return r;
}

}  // namespace

void ServeFile(const Request& request, Connection& connection, std::string_view data,
               const FileOptions& options) {
  Response head;
  std::string_view body = data;
  std::size_t offset = 0;  // where `body` starts in the file
  std::string range = request.Header("Range");
  if (options.honourRange && !range.empty()) {
    if (auto r = ParseRange(range, data.size())) {
      if (r->first >= data.size() || r->first > r->last) {
        head.status = 416;
        head.headers.emplace_back("Content-Range", "bytes */" + std::to_string(data.size()));
        Respond(connection, head);
        return;
      }
      head.status = 206;
      head.headers.emplace_back("Content-Range", "bytes " + std::to_string(r->first) + "-" +
                                                     std::to_string(r->last) + "/" +
                                                     std::to_string(data.size()));
      body = data.substr(r->first, r->last - r->first + 1);
      offset = r->first;
    }
  }
  head.headers.emplace_back("Content-Type", options.contentType);
  if (options.honourRange) head.headers.emplace_back("Accept-Ranges", "bytes");
  if (!options.contentDisposition.empty()) {
    head.headers.emplace_back("Content-Disposition", options.contentDisposition);
  }
  if (options.sendLength) {
    head.headers.emplace_back("Content-Length", std::to_string(body.size()));
  } else {
    head.addLength = false;
    connection.Close();
  }
  if (!connection.Send(head.Serialize())) return connection.Close();
  if (request.method == "HEAD") return;

  std::size_t limit = options.dropAfter ? std::min(*options.dropAfter, body.size()) : body.size();
  if (options.dropAtPosition) {
    limit =
        std::min(limit, *options.dropAtPosition > offset ? *options.dropAtPosition - offset : 0);
  }
  std::size_t chunk = std::max<std::size_t>(options.chunk, 1);
  for (std::size_t sent = 0; sent < limit;) {
    std::size_t n = std::min(chunk, limit - sent);
    if (!connection.Send(body.substr(sent, n))) return connection.Close();
    sent += n;
    if (options.pause.count() > 0 && sent < limit) std::this_thread::sleep_for(options.pause);
  }
  if (limit < body.size()) connection.Close();
}

}  // namespace loopback
