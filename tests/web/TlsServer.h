#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// An HTTPS server on 127.0.0.1 for the tests. At start it makes a throw-away certificate
// authority and has it sign a certificate for the address 127.0.0.1, so a client that trusts
// CaFile() can check the server properly. It serves one connection at a time and closes each
// after one answer.
class TlsServer {
 public:
  // Gets the exact bytes of a request (head and body) and returns the bytes to answer.
  using Handler = std::function<std::string(const std::string& request)>;

  explicit TlsServer(Handler handler);
  ~TlsServer();

  TlsServer(const TlsServer&) = delete;
  TlsServer& operator=(const TlsServer&) = delete;

  // 0 when the server could not start.
  int Port() const { return port_; }
  // "https://127.0.0.1:PORT/"
  std::string BaseUrl() const;
  // A PEM file holding the certificate of the authority that signed the server's certificate.
  const std::string& CaFile() const { return caFile_; }
  // Every request received whole, in order.
  std::vector<std::string> Requests() const;

 private:
  struct Tls;

  void AcceptLoop();
  void Serve(int fd);

  Handler handler_;
  Tls* tls_ = nullptr;
  std::string caFile_;
  int listenFd_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread acceptThread_;
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
};
