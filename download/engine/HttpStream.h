#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "download/engine/RateLimit.h"

// One connection's HTTP exchanges, one request at a time. The only file of the engine that
// knows libcurl: it sends the header lines it is given and nothing of libcurl's own but Host,
// hands the response head and then the body to the caller as they arrive, keeps to the
// task's rate limit, and gives up on a stop request or a time-out.
namespace download {

struct StreamRequest {
  std::string url;                 // "http://host:port/path", already safe for the wire
  std::vector<std::string> lines;  // header lines in order, without CR LF
  std::string proxy;               // "host:port", empty for a direct connection
  long connectTimeoutMs = 20000;
  long sendTimeoutMs = 20000;
  long receiveTimeoutMs = 20000;
  long bufferSize = 20480;  // the most one body delivery holds
};

struct ResponseHead {
  int status = 0;
  std::string statusLine;
  std::optional<std::int64_t> contentLength;
  std::string location;
  std::string contentDisposition;
  std::string contentRange;
};

enum class StreamEnd {
  kBodyEnded,    // the response ended where the server said it would
  kCutByCaller,  // the head or body handler asked to stop
  kStopped,      // the stop flag was raised
  kTimedOut,
  kBroken,  // could not connect, or the connection failed or ended early
};

class HttpStream {
 public:
  // Return false to end the exchange.
  using HeadHandler = std::function<bool(const ResponseHead&)>;
  // Return how many bytes were taken: all of them to go on, fewer to end the exchange.
  using BodyHandler = std::function<std::size_t(std::string_view)>;
  // Request and response lines, for the log: level 1 for sent, 2 for received.
  using Tracer = std::function<void(int level, std::string_view line)>;
  // `rate` may be null for no limit.
  HttpStream(const std::atomic<bool>& stop, RateLimit* rate, Tracer tracer);
  ~HttpStream();
  HttpStream(const HttpStream&) = delete;
  HttpStream& operator=(const HttpStream&) = delete;

  StreamEnd Run(const StreamRequest& request, const HeadHandler& onHead, const BodyHandler& onBody);
  // What went wrong in the last Run, for the log.
  const std::string& ErrorText() const { return error_; }

  // Makes a running Run look at the stop flag at once. Any thread.
  void Wakeup();

 private:
  struct Exchange;
  static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user);
  static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user);
  static int OnTrace(void* handle, int type, char* data, std::size_t size, void* user);

  const std::atomic<bool>& stop_;
  RateLimit* rate_;
  Tracer tracer_;
  void* easy_ = nullptr;
  void* multi_ = nullptr;
  std::mutex wakeMutex_;
  std::string error_;
};

}  // namespace download
