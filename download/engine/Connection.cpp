#include "download/engine/Connection.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "download/engine/Task.h"

namespace download {
namespace {

constexpr int kMaxRedirects = 10;
// What one read from the socket may bring. Larger than a block: reading 20 KB at a time cost
// twice the CPU of a plain single download, while blocks (the writes' accounting and the
// received events) still keep to ReceiveBlock.
constexpr long kSocketRead = 256 * 1024;
constexpr char kAgent[] = "Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)";

// The address a Location line points to, seen from `from`.
text::Text ResolveLocation(const Address& from, const std::string& location) {
  if (location.find("://") != std::string::npos) return location;
  text::Text origin = from.scheme + "://" + from.host + ":" + std::to_string(from.port);
  if (!location.empty() && location.front() == '/') return origin + location;
  text::Text dir = from.path.substr(0, from.path.rfind('/') + 1);
  return origin + dir + location;
}

// "bytes START-..." with the start we asked for and, when given, the total we know.
bool RangeMatches(const std::string& contentRange, std::int64_t start, std::int64_t length) {
  std::string expected = "bytes " + std::to_string(start) + "-";
  if (contentRange.rfind(expected, 0) != 0) return false;
  std::size_t slash = contentRange.find('/');
  if (slash == std::string::npos) return true;
  std::string total = contentRange.substr(slash + 1);
  return total == "*" || total == std::to_string(length);
}

}  // namespace

Connection::Connection(Task& task, int id)
    : task_(task),
      id_(id),
      stream_(task.StopFlag(), task.Rate().Limited() ? &task.Rate() : nullptr,
              task.WantsLog() ? HttpStream::Tracer([this](int level, std::string_view line) {
                task_.Log(this, level, std::string(line));
              })
                              : HttpStream::Tracer{}) {}

void Connection::Run() {
  task_.Event(kEventConnectionStart, this, 0);
  std::optional<int> part = id_ == 0 ? std::optional<int>(0) : NextPart();
  bool firstPart = true;
  int ending = kEventConnectionDone;
  while (part) {
    if (!(id_ == 0 && firstPart)) {
      Part p = task_.Parts().Get(*part);
      task_.Event(firstPart ? kEventFirstPart : kEventFurtherPart, this, p.pos, p.end);
    }
    Outcome outcome = Fetch(*part, id_ == 0 && firstPart);
    int attempts = 0;
    if (task_.Parts().PartCount() > 0) {
      task_.Parts().Release(*part, id_);
      attempts = task_.Parts().Get(*part).attempts;
    }
    firstPart = false;
    part.reset();
    switch (outcome) {
      case Outcome::kPartDone:
      case Outcome::kPartLost:
        part = NextPart();
        break;
      case Outcome::kRetry:
        // A short pause that grows with each try, so a struggling server is not hammered.
        Sleep(200 * attempts);
        part = NextPart();
        if (!part) ending = kEventConnectionError;
        break;
      case Outcome::kTaskFailed:
        ending = kEventConnectionError;
        break;
      case Outcome::kStopped:
        break;
    }
  }
  task_.Event(ending, this, reached_);
}

std::optional<int> Connection::NextPart() {
  if (task_.StopFlag().load() || task_.Failed()) return std::nullopt;
  return task_.Parts().Claim(id_);
}

void Connection::Sleep(int milliseconds) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!task_.StopFlag().load() && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

Connection::Outcome Connection::Fetch(int part, bool first) {
  std::int64_t start = first ? 0 : task_.Parts().Get(part).pos;
  bool ranged = start > 0;
  if (!ranged && !first) task_.Parts().SetWholeBodyReader(id_);
  Address address = first ? task_.StartAddress() : task_.FileAddress();
  const TaskParam& param = task_.Param();

  for (int hop = 0;; ++hop) {
    StreamRequest request;
    request.url = WireUrl(address);
    request.proxy = param.Proxy;
    request.connectTimeoutMs = param.ConnectTimeout > 0 ? param.ConnectTimeout : 20000;
    request.sendTimeoutMs = param.SendTimeout > 0 ? param.SendTimeout : 20000;
    request.receiveTimeoutMs = param.ReceiveTimeout > 0 ? param.ReceiveTimeout : 20000;
    // Under a rate limit, small reads keep each second's share close to the limit.
    request.bufferSize = param.SpeedLimit > 0
                             ? std::clamp<long>(param.SpeedLimit / 10, 1024, kSocketRead)
                             : kSocketRead;
    if (param.Proxy.empty()) {
      text::Text referer = param.Referer;
      if (referer.empty()) referer = param.Url.substr(0, param.Url.rfind('/'));
      // Addresses come from web pages: a line break in one must not start a header line.
      std::erase_if(referer,
                    [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
      request.lines = {"Accept: */*", "Referer: " + referer, std::string("User-Agent: ") + kAgent};
      if (ranged) request.lines.push_back("Range: bytes=" + std::to_string(start) + "-");
      request.lines.push_back("Pragma: no-cache");
      request.lines.push_back("Cache-Control: no-cache");
      request.lines.push_back("Connection: close");
    } else {
      request.lines = {std::string("User-Agent: ") + kAgent, "Proxy-Connection: Keep-Alive"};
      if (ranged) request.lines.push_back("Range: bytes=" + std::to_string(start) + "-");
    }

    redirect_.clear();
    lost_ = false;
    writeFailed_ = false;
    bool sawHead = false;
    bool headTaken = false;
    Outcome verdict = Outcome::kRetry;
    StreamEnd end = stream_.Run(
        request,
        [&](const ResponseHead& head) {
          sawHead = true;
          headTaken = AcceptHead(head, ranged, start, first, verdict, address);
          return headTaken;
        },
        [&](std::string_view data) { return TakeBody(data, part); });

    if (!redirect_.empty()) {
      std::optional<Address> next = ParseAddress(ResolveLocation(address, redirect_));
      if (hop + 1 >= kMaxRedirects || !next || next->protocol != Protocol::kHttp) {
        task_.Fail(this, "cannot follow the redirection to " + redirect_);
        return Outcome::kTaskFailed;
      }
      task_.Log(this, kLogInfo, "redirected to " + redirect_);
      address = *next;
      continue;
    }
    if (end == StreamEnd::kStopped) return Outcome::kStopped;
    if (!sawHead) {
      task_.Log(this, kLogError, "no response: " + stream_.ErrorText());
      if (first) {
        task_.Fail(this, "the server cannot be reached");
        return Outcome::kTaskFailed;
      }
      return Outcome::kRetry;
    }
    if (!headTaken) return verdict;
    if (writeFailed_) return Outcome::kTaskFailed;
    if (lost_) return Outcome::kPartLost;
    Part p = task_.Parts().Get(part);
    if (p.pos >= p.end) return Outcome::kPartDone;
    task_.Log(this, kLogError,
              "the part broke off at " + std::to_string(p.pos) +
                  (stream_.ErrorText().empty() ? "" : ": " + stream_.ErrorText()));
    return Outcome::kRetry;
  }
}

bool Connection::AcceptHead(const ResponseHead& head, bool ranged, std::int64_t start, bool first,
                            Outcome& verdict, const Address& address) {
  if ((head.status == 301 || head.status == 302) && !head.location.empty()) {
    redirect_ = head.location;
    return false;
  }
  bool ok = head.status == 200 || head.status == 206;
  if (first) {
    verdict = Outcome::kTaskFailed;
    if (!ok) {
      task_.Fail(this, "the server answered " + head.statusLine);
      return false;
    }
    if (!head.contentLength) {
      task_.Fail(this, "the server did not give the file's length");
      return false;
    }
    std::int64_t length = *head.contentLength;
    task_.SetFileAddress(address);
    if (!task_.CreateFile(*this, head.contentDisposition, length)) return false;
    task_.Parts().Plan(length, std::max(1, task_.Param().ThreadCount));
    task_.Event(kEventFileSize, this, length);
    task_.Event(kEventFirstPart, this, 0, task_.Parts().Get(0).end);
    task_.StartFurtherConnections(task_.Parts().PartCount());
    return true;
  }
  std::int64_t length = task_.Parts().Length();
  if (ranged) {
    if (head.status == 206 && RangeMatches(head.contentRange, start, length)) return true;
    if (ok) {
      task_.Log(this, kLogError,
                "asked for bytes from " + std::to_string(start) + " and got " +
                    (head.status == 200 ? "the whole file" : "\"" + head.contentRange + "\"") +
                    "; going on with one connection");
      task_.Parts().FallBackToWholeBody();
      verdict = Outcome::kPartLost;
      return false;
    }
  } else {
    if (ok && head.contentLength == length) return true;
    if (ok) {
      task_.Fail(this, "the file on the server has changed its length");
      verdict = Outcome::kTaskFailed;
      return false;
    }
  }
  task_.Log(this, kLogError, "the server answered " + head.statusLine);
  verdict = Outcome::kRetry;
  return false;
}

std::size_t Connection::TakeBody(std::string_view data, int part) {
  if (task_.Failed()) return 0;
  PartTable::Slice slice = task_.Parts().Reserve(part, id_, static_cast<std::int64_t>(data.size()));
  if (slice.room == PartTable::Room::kLost) lost_ = true;
  if (slice.room != PartTable::Room::kWrite) return 0;
  if (!task_.WriteAt(data.data(), slice.size, slice.offset)) {
    writeFailed_ = true;
    task_.Fail(this, "cannot write the file");
    return 0;
  }
  task_.Parts().Commit(part, id_, slice.size);
  reached_ = slice.offset + slice.size;
  // One write for what arrived, reported as blocks of at most ReceiveBlock bytes.
  if (task_.WantsEvents()) {
    task_.ReceivedBlocks(this, slice.size,
                         std::clamp(task_.Param().ReceiveBlock, 1, kMaxReceiveBlock));
  }
  return static_cast<std::size_t>(slice.size);
}

}  // namespace download
