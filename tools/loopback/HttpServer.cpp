#include "tools/loopback/HttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <strings.h>
#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace loopback {
namespace {

constexpr std::size_t kMaxHead = 1 << 20;

std::string TrimSpaces(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return std::string(s);
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// Appends what the client sends next; false when it has closed or the read failed.
bool ReadMore(int fd, std::string& buffer) {
  char chunk[16384];
  while (true) {
    ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    buffer.append(chunk, static_cast<std::size_t>(n));
    return true;
  }
}

// Parses the head (everything before the blank line); false when it is not a request.
bool ParseHead(std::string_view head, Request& request) {
  std::size_t lineEnd = head.find("\r\n");
  std::string_view line = head.substr(0, lineEnd);
  std::size_t s1 = line.find(' ');
  std::size_t s2 = line.rfind(' ');
  if (s1 == std::string_view::npos || s2 == s1) return false;
  request.method = std::string(line.substr(0, s1));
  request.target = std::string(line.substr(s1 + 1, s2 - s1 - 1));
  request.version = std::string(line.substr(s2 + 1));
  while (lineEnd != std::string_view::npos) {
    std::size_t start = lineEnd + 2;
    lineEnd = head.find("\r\n", start);
    std::string_view h = head.substr(
        start, lineEnd == std::string_view::npos ? std::string_view::npos : lineEnd - start);
    std::size_t colon = h.find(':');
    if (colon == std::string_view::npos) continue;
    request.headers.emplace_back(std::string(h.substr(0, colon)), TrimSpaces(h.substr(colon + 1)));
  }
  return true;
}

}  // namespace

std::string Request::Header(std::string_view name) const {
  for (const auto& [n, v] : headers) {
    if (EqualsIgnoreCase(n, name)) return v;
  }
  return {};
}

bool Request::HasHeader(std::string_view name) const {
  return std::any_of(headers.begin(), headers.end(),
                     [&](const auto& h) { return EqualsIgnoreCase(h.first, name); });
}

std::string Request::Path() const {
  std::string_view t = target;
  if (std::size_t scheme = t.find("://"); scheme != std::string_view::npos) {
    std::size_t slash = t.find('/', scheme + 3);
    t = slash == std::string_view::npos ? std::string_view("/") : t.substr(slash);
  }
  return std::string(t.substr(0, t.find('?')));
}

bool Connection::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    if (stopping_.load()) return false;
    ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

HttpServer::HttpServer(Handler handler, int port) : handler_(std::move(handler)) {
  if (port < 0 || port > 65535) return;
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) return;
  int one = 1;
  ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  socklen_t len = sizeof addr;
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listenFd_, 128) != 0 ||
      ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    ::close(listenFd_);
    listenFd_ = -1;
    return;
  }
  port_ = ntohs(addr.sin_port);
  acceptThread_ = std::thread([this] { AcceptLoop(); });
}

HttpServer::~HttpServer() {
  stopping_ = true;
  if (listenFd_ >= 0) ::shutdown(listenFd_, SHUT_RDWR);
  if (acceptThread_.joinable()) acceptThread_.join();
  {
    std::lock_guard lock(mutex_);
    for (int fd : openFds_) ::shutdown(fd, SHUT_RDWR);
  }
  // No new workers can start now; join the ones there are.
  for (std::thread& t : workers_) t.join();
  if (listenFd_ >= 0) ::close(listenFd_);
}

std::string HttpServer::BaseUrl() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/";
}

std::vector<Request> HttpServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void HttpServer::AcceptLoop() {
  while (!stopping_.load()) {
    int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return;  // the listening socket was shut down
    }
    std::lock_guard lock(mutex_);
    if (stopping_.load()) {
      ::close(fd);
      return;
    }
    openFds_.push_back(fd);
    workers_.emplace_back([this, fd] { Serve(fd); });
  }
}

void HttpServer::Record(const Request& request) {
  std::lock_guard lock(mutex_);
  requests_.push_back(request);
}

void HttpServer::Serve(int fd) {
  std::string buffer;
  bool open = true;
  while (open && !stopping_.load()) {
    // Read up to the end of the head.
    std::size_t headEnd;
    while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
      if (buffer.size() > kMaxHead || !ReadMore(fd, buffer)) {
        open = false;
        break;
      }
    }
    if (!open) break;

    Request request;
    if (!ParseHead(std::string_view(buffer).substr(0, headEnd), request)) break;
    std::size_t bodyLength = std::strtoull(request.Header("Content-Length").c_str(), nullptr, 10);
    std::size_t total = headEnd + 4 + bodyLength;
    while (open && buffer.size() < total) open = ReadMore(fd, buffer);
    if (!open) break;
    request.raw = buffer.substr(0, total);
    request.body = buffer.substr(headEnd + 4, bodyLength);
    buffer.erase(0, total);
    Record(request);

    Connection connection(fd, stopping_);
    handler_(request, connection);
    std::string wants = request.Header("Connection");
    if (connection.Closing() || EqualsIgnoreCase(wants, "close") ||
        (request.version == "HTTP/1.0" && !EqualsIgnoreCase(wants, "keep-alive"))) {
      open = false;
    }
  }
  ::shutdown(fd, SHUT_RDWR);
  std::lock_guard lock(mutex_);
  openFds_.erase(std::find(openFds_.begin(), openFds_.end(), fd));
  ::close(fd);
}

}  // namespace loopback
