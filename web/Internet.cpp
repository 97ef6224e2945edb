#include "web/Internet.h"

#include "web/CurlProcess.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace web::internet {
namespace {

struct ProxyEntry {
  std::string scheme;  // empty: every scheme
  std::string address;
};

// What a session hands on to its connections and their requests, which may outlive it.
struct SessionSettings {
  std::string agent;
  std::vector<ProxyEntry> proxies;
  Timeouts timeouts;
};

std::vector<ProxyEntry> ParseProxyList(std::string_view list) {
  std::vector<ProxyEntry> entries;
  std::size_t p = 0;
  while (p < list.size()) {
    const std::size_t end = std::min(list.find_first_of(" ;", p), list.size());
    const std::string_view entry = list.substr(p, end - p);
    p = end + 1;
    if (entry.empty()) continue;
    const std::size_t equals = entry.find('=');
    if (equals == std::string_view::npos) {
      entries.push_back({"", std::string(entry)});
    } else if (equals + 1 < entry.size()) {
      entries.push_back(
          {std::string(entry.substr(0, equals)), std::string(entry.substr(equals + 1))});
    }
  }
  return entries;
}

// The proxy for `scheme` as libcurl wants it, an entry for the scheme itself before one for every
// scheme; empty for a direct connection.
std::string ProxyFor(const SessionSettings& settings, std::string_view scheme) {
  const ProxyEntry* chosen = nullptr;
  for (const ProxyEntry& entry : settings.proxies) {
    if (entry.scheme == scheme) {
      chosen = &entry;
      break;
    }
    if (entry.scheme.empty() && chosen == nullptr) chosen = &entry;
  }
  if (chosen == nullptr) return {};
  // A proxy is always spoken to in plain HTTP; an HTTPS request goes through it as a tunnel.
  if (chosen->address.find("://") != std::string::npos) return chosen->address;
  return "http://" + chosen->address;
}

// The request line may hold only visible ASCII; everything else goes percent-encoded.
std::string EncodeTarget(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char ch : path) {
    const auto c = static_cast<unsigned char>(ch);
    if (c <= 0x20 || c >= 0x7F) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    } else {
      out += ch;
    }
  }
  return out;
}

// A host that would change the meaning of the address built around it cannot be asked for.
bool UsableHost(std::string_view host) {
  return std::none_of(host.begin(), host.end(), [](char ch) {
    const auto c = static_cast<unsigned char>(ch);
    return c <= 0x20 || c >= 0x7F || std::strchr("/?#@[]\\:", ch) != nullptr;
  });
}

}  // namespace

struct Session {
  std::shared_ptr<const SessionSettings> settings;
};

struct Connection {
  std::shared_ptr<const SessionSettings> settings;
  std::string host;
  int port = 0;
};

struct Request {
  ~Request() {
    if (multi != nullptr) {
      if (easy != nullptr) curl_multi_remove_handle(multi, easy);
      curl_multi_cleanup(multi);
    }
    if (easy != nullptr) curl_easy_cleanup(easy);
    curl_slist_free_all(headerList);
  }

  std::shared_ptr<const SessionSettings> settings;
  std::string host;
  int port = 0;
  std::string verb;
  std::string path;
  long httpVersion = CURL_HTTP_VERSION_1_1;
  std::uint32_t flags = 0;

  CURL* easy = nullptr;
  CURLM* multi = nullptr;
  curl_slist* headerList = nullptr;

  enum class State { Ready, Running, Done } state = State::Ready;
  bool succeeded = false;  // the exchange ended without an error

  // Body bytes received and not yet read.
  std::string pending;
  std::size_t pendingRead = 0;

  // The head being received, and the last one received whole.
  std::string head;
  bool inHead = false;
  std::string lastHead;
  bool haveHead = false;
};

namespace {

std::size_t OnHeaderLine(char* data, std::size_t size, std::size_t count, void* user) {
  auto& request = *static_cast<Request*>(user);
  std::string_view line(data, size * count);
  try {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    // Every response of the exchange (redirections, interim answers, a proxy's answer to a
    // tunnel) starts with a status line; only the last whole head counts.
    if (line.starts_with("HTTP/")) {
      request.head.assign(line);
      request.head += "\r\n";
      request.inHead = true;
    } else if (request.inHead && line.empty()) {
      request.lastHead = request.head;
      request.haveHead = true;
      request.inHead = false;
    } else if (request.inHead) {
      request.head.append(line);
      request.head += "\r\n";
    }
  } catch (...) {
    return 0;  // ends the exchange
  }
  return size * count;
}

std::size_t OnBodyData(char* data, std::size_t size, std::size_t count, void* user) {
  auto& request = *static_cast<Request*>(user);
  try {
    request.pending.append(data, size * count);
  } catch (...) {
    return 0;
  }
  return size * count;
}

// Drives the exchange until `enough` holds or it ends.
template <class Condition>
void Pump(Request& request, Condition enough) {
  while (request.state == Request::State::Running && !enough()) {
    int running = 0;
    if (curl_multi_perform(request.multi, &running) != CURLM_OK) {
      request.state = Request::State::Done;
      break;
    }
    if (running == 0) {
      int left = 0;
      while (CURLMsg* message = curl_multi_info_read(request.multi, &left)) {
        if (message->msg == CURLMSG_DONE) request.succeeded = message->data.result == CURLE_OK;
      }
      request.state = Request::State::Done;
      break;
    }
    if (enough()) break;
    // libcurl's own time-outs end the exchange; this only bounds one wait.
    curl_multi_poll(request.multi, nullptr, 0, 1000, nullptr);
  }
}

bool BodyWaiting(const Request& request) {
  return request.pendingRead < request.pending.size();
}

// The header lines for libcurl, in the block's order, and then the removal of the lines libcurl
// would otherwise add of its own.
curl_slist* HeaderList(std::string_view block) {
  curl_slist* list = nullptr;
  auto add = [&list](const std::string& line) {
    curl_slist* longer = curl_slist_append(list, line.c_str());
    if (longer == nullptr) return false;
    list = longer;
    return true;
  };
  std::size_t p = 0;
  while (p <= block.size()) {
    std::size_t end = block.find("\r\n", p);
    if (end == std::string_view::npos) end = block.size();
    std::string line(block.substr(p, end - p));
    p = end + 2;
    if (line.empty()) continue;
    // libcurl takes "Name:" with no value as "do not send Name"; "Name;" sends it empty.
    const std::size_t colon = line.find(':');
    if (colon != std::string::npos &&
        line.find_first_not_of(" \t", colon + 1) == std::string::npos) {
      line.resize(colon);
      line += ';';
    }
    if (!add(line)) break;
  }
  for (const char* own : {"Accept:", "Expect:", "Content-Type:", "Proxy-Connection:"}) {
    if (!add(own)) break;
  }
  return list;
}

bool Configure(Request& request, std::string_view headers, std::span<const std::uint8_t> body) {
  CURL* easy = request.easy;
  const SessionSettings& settings = *request.settings;
  const bool secure = (request.flags & INTERNET_FLAG_SECURE) != 0;
  const char* scheme = secure ? "https" : "http";
  const int port = request.port != 0 ? request.port : (secure ? 443 : 80);
  const std::string url = std::string(scheme) + "://" + request.host + ":" + std::to_string(port) +
                          EncodeTarget(request.path);

  request.headerList = HeaderList(headers);
  bool ok = curl_easy_setopt(easy, CURLOPT_URL, url.c_str()) == CURLE_OK;
  curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, request.httpVersion);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, request.headerList);
  if (!settings.agent.empty()) curl_easy_setopt(easy, CURLOPT_USERAGENT, settings.agent.c_str());

  const bool follow = (request.flags & INTERNET_FLAG_NO_AUTO_REDIRECT) == 0;
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, follow ? 1L : 0L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 30L);
  const bool toHttps = secure || (request.flags & INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS) != 0;
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, toHttps ? "http,https" : "http");

  // An empty proxy switches off the environment's proxy settings as well.
  const std::string proxy = ProxyFor(settings, scheme);
  curl_easy_setopt(easy, CURLOPT_PROXY, proxy.c_str());
  curl_easy_setopt(easy, CURLOPT_NOPROXY, "");
  // A proxy's answer to a tunnel request is not the server's response.
  curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);

  if ((request.flags & INTERNET_FLAG_NO_COOKIES) == 0 && CurlProcess::Get().CookieStore()) {
    curl_easy_setopt(easy, CURLOPT_SHARE, CurlProcess::Get().CookieStore());
    curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");  // switches the cookie engine on
  }

  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  if (const std::string authorities = CurlProcess::Get().TrustedAuthorities();
      !authorities.empty()) {
    curl_easy_setopt(easy, CURLOPT_CAINFO, authorities.c_str());
    curl_easy_setopt(easy, CURLOPT_CAPATH, static_cast<const char*>(nullptr));
  }

  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT,
                   static_cast<long>(settings.timeouts.connect.count()));
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, static_cast<long>(settings.timeouts.idle.count()));

  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &OnHeaderLine);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &request);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &OnBodyData);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &request);

  // libcurl acts on its own idea of the method (HEAD reads no response body, a body to send
  // makes a POST) and writes the verb over when ours differs. Content in a HEAD request has no
  // meaning to a server, so none is sent.
  const bool head = request.verb == "HEAD";
  const bool sendsBody = !head && (!body.empty() || request.verb == "POST");
  if (head) {
    curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
  } else if (sendsBody) {
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    ok = ok && curl_easy_setopt(easy, CURLOPT_COPYPOSTFIELDS,
                                body.empty() ? "" : reinterpret_cast<const char*>(body.data())) ==
                   CURLE_OK;
  }
  const bool ownVerb = head ? false : sendsBody ? request.verb != "POST" : request.verb != "GET";
  if (ownVerb) curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.verb.c_str());
  return ok;
}

}  // namespace

Session* OpenSession(std::string_view agent, AccessType access, std::string_view proxyList,
                     Timeouts timeouts) {
  try {
    auto settings = std::make_shared<SessionSettings>();
    settings->agent = std::string(agent);
    settings->timeouts = timeouts;
    if (access == AccessType::Proxy) {
      settings->proxies = ParseProxyList(proxyList);
      if (settings->proxies.empty()) return nullptr;
    } else if (access != AccessType::Direct) {
      return nullptr;
    }
    CurlProcess::Get();
    return new Session{std::move(settings)};
  } catch (...) {
    return nullptr;
  }
}

Connection* Connect(Session* session, std::string_view host, int port) {
  if (session == nullptr || host.empty()) return nullptr;
  try {
    return new Connection{session->settings, std::string(host), port};
  } catch (...) {
    return nullptr;
  }
}

Request* OpenRequest(Connection* connection, std::string_view verb, std::string_view path,
                     std::string_view version, std::uint32_t flags) {
  if (connection == nullptr || verb.empty()) return nullptr;
  long httpVersion = 0;
  if (version == "HTTP/1.1") {
    httpVersion = CURL_HTTP_VERSION_1_1;
  } else if (version == "HTTP/1.0") {
    httpVersion = CURL_HTTP_VERSION_1_0;
  } else {
    return nullptr;
  }
  try {
    auto request = std::make_unique<Request>();
    request->settings = connection->settings;
    request->host = connection->host;
    request->port = connection->port;
    request->verb = std::string(verb);
    request->path = std::string(path);
    request->httpVersion = httpVersion;
    request->flags = flags;
    request->easy = curl_easy_init();
    request->multi = curl_multi_init();
    if (request->easy == nullptr || request->multi == nullptr) return nullptr;
    return request.release();
  } catch (...) {
    return nullptr;
  }
}

bool SendRequest(Request* request, std::string_view headers, std::span<const std::uint8_t> body) {
  if (request == nullptr || request->state != Request::State::Ready) return false;
  try {
    request->state = Request::State::Done;
    if (!UsableHost(request->host) || !Configure(*request, headers, body) ||
        curl_multi_add_handle(request->multi, request->easy) != CURLM_OK) {
      return false;
    }
    request->state = Request::State::Running;
    Pump(*request, [request] { return BodyWaiting(*request); });
    return request->haveHead;
  } catch (...) {
    request->state = Request::State::Done;
    request->succeeded = false;
    return false;
  }
}

bool ReadBody(Request* request, void* buffer, std::size_t size, std::size_t& count) {
  count = 0;
  if (request == nullptr || request->state == Request::State::Ready) return false;
  if (!BodyWaiting(*request)) {
    request->pending.clear();
    request->pendingRead = 0;
    Pump(*request, [request] { return BodyWaiting(*request); });
  }
  count = std::min(size, request->pending.size() - request->pendingRead);
  if (count == 0) return request->succeeded;
  std::memcpy(buffer, request->pending.data() + request->pendingRead, count);
  request->pendingRead += count;
  return true;
}

bool QueryRawHeaders(Request* request, char* buffer, std::size_t& length) {
  if (request == nullptr || !request->haveHead) return false;
  const std::string& text = request->lastHead;
  if (text.size() + 1 > length) {
    length = text.size() + 1;
    return false;
  }
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  length = text.size();
  return true;
}

void Close(Session* session) {
  delete session;
}

void Close(Connection* connection) {
  delete connection;
}

void Close(Request* request) {
  delete request;
}

void TrustCertificateAuthorities(std::string_view path) {
  try {
    CurlProcess::Get().SetTrustedAuthorities(std::string(path));
  } catch (...) {
    // The setting stays as it was.
  }
}

}  // namespace web::internet
