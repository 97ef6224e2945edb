#include "web/WebRequest.h"

#include <cstring>
#include <memory>

#include "text/Markers.h"
#include "web/Cookies.h"
#include "web/Internet.h"
#include "web/Url.h"

namespace web {
namespace {

using namespace internet;

constexpr std::string_view kDefaultAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
constexpr int kReadSize = 1024;
constexpr int kHeaderBufferSize = 5000;

// The agent named by a "User-Agent:" line of `headers`, found in any letter case.
text::Text AgentFrom(const text::Text& headers) {
  if (text::Find(headers, "User-Agent:", 1, true) == -1) return text::Text(kDefaultAgent);
  // The line is looked up again with its case as written; a line spelled otherwise is not
  // found, and the agent is then everything after the block's first colon.
  text::Text agent = text::Trim(text::TextBetween(headers + "\r\n", "User-Agent:", "\r\n"));
  if (agent.empty()) agent = HeaderValue(headers);
  return agent;
}

// The caller's lines and, after them, every usual line they do not have.
text::Text BuildHeaderBlock(text::Text block, std::string_view url, const text::Text* cookies) {
  if (block.empty()) {
    block = "Accept: */*";
  } else if (text::Find(block, "Accept:") == -1) {
    block += "\r\nAccept: */*";
  }
  if (text::Find(block, "Referer:") == -1) block += "\r\nReferer: " + text::Text(url);
  if (text::Find(block, "Accept-Language:") == -1) block += "\r\nAccept-Language: zh-cn";
  if (text::Find(block, "Content-Type:") == -1) {
    block += "\r\nContent-Type: application/x-www-form-urlencoded";
  }
  if (cookies != nullptr && !cookies->empty()) {
    block += "\r\n";
    if (text::Find(*cookies, "Cookie:") == -1) block += "Cookie: ";
    block += *cookies;
  }
  return block;
}

// "name=value" of every Set-Cookie line, joined by "; ".
text::Text CookiesSet(const text::Text& responseHeaders) {
  text::Text found;
  for (const text::Text& line : text::Split(responseHeaders, "\r\n")) {
    if (text::Find(line, "Set-Cookie") == -1) continue;
    if (text::Find(line, ";") != -1) {
      found += text::Trim(text::TextBetween(line, "Set-Cookie:", ";"));
    } else {
      found += text::Trim(text::Replace(line, "Set-Cookie:", "", 1, -1, false));
    }
    found += "; ";
  }
  return text::Left(found, static_cast<int>(found.size()) - 2);
}

text::ByteArray Perform(std::string_view url, int method, std::string_view postText,
                        text::Text* cookies, text::Text* receivedCookies, text::Text* headers,
                        text::Text* responseHeaders, bool noRedirect, text::ByteArray* postBytes,
                        std::string_view proxy) {
  if (method < 0 || method > 2) method = 0;
  static constexpr const char* kVerbs[] = {"GET", "POST", "HEAD"};
  const char* verb = kVerbs[method];
  const bool secure = text::LowerCase(text::Left(url, 8)) == "https://";
  const text::Text callerHeaders = headers != nullptr ? *headers : text::Text();

  std::unique_ptr<Session, Closer> session;
  if (proxy.empty()) {
    session.reset(OpenSession(AgentFrom(callerHeaders), AccessType::Direct));
  } else {
    const text::Text proxyList = secure ? text::Text(proxy) : "http=" + text::Text(proxy);
    session.reset(OpenSession(AgentFrom(callerHeaders), AccessType::Proxy, proxyList));
  }
  if (!session) return {};
  std::unique_ptr<Connection, Closer> connection(
      Connect(session.get(), UrlHost(url), UrlPort(url)));
  if (!connection) return {};

  std::uint32_t flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NEED_FILE;
  if (cookies != nullptr) flags |= INTERNET_FLAG_NO_COOKIES;
  if (noRedirect) flags |= INTERNET_FLAG_NO_AUTO_REDIRECT;
  flags |= secure ? INTERNET_FLAG_SECURE : INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
  std::unique_ptr<Request, Closer> request(
      OpenRequest(connection.get(), verb, UrlPath(url), "HTTP/1.1", flags));
  if (!request) return {};

  const text::Text block = BuildHeaderBlock(callerHeaders, url, cookies);
  if (headers != nullptr) *headers = block;

  // Whether the send worked shows in what the reads and the header query give.
  if (method == 0) {
    SendRequest(request.get(), block, {});
  } else {
    text::ByteArray ownBytes;
    text::ByteArray& bytes = postBytes != nullptr ? *postBytes : ownBytes;
    if (bytes.empty()) bytes = text::ToBytes(postText);
    SendRequest(request.get(), block, bytes);
  }

  text::ByteArray body;
  std::uint8_t buffer[kReadSize];
  std::size_t count = 0;
  do {
    ReadBody(request.get(), buffer, sizeof buffer, count);
    body.insert(body.end(), buffer, buffer + count);
  } while (count != 0);

  // The spaces stay when the headers cannot be had or do not fit.
  text::Text rawHeaders = text::BlankText(kHeaderBufferSize);
  std::size_t length = rawHeaders.size();
  if (QueryRawHeaders(request.get(), rawHeaders.data(), length)) {
    rawHeaders.resize(std::strlen(rawHeaders.c_str()));
  }
  rawHeaders = text::Replace(rawHeaders, "Set-Cookie", "Set-Cookie", 1, -1, false);

  request.reset();
  connection.reset();
  session.reset();

  text::Text received = CookiesSet(rawHeaders);
  if (cookies != nullptr) received = MergeCookies(*cookies, received);
  if (receivedCookies != nullptr) *receivedCookies = received;
  if (responseHeaders != nullptr) *responseHeaders = rawHeaders;
  return body;
}

}  // namespace

text::Text HeaderValue(std::string_view line) {
  const int colon = text::Find(line, ":");
  if (colon == -1) return {};
  return text::Trim(line.substr(static_cast<std::size_t>(colon)));
}

text::ByteArray WebRequest(std::string_view url, int method, std::string_view postText,
                           text::Text* cookies, text::Text* receivedCookies, text::Text* headers,
                           text::Text* responseHeaders, bool noRedirect, text::ByteArray* postBytes,
                           std::string_view proxy) {
  try {
    return Perform(url, method, postText, cookies, receivedCookies, headers, responseHeaders,
                   noRedirect, postBytes, proxy);
  } catch (...) {
    return {};
  }
}

}  // namespace web
