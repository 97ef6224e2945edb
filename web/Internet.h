#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

// The program's Internet client: a session (agent, proxy), a connection (server and port) and a
// request (verb, path, flags) are opened in that order, the request is sent, its body read in
// pieces and its raw response headers queried, and each handle is closed again. Every
// operation reports failure by a null handle or false; none throws.
//
// What a request does on its own unless a flag says otherwise: it follows redirections and
// gives the body and headers of the final response; it takes part in one cookie store shared by
// all requests of the process, which adds the cookies held for the server and keeps the ones a
// response sets; it gives up when connecting takes 60 seconds or no data comes for 30. Nothing
// is ever answered from a cache.
namespace web::internet {

// Request flags for OpenRequest.
inline constexpr std::uint32_t INTERNET_FLAG_RELOAD = 0x80000000;  // always: there is no cache
inline constexpr std::uint32_t INTERNET_FLAG_NEED_FILE = 0x10;     // accepted, nothing to do
// Neither adds stored cookies nor keeps received ones.
inline constexpr std::uint32_t INTERNET_FLAG_NO_COOKIES = 0x80000;
// A redirection response is returned as it is, body and headers.
inline constexpr std::uint32_t INTERNET_FLAG_NO_AUTO_REDIRECT = 0x200000;
// HTTPS, with the server's certificate and name checked.
inline constexpr std::uint32_t INTERNET_FLAG_SECURE = 0x800000;
// A plain request follows a redirection to an HTTPS address; without this flag it stops there.
inline constexpr std::uint32_t INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS = 0x4000;

enum class AccessType { Direct = 1, Proxy = 3 };

struct Timeouts {
  std::chrono::seconds connect{60};
  std::chrono::seconds idle{30};  // longest stretch without a byte received
};

struct Session;
struct Connection;
struct Request;

// A session whose requests name `agent` as their User-Agent, unless their header block has a
// User-Agent line of its own. Direct: no proxy at all (proxy settings of the environment are
// ignored). Proxy: `proxyList` holds entries separated by spaces or ";", each "HOST:PORT" for
// every scheme or "SCHEME=HOST:PORT" for "http" or "https" only, which goes first; a request
// whose scheme no entry covers goes direct. Null when a proxy session has no usable entry.
Session* OpenSession(std::string_view agent, AccessType access, std::string_view proxyList = {},
                     Timeouts timeouts = {});

// Names the server of the session's next requests; nothing is sent yet. Port 0 stands for the
// scheme's usual port. Null when `session` is null or `host` is empty.
Connection* Connect(Session* session, std::string_view host, int port);

// Prepares a request for `path` (with its query) on the connection's server. `flags` combine
// the INTERNET_FLAG_ values above. Null when `connection` is null, `verb` is empty or `version`
// is neither "HTTP/1.1" nor "HTTP/1.0".
Request* OpenRequest(Connection* connection, std::string_view verb, std::string_view path,
                     std::string_view version, std::uint32_t flags);

// Sends the request and waits until its response body begins or the exchange ends. `headers` are
// header lines joined by CR LF, sent as they are, in order, after the Host line (and the
// User-Agent and stored cookies when the lines do not name them); empty lines are skipped.
// The only line added besides is Content-Length when there is a `body`; a HEAD request sends
// none. Bytes that may not
// stand in a request line (controls, spaces, bytes from 0x80) go into it percent-encoded.
// False when no response came (server unreachable, time-out, certificate refused) or the
// request had already been sent.
bool SendRequest(Request* request, std::string_view headers, std::span<const std::uint8_t> body);

// Copies the next bytes of the response body, up to `size`, into `buffer` and sets `count` to
// their number: 0 at the end of the body and when the read fails (then the result is false).
bool ReadBody(Request* request, void* buffer, std::size_t size, std::size_t& count);

// Copies the raw headers of the final response into `buffer`: the status line and the header
// lines, each ended by CR LF, in the order received, then a zero byte; sets `length` to the
// length of the text without that zero. False, with `buffer` untouched, when no response came
// or the text and its zero need more than `length` bytes; `length` then gives the bytes needed.
bool QueryRawHeaders(Request* request, char* buffer, std::size_t& length);

// Releases a handle; a null one is ignored. Handles may be closed in any order.
void Close(Session* session);
void Close(Connection* connection);
void Close(Request* request);

// For owning a handle in a std::unique_ptr.
struct Closer {
  template <class Handle>
  void operator()(Handle* handle) const {
    Close(handle);
  }
};

// From now on HTTPS requests check server certificates against the CA certificates in the PEM
// file `path` instead of the system's; an empty path goes back to the system's. For tests that
// run a TLS server with a certificate of their own.
void TrustCertificateAuthorities(std::string_view path);

}  // namespace web::internet
