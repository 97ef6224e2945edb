#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "tools/loopback/HttpServer.h"

namespace loopback {

// How ServeFile answers, including the ways a bad server goes wrong.
struct FileOptions {
  bool honourRange = true;  // false: every request gets 200 and the whole file
  bool sendLength = true;   // false: no Content-Length, the body ends when the connection closes
  std::string contentDisposition;  // sent as is when not empty
  std::string contentType = "application/octet-stream";
  // Cut the connection after this many body bytes of one response.
  std::optional<std::size_t> dropAfter;
  // Cut every connection that reaches this position of the file, whatever range it asked for:
  // a server that always breaks at the same place, so resuming gets no further.
  std::optional<std::size_t> dropAtPosition;
  // Bytes per write and a pause after each, for a slow server.
  std::size_t chunk = 64 * 1024;
  std::chrono::milliseconds pause{0};
};

// Answers GET and HEAD for `data`, with "Range: bytes=N-" and "bytes=N-M" giving 206 and a
// Content-Range; a range past the end gives 416.
void ServeFile(const Request& request, Connection& connection, std::string_view data,
               const FileOptions& options = {});

}  // namespace loopback
