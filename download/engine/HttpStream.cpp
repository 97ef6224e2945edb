#include "download/engine/HttpStream.h"

#include <curl/curl.h>
#include <strings.h>

#include <algorithm>
#include <mutex>

namespace download {
namespace {

using Clock = std::chrono::steady_clock;

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool StartsWithIgnoreCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && strncasecmp(s.data(), prefix.data(), prefix.size()) == 0;
}

std::string ValueAfterColon(std::string_view line) {
  std::size_t colon = line.find(':');
  std::string_view v = line.substr(colon + 1);
  while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
  while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
  return std::string(v);
}

std::optional<std::int64_t> ParseLength(std::string_view v) {
  if (v.empty() || v.size() > 18) return std::nullopt;
  std::int64_t n = 0;
  for (char c : v) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

}  // namespace

struct HttpStream::Exchange {
  HttpStream* self = nullptr;
  const HeadHandler* onHead = nullptr;
  const BodyHandler* onBody = nullptr;
  ResponseHead head;
  bool headDone = false;
  bool cut = false;
  bool paused = false;
  bool heardFromServer = false;
  Clock::time_point lastActivity;
};

HttpStream::HttpStream(const std::atomic<bool>& stop, RateLimit* rate, Tracer tracer)
    : stop_(stop), rate_(rate), tracer_(std::move(tracer)) {
  GlobalInit();
  easy_ = curl_easy_init();
  multi_ = curl_multi_init();
}

HttpStream::~HttpStream() {
  std::lock_guard lock(wakeMutex_);
  if (easy_ != nullptr) curl_easy_cleanup(static_cast<CURL*>(easy_));
  if (multi_ != nullptr) curl_multi_cleanup(static_cast<CURLM*>(multi_));
  multi_ = nullptr;
}

void HttpStream::Wakeup() {
  std::lock_guard lock(wakeMutex_);
  if (multi_ != nullptr) curl_multi_wakeup(static_cast<CURLM*>(multi_));
}

std::size_t HttpStream::OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto* x = static_cast<Exchange*>(user);
  std::size_t n = size * count;
  std::string_view line(data, n);
  x->lastActivity = Clock::now();
  x->heardFromServer = true;
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);

  if (StartsWithIgnoreCase(line, "HTTP/")) {
    x->head = ResponseHead{};
    x->head.statusLine = std::string(line);
    std::size_t space = line.find(' ');
    if (space != std::string_view::npos) x->head.status = std::atoi(line.data() + space + 1);
    return n;
  }
  if (line.empty()) {
    if (x->head.status >= 100 && x->head.status < 200) return n;  // an interim response
    x->headDone = true;
    if (!(*x->onHead)(x->head)) {
      x->cut = true;
      return 0;
    }
    return n;
  }
  if (StartsWithIgnoreCase(line, "Content-Length:")) {
    x->head.contentLength = ParseLength(ValueAfterColon(line));
  } else if (StartsWithIgnoreCase(line, "Location:")) {
    x->head.location = ValueAfterColon(line);
  } else if (StartsWithIgnoreCase(line, "Content-Disposition:")) {
    x->head.contentDisposition = ValueAfterColon(line);
  } else if (StartsWithIgnoreCase(line, "Content-Range:")) {
    x->head.contentRange = ValueAfterColon(line);
  }
  return n;
}

std::size_t HttpStream::OnBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* x = static_cast<Exchange*>(user);
  std::size_t n = size * count;
  if (x->self->stop_.load()) {
    x->cut = true;
    return 0;
  }
  RateLimit* rate = x->self->rate_;
  if (rate != nullptr && !rate->MayRead()) {
    x->paused = true;
    return CURL_WRITEFUNC_PAUSE;
  }
  x->lastActivity = Clock::now();
  std::size_t taken = (*x->onBody)(std::string_view(data, n));
  if (rate != nullptr) rate->Took(static_cast<std::int64_t>(taken));
  if (taken < n) {
    x->cut = true;  // a short count ends the transfer
    return taken;
  }
  return n;
}

int HttpStream::OnTrace(void*, int type, char* data, std::size_t size, void* user) {
  auto* self = static_cast<HttpStream*>(user);
  std::string_view block(data, size);
  int level = type == CURLINFO_HEADER_OUT ? 1 : type == CURLINFO_HEADER_IN ? 2 : 0;
  if (level == 0) return 0;
  while (!block.empty()) {
    std::size_t end = block.find("\r\n");
    std::string_view line = block.substr(0, end);
    if (!line.empty()) self->tracer_(level, line);
    if (end == std::string_view::npos) break;
    block.remove_prefix(end + 2);
  }
  return 0;
}

StreamEnd HttpStream::Run(const StreamRequest& request, const HeadHandler& onHead,
                          const BodyHandler& onBody) {
  error_.clear();
  auto* easy = static_cast<CURL*>(easy_);
  auto* multi = static_cast<CURLM*>(multi_);
  if (easy == nullptr || multi == nullptr) {
    error_ = "no transfer handle";
    return StreamEnd::kBroken;
  }

  Exchange x;
  x.self = this;
  x.onHead = &onHead;
  x.onBody = &onBody;
  x.lastActivity = Clock::now();

  curl_slist* headers = nullptr;
  bool hasAccept = false;
  for (const std::string& line : request.lines) {
    headers = curl_slist_append(headers, line.c_str());
    hasAccept = hasAccept || StartsWithIgnoreCase(line, "Accept:");
  }
  // Without this line libcurl would add an Accept line of its own.
  if (!hasAccept) headers = curl_slist_append(headers, "Accept:");

  char errorBuffer[CURL_ERROR_SIZE] = "";
  curl_easy_reset(easy);
  curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http");
  curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
  // An empty proxy also keeps libcurl from taking one from the environment.
  std::string proxy = request.proxy.empty() ? std::string() : "http://" + request.proxy;
  curl_easy_setopt(easy, CURLOPT_PROXY, proxy.c_str());
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, std::max(1L, request.connectTimeoutMs));
  curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, std::clamp(request.bufferSize, 1024L, 524288L));
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &HttpStream::OnHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &x);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &HttpStream::OnBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &x);
  if (tracer_) {
    curl_easy_setopt(easy, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(easy, CURLOPT_DEBUGFUNCTION, &HttpStream::OnTrace);
    curl_easy_setopt(easy, CURLOPT_DEBUGDATA, this);
  }

  curl_multi_add_handle(multi, easy);
  StreamEnd end = StreamEnd::kBroken;
  bool finished = false;
  CURLcode code = CURLE_OK;
  const auto waitForHead = std::chrono::milliseconds(std::max(1L, request.connectTimeoutMs) +
                                                     std::max(1L, request.sendTimeoutMs) +
                                                     std::max(1L, request.receiveTimeoutMs));
  const auto waitForData = std::chrono::milliseconds(std::max(1L, request.receiveTimeoutMs));
  while (true) {
    int running = 0;
    curl_multi_perform(multi, &running);
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi, &queued)) {
      if (msg->msg == CURLMSG_DONE) {
        finished = true;
        code = msg->data.result;
      }
    }
    if (finished || running == 0) break;
    if (stop_.load()) {
      end = StreamEnd::kStopped;
      error_ = "stopped";
      break;
    }
    auto now = Clock::now();
    if (x.paused && (rate_ == nullptr || rate_->MayRead())) {
      x.paused = false;
      x.lastActivity = now;
      curl_easy_pause(easy, CURLPAUSE_CONT);
      continue;
    }
    if (!x.paused && now - x.lastActivity > (x.heardFromServer ? waitForData : waitForHead)) {
      end = StreamEnd::kTimedOut;
      error_ = "no data from the server in time";
      break;
    }
    curl_multi_poll(multi, nullptr, 0, x.paused ? 20 : 100, nullptr);
  }
  curl_multi_remove_handle(multi, easy);
  curl_slist_free_all(headers);

  if (finished) {
    if (code == CURLE_OK) {
      end = StreamEnd::kBodyEnded;
    } else if (x.cut) {
      end = x.self->stop_.load() ? StreamEnd::kStopped : StreamEnd::kCutByCaller;
    } else if (code == CURLE_OPERATION_TIMEDOUT) {
      end = StreamEnd::kTimedOut;
      error_ = errorBuffer[0] != '\0' ? errorBuffer : curl_easy_strerror(code);
    } else {
      end = StreamEnd::kBroken;
      error_ = errorBuffer[0] != '\0' ? errorBuffer : curl_easy_strerror(code);
    }
  }
  return end;
}

}  // namespace download
