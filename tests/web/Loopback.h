#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "tools/loopback/HttpServer.h"
#include "tools/loopback/Response.h"
#include "web/Internet.h"

// Small helpers the web tests share.

// A port on 127.0.0.1 that is taken but not listening, so connecting to it is refused, and
// no other program can start listening on it while the test runs.
class RefusingPort {
 public:
  RefusingPort() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
      port_ = ntohs(addr.sin_port);
    }
  }
  ~RefusingPort() {
    if (fd_ >= 0) ::close(fd_);
  }
  RefusingPort(const RefusingPort&) = delete;
  RefusingPort& operator=(const RefusingPort&) = delete;

  int Port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

// Sets an environment variable for the life of the object, then puts back what was there.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = ::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// Trusts the certificate authorities of `pemFile` for the life of the object.
class ScopedTrust {
 public:
  explicit ScopedTrust(const std::string& pemFile) {
    web::internet::TrustCertificateAuthorities(pemFile);
  }
  ~ScopedTrust() { web::internet::TrustCertificateAuthorities(""); }
  ScopedTrust(const ScopedTrust&) = delete;
  ScopedTrust& operator=(const ScopedTrust&) = delete;
};

// A cookie jar to test cookie stores against: DIR/set?NAME=VALUE sets that cookie for DIR;
// anything else shows the Cookie line it got, in brackets. Each test uses a directory of its
// own, so cookies kept by one do not reach another.
inline void CookieJarServer(const loopback::Request& r, loopback::Connection& c) {
  const std::string path = r.Path();
  if (path.ends_with("/set")) {
    const std::string query = r.target.substr(r.target.find('?') + 1);
    const std::string directory = path.substr(0, path.size() - 4);
    loopback::Respond(
        c, loopback::Response{200, "", {{"Set-Cookie", query + "; Path=" + directory}}, "set"});
  } else {
    loopback::Respond(c, loopback::Response{200, "", {}, "[" + r.Header("Cookie") + "]"});
  }
}
