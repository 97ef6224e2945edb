#pragma once

#include <atomic>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

// A small HTTP/1.1 server on 127.0.0.1 for the tests, the benchmarks and the demo site.
//
// It listens on a port the system picks (or a fixed one), reads each request whole (head and, by
// Content-Length, body), keeps a copy of the exact bytes and hands the request to a handler on the
// connection's own thread. The handler writes whatever bytes it likes, so a test can answer
// correctly, slowly, wrongly or not at all. Connections stay open for further requests unless
// the client or the handler asks to close.
namespace loopback {

// One request as it arrived.
struct Request {
  std::string raw;  // the exact bytes: request line, header lines, blank line and body
  std::string method;
  std::string target;  // as written on the request line: a path, or a whole address via a proxy
  std::string version;
  std::vector<std::pair<std::string, std::string>> headers;  // in order, values trimmed
  std::string body;

  // The value of the first header of that name in any letter case; empty when there is none.
  std::string Header(std::string_view name) const;
  bool HasHeader(std::string_view name) const;
  // The path of the target without its query: for an absolute address, what follows the host.
  std::string Path() const;
};

// The server's side of one client connection.
class Connection {
 public:
  explicit Connection(int fd, const std::atomic<bool>& stopping) : fd_(fd), stopping_(stopping) {}

  // Writes all of `bytes`; false when the client has gone or the server is stopping.
  bool Send(std::string_view bytes);
  // Ends the connection once the handler returns, whatever the client asked for.
  void Close() { close_ = true; }
  bool Closing() const { return close_; }
  bool Stopping() const { return stopping_.load(); }

 private:
  int fd_;
  const std::atomic<bool>& stopping_;
  bool close_ = false;
};

using Handler = std::function<void(const Request&, Connection&)>;

class HttpServer {
 public:
  // Starts listening at once on `port`, or on one the system picks when it is 0; Port() is
  // valid when the constructor returns. A server that cannot listen has port 0.
  explicit HttpServer(Handler handler, int port = 0);
  // Stops accepting, cuts every open connection and joins all threads.
  ~HttpServer();

  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  int Port() const { return port_; }
  // "http://127.0.0.1:PORT/"
  std::string BaseUrl() const;
  // Every request received so far, in the order their heads were complete.
  std::vector<Request> Requests() const;

 private:
  void AcceptLoop();
  void Serve(int fd);
  void Record(const Request& request);

  Handler handler_;
  int listenFd_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread acceptThread_;

  mutable std::mutex mutex_;
  std::vector<Request> requests_;
  std::list<std::thread> workers_;
  std::vector<int> openFds_;
};

}  // namespace loopback
