#include "tests/web/TlsServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

bool AddExtension(X509* cert, X509* issuer, int nid, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
  if (ext == nullptr) return false;
  const bool added = X509_add_ext(cert, ext, -1) == 1;
  X509_EXTENSION_free(ext);
  return added;
}

// A certificate for `key` named `commonName`, signed by `issuerKey` in the name of `issuer`
// (itself when null).
X509* MakeCertificate(EVP_PKEY* key, const char* commonName, long serial, X509* issuer,
                      EVP_PKEY* issuerKey, bool authority) {
  X509* cert = X509_new();
  if (cert == nullptr) return nullptr;
  X509_set_version(cert, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert), serial);
  X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert), 7 * 24 * 3600);
  X509_set_pubkey(cert, key);
  X509_NAME_add_entry_by_txt(X509_get_subject_name(cert), "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
  X509* signer = issuer != nullptr ? issuer : cert;
  X509_set_issuer_name(cert, X509_get_subject_name(signer));
  bool ok = AddExtension(cert, signer, NID_subject_key_identifier, "hash");
  if (authority) {
    ok = ok && AddExtension(cert, signer, NID_basic_constraints, "critical,CA:TRUE") &&
         AddExtension(cert, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
  } else {
    ok = ok && AddExtension(cert, signer, NID_basic_constraints, "critical,CA:FALSE") &&
         AddExtension(cert, signer, NID_authority_key_identifier, "keyid") &&
         AddExtension(cert, signer, NID_ext_key_usage, "serverAuth") &&
         AddExtension(cert, signer, NID_subject_alt_name, "IP:127.0.0.1");
  }
  if (!ok || X509_sign(cert, issuerKey, EVP_sha256()) == 0) {
    X509_free(cert);
    return nullptr;
  }
  return cert;
}

}  // namespace

struct TlsServer::Tls {
  ~Tls() {
    SSL_CTX_free(context);
    X509_free(leaf);
    X509_free(authority);
    EVP_PKEY_free(leafKey);
    EVP_PKEY_free(authorityKey);
  }

  EVP_PKEY* authorityKey = nullptr;
  EVP_PKEY* leafKey = nullptr;
  X509* authority = nullptr;
  X509* leaf = nullptr;
  SSL_CTX* context = nullptr;
};

TlsServer::TlsServer(Handler handler) : handler_(std::move(handler)), tls_(new Tls) {
  tls_->authorityKey = EVP_EC_gen("P-256");
  tls_->leafKey = EVP_EC_gen("P-256");
  if (tls_->authorityKey == nullptr || tls_->leafKey == nullptr) return;
  tls_->authority = MakeCertificate(tls_->authorityKey, "Loopback Test Authority", 1, nullptr,
                                    tls_->authorityKey, true);
  if (tls_->authority == nullptr) return;
  tls_->leaf =
      MakeCertificate(tls_->leafKey, "127.0.0.1", 2, tls_->authority, tls_->authorityKey, false);
  tls_->context = SSL_CTX_new(TLS_server_method());
  if (tls_->leaf == nullptr || tls_->context == nullptr ||
      SSL_CTX_use_certificate(tls_->context, tls_->leaf) != 1 ||
      SSL_CTX_use_PrivateKey(tls_->context, tls_->leafKey) != 1) {
    return;
  }

  std::string path = (std::filesystem::temp_directory_path() / "loopback-ca-XXXXXX").string();
  const int fd = ::mkstemp(path.data());
  if (fd < 0) return;
  FILE* file = ::fdopen(fd, "w");
  if (file == nullptr) {
    ::close(fd);
    return;
  }
  const bool written = PEM_write_X509(file, tls_->authority) == 1;
  std::fclose(file);
  caFile_ = path;
  if (!written) return;

  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) return;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listenFd_, 16) != 0 ||
      ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    return;
  }
  port_ = ntohs(addr.sin_port);
  acceptThread_ = std::thread([this] { AcceptLoop(); });
}

TlsServer::~TlsServer() {
  stopping_ = true;
  if (listenFd_ >= 0) ::shutdown(listenFd_, SHUT_RDWR);
  if (acceptThread_.joinable()) acceptThread_.join();
  if (listenFd_ >= 0) ::close(listenFd_);
  if (!caFile_.empty()) std::remove(caFile_.c_str());
  delete tls_;
}

std::string TlsServer::BaseUrl() const {
  return "https://127.0.0.1:" + std::to_string(port_) + "/";
}

std::vector<std::string> TlsServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void TlsServer::AcceptLoop() {
  while (!stopping_.load()) {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return;
    }
    Serve(fd);
    ::close(fd);
  }
}

void TlsServer::Serve(int fd) {
  // A client that stops talking must not keep the server from shutting down.
  timeval wait{5, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  SSL* ssl = SSL_new(tls_->context);
  if (ssl == nullptr) return;
  SSL_set_fd(ssl, fd);
  if (SSL_accept(ssl) == 1) {
    std::string request;
    char chunk[4096];
    std::size_t headEnd = std::string::npos;
    std::size_t total = std::string::npos;
    while (total == std::string::npos || request.size() < total) {
      const int n = SSL_read(ssl, chunk, sizeof chunk);
      if (n <= 0) break;
      request.append(chunk, static_cast<std::size_t>(n));
      if (headEnd == std::string::npos &&
          (headEnd = request.find("\r\n\r\n")) != std::string::npos) {
        std::size_t length = 0;
        if (const std::size_t at = request.find("Content-Length: "); at < headEnd) {
          length = std::strtoull(request.c_str() + at + 16, nullptr, 10);
        }
        total = headEnd + 4 + length;
      }
    }
    if (total != std::string::npos && request.size() >= total) {
      {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
      }
      const std::string answer = handler_(request);
      SSL_write(ssl, answer.data(), static_cast<int>(answer.size()));
      SSL_shutdown(ssl);
    }
  }
  SSL_free(ssl);
  ERR_clear_error();
}
