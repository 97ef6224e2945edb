#include "web/Internet.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "tests/support/Gbk.h"
#include "tests/web/Loopback.h"
#include "tests/web/TlsServer.h"
#include "tools/loopback/HttpServer.h"
#include "tools/loopback/Response.h"

namespace web::internet {
namespace {

using loopback::Connection;
using loopback::HttpServer;
using loopback::Respond;
using loopback::Response;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

// One request's three handles, opened in order; a null one leaves the later ones null.
struct Handles {
  std::unique_ptr<Session, Closer> session;
  std::unique_ptr<web::internet::Connection, Closer> connection;
  std::unique_ptr<Request, Closer> request;
};

struct Target {
  int port = 0;
  std::string path = "/";
  std::string verb = "GET";
  std::uint32_t flags = INTERNET_FLAG_RELOAD;
  std::string agent = "loopback-test";
  AccessType access = AccessType::Direct;
  std::string proxyList = {};
  Timeouts timeouts = {};
};

Handles Open(const Target& t) {
  Handles h;
  h.session.reset(OpenSession(t.agent, t.access, t.proxyList, t.timeouts));
  h.connection.reset(Connect(h.session.get(), "127.0.0.1", t.port));
  h.request.reset(OpenRequest(h.connection.get(), t.verb, t.path, "HTTP/1.1", t.flags));
  return h;
}

// The whole body, read in pieces of `pieceSize`; `ended` tells whether the last read succeeded.
std::string ReadAll(Request* request, std::size_t pieceSize = 1024, bool* ended = nullptr) {
  std::string body;
  std::vector<char> buffer(pieceSize);
  std::size_t count = 0;
  bool ok = true;
  do {
    ok = ReadBody(request, buffer.data(), buffer.size(), count);
    EXPECT_LE(count, pieceSize);
    body.append(buffer.data(), count);
  } while (count != 0);
  if (ended != nullptr) *ended = ok;
  return body;
}

// The raw response headers, or "(none)" when the query fails.
std::string RawHeaders(Request* request) {
  std::string buffer(100000, '#');
  std::size_t length = buffer.size();
  if (!QueryRawHeaders(request, buffer.data(), length)) return "(none)";
  return buffer.substr(0, length);
}

// Sends without headers or body and reads the whole response.
struct Exchange {
  bool sent = false;
  std::string body;
  std::string headers;
};

Exchange Perform(const Target& t, std::string_view headers = {},
                 std::span<const std::uint8_t> body = {}) {
  Handles h = Open(t);
  Exchange e;
  e.sent = SendRequest(h.request.get(), headers, body);
  e.body = ReadAll(h.request.get());
  e.headers = RawHeaders(h.request.get());
  return e;
}

std::span<const std::uint8_t> Bytes(std::string_view s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

std::string Pattern(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
  return s;
}

// ---- Reading the body ----

enum class Framing { Length, Chunked, UntilClose };

struct ReadCase {
  std::string name;
  Framing framing;
  std::size_t pieceSize;
};

class ReadBodyTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadBodyTest, DeliversTheWholeBodyInOrderInPiecesNoLargerThanAsked) {
  const std::string body = Pattern(5000);
  const Framing framing = GetParam().framing;
  HttpServer server([&](const loopback::Request&, Connection& c) {
    if (framing == Framing::Length) {
      Respond(c, Response{200, "", {}, body});
    } else if (framing == Framing::UntilClose) {
      c.Send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + body);
      c.Close();
    } else {
      c.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
      for (std::size_t p = 0; p < body.size(); p += 7) {
        const std::string piece = body.substr(p, 7);
        char size[16];
        std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
        c.Send(size + piece + "\r\n");
      }
      c.Send("0\r\n\r\n");
    }
  });
  Handles h = Open({.port = server.Port()});
  ASSERT_TRUE(SendRequest(h.request.get(), "", {}));
  bool ended = false;
  EXPECT_EQ(ReadAll(h.request.get(), GetParam().pieceSize, &ended), body);
  EXPECT_TRUE(ended);
  // Past the end every read gives nothing.
  char byte = 0;
  std::size_t count = 99;
  EXPECT_TRUE(ReadBody(h.request.get(), &byte, 1, count));
  EXPECT_EQ(count, 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadBodyTest,
                         ::testing::Values(ReadCase{"LengthOneByte", Framing::Length, 1},
                                           ReadCase{"LengthOddPieces", Framing::Length, 333},
                                           ReadCase{"Length1024", Framing::Length, 1024},
                                           ReadCase{"LengthLargerThanBody", Framing::Length, 65536},
                                           ReadCase{"ChunkedOddPieces", Framing::Chunked, 5},
                                           ReadCase{"Chunked1024", Framing::Chunked, 1024},
                                           ReadCase{"UntilClose1024", Framing::UntilClose, 1024}),
                         [](const auto& info) { return info.param.name; });

TEST(ReadBodyTest, AConnectionCutInTheBodyGivesTheBytesSoFarThenFails) {
  HttpServer server([](const loopback::Request&, Connection& c) {
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789");
    c.Close();
  });
  Handles h = Open({.port = server.Port()});
  EXPECT_TRUE(SendRequest(h.request.get(), "", {}));
  bool ended = true;
  EXPECT_EQ(ReadAll(h.request.get(), 1024, &ended), "0123456789");
  EXPECT_FALSE(ended);
  EXPECT_THAT(RawHeaders(h.request.get()), StartsWith("HTTP/1.1 200 OK\r\n"));
}

// A server that accepts the request and then stays silent, before its head or after it.
class SilentServerTest : public ::testing::TestWithParam<std::string> {};

TEST_P(SilentServerTest, IsGivenUpAfterTheIdleTime) {
  const std::string said = GetParam();
  HttpServer server([&](const loopback::Request&, Connection& c) {
    c.Send(said);
    while (!c.Stopping()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  });
  Handles h = Open({.port = server.Port(), .timeouts = {.idle = std::chrono::seconds(1)}});
  EXPECT_EQ(SendRequest(h.request.get(), "", {}), !said.empty());
  bool ended = true;
  EXPECT_EQ(ReadAll(h.request.get(), 1024, &ended), "");
  EXPECT_FALSE(ended);
  EXPECT_EQ(RawHeaders(h.request.get()),
            said.empty() ? "(none)" : "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n");
}

INSTANTIATE_TEST_SUITE_P(Cases, SilentServerTest,
                         ::testing::Values("", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n"),
                         [](const auto& info) {
                           return info.index == 0 ? "BeforeTheHead" : "AfterTheHead";
                         });

// ---- Response headers ----

TEST(QueryRawHeadersTest, GivesStatusAndHeaderLinesInTheOrderReceived) {
  HttpServer server([](const loopback::Request&, Connection& c) {
    c.Send(
        "HTTP/1.1 200 OK\r\nX-B: 2\r\nX-A: 1\r\nset-cookie: k=v; "
        "Path=/elsewhere\r\nContent-Length: 2\r\n\r\nhi");
  });
  Exchange e = Perform({.port = server.Port()});
  EXPECT_EQ(e.headers,
            "HTTP/1.1 200 OK\r\nX-B: 2\r\nX-A: 1\r\nset-cookie: k=v; "
            "Path=/elsewhere\r\nContent-Length: 2\r\n");
  EXPECT_EQ(e.body, "hi");
}

TEST(QueryRawHeadersTest, EndsEveryLineWithCrLfEvenWhenTheServerDoesNot) {
  HttpServer server([](const loopback::Request&, Connection& c) {
    c.Send("HTTP/1.1 404 Not Found\nX-A: 1\nContent-Length: 4\n\ngone");
  });
  Exchange e = Perform({.port = server.Port()});
  EXPECT_EQ(e.headers, "HTTP/1.1 404 Not Found\r\nX-A: 1\r\nContent-Length: 4\r\n");
  EXPECT_EQ(e.body, "gone");
}

// A response whose header text (status line and header lines with their CR LF) is `size`
// bytes long.
std::string HeadOfSize(std::size_t size) {
  const std::string start = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nX-Pad: ";
  return start + std::string(size - start.size() - 2, 'p') + "\r\n";
}

struct BufferCase {
  std::string name;
  std::size_t headerSize;
  std::size_t bufferSize;
  bool fits;
};

class QueryRawHeadersBufferTest : public ::testing::TestWithParam<BufferCase> {};

TEST_P(QueryRawHeadersBufferTest, FailsWhenTextAndZeroDoNotFit) {
  const BufferCase& c = GetParam();
  const std::string head = HeadOfSize(c.headerSize);
  HttpServer server([&](const loopback::Request&, Connection& conn) { conn.Send(head + "\r\n"); });
  Handles h = Open({.port = server.Port()});
  ASSERT_TRUE(SendRequest(h.request.get(), "", {}));
  ReadAll(h.request.get());

  std::string buffer(c.bufferSize, '#');
  std::size_t length = buffer.size();
  const bool ok = QueryRawHeaders(h.request.get(), buffer.data(), length);
  EXPECT_EQ(ok, c.fits);
  if (c.fits) {
    EXPECT_EQ(length, head.size());
    EXPECT_EQ(buffer.substr(0, length), head);
    EXPECT_EQ(buffer[length], '\0');
  } else {
    EXPECT_EQ(length, head.size() + 1);
    EXPECT_EQ(buffer, std::string(c.bufferSize, '#'));
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, QueryRawHeadersBufferTest,
                         ::testing::Values(BufferCase{"WellInside", 4000, 5000, true},
                                           BufferCase{"ZeroTakesTheLastByte", 4999, 5000, true},
                                           BufferCase{"NoRoomForTheZero", 5000, 5000, false},
                                           BufferCase{"FarTooLong", 9000, 5000, false}),
                         [](const auto& info) { return info.param.name; });

// ---- What goes on the wire ----

struct WireCase {
  std::string name;
  std::string verb;
  std::string agent;
  std::string headers;
  std::string body;
  std::string expected;  // after the request line; "{port}" stands for the server's port
};

class RequestBytesTest : public ::testing::TestWithParam<WireCase> {};

std::string WithPort(std::string text, int port) {
  const std::string key = "{port}";
  for (std::size_t at; (at = text.find(key)) != std::string::npos;) {
    text.replace(at, key.size(), std::to_string(port));
  }
  return text;
}

TEST_P(RequestBytesTest, SendsTheHeaderLinesAsGivenAndNothingElseOfItsOwn) {
  const WireCase& c = GetParam();
  HttpServer server([](const loopback::Request&, Connection& conn) {
    Respond(conn, Response{200, "", {}, ""});
  });
  Exchange e = Perform({.port = server.Port(), .path = "/p", .verb = c.verb, .agent = c.agent},
                       c.headers, Bytes(c.body));
  EXPECT_TRUE(e.sent);
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].raw,
            c.verb + " /p HTTP/1.1\r\n" + WithPort(c.expected, server.Port()));
}

const std::string kHost = "Host: 127.0.0.1:{port}\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, RequestBytesTest,
    ::testing::Values(
        WireCase{"Get", "GET", "agent", "A: 1\r\nB: 2", "",
                 kHost + "User-Agent: agent\r\nA: 1\r\nB: 2\r\n\r\n"},
        WireCase{"NoHeaders", "GET", "agent", "", "", kHost + "User-Agent: agent\r\n\r\n"},
        WireCase{"NoAgent", "GET", "", "A: 1", "", kHost + "A: 1\r\n\r\n"},
        WireCase{"PostGetsItsLength", "POST", "agent", "A: 1", "xyz",
                 kHost + "User-Agent: agent\r\nA: 1\r\nContent-Length: 3\r\n\r\nxyz"},
        WireCase{"PostWithoutBody", "POST", "agent", "A: 1", "",
                 kHost + "User-Agent: agent\r\nA: 1\r\nContent-Length: 0\r\n\r\n"},
        WireCase{"Head", "HEAD", "agent", "A: 1", "", kHost + "User-Agent: agent\r\nA: 1\r\n\r\n"},
        WireCase{"HeadSendsNoBody", "HEAD", "agent", "A: 1", "ab",
                 kHost + "User-Agent: agent\r\nA: 1\r\n\r\n"},
        WireCase{"OtherVerbWithBody", "PUT", "agent", "A: 1", "ab",
                 kHost + "User-Agent: agent\r\nA: 1\r\nContent-Length: 2\r\n\r\nab"},
        WireCase{"OtherVerbWithoutBody", "OPTIONS", "agent", "A: 1", "",
                 kHost + "User-Agent: agent\r\nA: 1\r\n\r\n"},
        WireCase{"LinesTheLibraryWouldWriteItself", "POST", "agent",
                 "Accept: text/html\r\nContent-Type: text/plain\r\nExpect: nothing", "z",
                 kHost + "User-Agent: agent\r\nAccept: text/html\r\nContent-Type: text/plain\r\n"
                         "Expect: nothing\r\nContent-Length: 1\r\n\r\nz"},
        WireCase{"AgentLineOfTheBlockWins", "GET", "agent", "A: 1\r\nUser-Agent: mine", "",
                 kHost + "A: 1\r\nUser-Agent: mine\r\n\r\n"},
        WireCase{"AgentLineInAnyCase", "GET", "agent", "user-agent: mine", "",
                 kHost + "user-agent: mine\r\n\r\n"},
        WireCase{"EmptyLinesSkipped", "GET", "agent", "A: 1\r\n\r\nB: 2\r\n", "",
                 kHost + "User-Agent: agent\r\nA: 1\r\nB: 2\r\n\r\n"},
        WireCase{"EmptyValueStillSent", "GET", "agent", "X-Empty:\r\nB: 2", "",
                 kHost + "User-Agent: agent\r\nX-Empty:\r\nB: 2\r\n\r\n"},
        WireCase{"LargeBodyWithoutExpect", "POST", "agent", "", std::string(2 << 20, 'b'),
                 kHost + "User-Agent: agent\r\nContent-Length: 2097152\r\n\r\n" +
                     std::string(2 << 20, 'b')}),
    [](const auto& info) { return info.param.name; });

struct TargetCase {
  std::string name;
  std::string path;
  std::string sent;
};

class RequestTargetTest : public ::testing::TestWithParam<TargetCase> {};

TEST_P(RequestTargetTest, WritesThePathAsGivenEncodingWhatCannotStandInARequestLine) {
  HttpServer server([](const loopback::Request&, Connection& conn) {
    Respond(conn, Response{200, "", {}, "ok"});
  });
  Exchange e = Perform({.port = server.Port(), .path = GetParam().path});
  EXPECT_EQ(e.body, "ok");
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].target, GetParam().sent);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RequestTargetTest,
    ::testing::Values(TargetCase{"Plain", "/html/wuxia/list_1_2.html", "/html/wuxia/list_1_2.html"},
                      TargetCase{"GbkQuery", G(u8"/s.php?keyword=武侠"),
                                 "/s.php?keyword=%CE%E4%CF%C0"},
                      TargetCase{"Space", "/a b", "/a%20b"},
                      TargetCase{"DotSegmentsKept", "/a/../b/./c", "/a/../b/./c"},
                      TargetCase{"EscapesKept", "/a%2Fb?x=%41", "/a%2Fb?x=%41"}),
    [](const auto& info) { return info.param.name; });

TEST(RequestTest, IsNeverAnsweredFromACache) {
  std::atomic<int> served{0};
  HttpServer server([&](const loopback::Request&, Connection& c) {
    Respond(c, Response{200,
                        "",
                        {{"Cache-Control", "public, max-age=3600"},
                         {"Expires", "Thu, 01 Jan 2099 00:00:00 GMT"},
                         {"ETag", "\"same\""}},
                        std::to_string(++served)});
  });
  EXPECT_EQ(Perform({.port = server.Port(), .path = "/n"}).body, "1");
  EXPECT_EQ(Perform({.port = server.Port(), .path = "/n"}).body, "2");
  EXPECT_EQ(server.Requests().size(), 2u);
}

// ---- Redirections ----

void Redirecting(const loopback::Request& r, Connection& c, const std::string& location) {
  if (r.Path() == "/from") {
    Respond(c, Response{302, "", {{"Location", location}, {"X-Step", "first"}}, "moved"});
  } else {
    Respond(c, Response{200, "", {{"X-Step", "final"}}, "arrived"});
  }
}

TEST(RedirectTest, IsFollowedAndGivesTheFinalResponse) {
  HttpServer server([](const loopback::Request& r, Connection& c) { Redirecting(r, c, "/to"); });
  Exchange e = Perform({.port = server.Port(), .path = "/from"});
  EXPECT_TRUE(e.sent);
  EXPECT_EQ(e.body, "arrived");
  EXPECT_THAT(e.headers, StartsWith("HTTP/1.1 200 OK\r\n"));
  EXPECT_THAT(e.headers, HasSubstr("X-Step: final\r\n"));
  EXPECT_THAT(e.headers, Not(HasSubstr("first")));
  ASSERT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(server.Requests()[1].target, "/to");
}

TEST(RedirectTest, WithTheFlagGivesTheRedirectionItself) {
  HttpServer server([](const loopback::Request& r, Connection& c) { Redirecting(r, c, "/to"); });
  Exchange e = Perform({.port = server.Port(),
                        .path = "/from",
                        .flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_AUTO_REDIRECT});
  EXPECT_EQ(e.body, "moved");
  EXPECT_THAT(e.headers, StartsWith("HTTP/1.1 302 Found\r\nLocation: /to\r\n"));
  EXPECT_EQ(server.Requests().size(), 1u);
}

TEST(RedirectTest, ToHttpsIsFollowedOnlyWithItsFlag) {
  TlsServer secure([](const std::string&) {
    return std::string("HTTP/1.1 200 OK\r\nContent-Length: 6\r\nConnection: close\r\n\r\nsecure");
  });
  ASSERT_NE(secure.Port(), 0);
  ScopedTrust trust(secure.CaFile());
  const std::string location = secure.BaseUrl() + "x";
  HttpServer plain([&](const loopback::Request& r, Connection& c) { Redirecting(r, c, location); });

  Exchange followed = Perform(
      {.port = plain.Port(), .path = "/from", .flags = INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS});
  EXPECT_EQ(followed.body, "secure");
  EXPECT_EQ(secure.Requests().size(), 1u);

  Exchange stopped = Perform({.port = plain.Port(), .path = "/from", .flags = 0});
  EXPECT_EQ(stopped.body, "");
  EXPECT_THAT(stopped.headers, StartsWith("HTTP/1.1 302 Found\r\n"));
  EXPECT_EQ(secure.Requests().size(), 1u);
}

// ---- The cookie store ----

TEST(CookieStoreTest, KeepsReceivedCookiesAndSendsThemOnLaterRequests) {
  HttpServer server(CookieJarServer);
  Perform({.port = server.Port(), .path = "/jar/keep/set?kept=1"});
  EXPECT_EQ(Perform({.port = server.Port(), .path = "/jar/keep/show"}).body, "[kept=1]");
  // Only where the cookie's path allows.
  EXPECT_EQ(Perform({.port = server.Port(), .path = "/jar/other/show"}).body, "[]");
}

TEST(CookieStoreTest, WithTheFlagNeitherSendsNorKeeps) {
  HttpServer server(CookieJarServer);
  const std::uint32_t noCookies = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_COOKIES;
  Perform({.port = server.Port(), .path = "/jar/flag/set?stored=1"});
  EXPECT_EQ(Perform({.port = server.Port(), .path = "/jar/flag/show", .flags = noCookies}).body,
            "[]");

  Perform({.port = server.Port(), .path = "/jar/nokeep/set?ignored=1", .flags = noCookies});
  EXPECT_EQ(Perform({.port = server.Port(), .path = "/jar/nokeep/show"}).body, "[]");
}

TEST(CookieStoreTest, IsSharedByRequestsOnSeveralThreads) {
  HttpServer server(CookieJarServer);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 5; ++i) {
        Perform({.port = server.Port(),
                 .path = "/jar/threads/set?t" + std::to_string(t) + "=" + std::to_string(i)});
      }
    });
  }
  for (std::thread& t : threads) t.join();
  const std::string shown = Perform({.port = server.Port(), .path = "/jar/threads/show"}).body;
  for (int t = 0; t < 4; ++t) EXPECT_THAT(shown, HasSubstr("t" + std::to_string(t) + "=4"));
}

// ---- Proxies ----

// Answers every request itself, as a proxy would answer from the server behind it.
void ProxyAnswer(const loopback::Request& r, Connection& c) {
  if (r.method == "CONNECT") {
    Respond(c, Response{403, "", {}, ""});
    c.Close();
  } else {
    Respond(c, Response{200, "", {}, "via proxy"});
  }
}

struct ProxyCase {
  std::string name;
  std::string list;  // "{proxy}" stands for the proxy's "127.0.0.1:PORT"
  bool secure;
  bool throughProxy;
};

class ProxyTest : public ::testing::TestWithParam<ProxyCase> {};

TEST_P(ProxyTest, TakesTheEntryForTheSchemeOrGoesDirect) {
  const ProxyCase& c = GetParam();
  HttpServer proxy(ProxyAnswer);
  HttpServer plain([](const loopback::Request&, Connection& conn) {
    Respond(conn, Response{200, "", {}, "direct"});
  });
  TlsServer secure([](const std::string&) {
    return std::string("HTTP/1.1 200 OK\r\nContent-Length: 6\r\nConnection: close\r\n\r\ndirect");
  });
  ASSERT_NE(secure.Port(), 0);
  ScopedTrust trust(secure.CaFile());
  std::string list = c.list;
  list.replace(list.find("{proxy}"), 7, "127.0.0.1:" + std::to_string(proxy.Port()));
  const int port = c.secure ? secure.Port() : plain.Port();

  Exchange e = Perform({.port = port,
                        .path = "/x",
                        .flags = c.secure ? INTERNET_FLAG_SECURE : 0u,
                        .access = AccessType::Proxy,
                        .proxyList = list});
  const std::string server = "127.0.0.1:" + std::to_string(port);
  if (!c.throughProxy) {
    EXPECT_EQ(e.body, "direct");
    EXPECT_TRUE(proxy.Requests().empty());
  } else if (c.secure) {
    // The proxy is asked for a tunnel, which this one refuses.
    ASSERT_EQ(proxy.Requests().size(), 1u);
    EXPECT_EQ(proxy.Requests()[0].method, "CONNECT");
    EXPECT_EQ(proxy.Requests()[0].target, server);
    EXPECT_FALSE(e.sent);
    EXPECT_EQ(e.headers, "(none)");
  } else {
    EXPECT_EQ(e.body, "via proxy");
    ASSERT_EQ(proxy.Requests().size(), 1u);
    EXPECT_EQ(proxy.Requests()[0].target, "http://" + server + "/x");
    EXPECT_FALSE(proxy.Requests()[0].HasHeader("Proxy-Connection"));
    EXPECT_TRUE(plain.Requests().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProxyTest,
    ::testing::Values(ProxyCase{"HttpEntryForPlain", "http={proxy}", false, true},
                      ProxyCase{"AnySchemeForPlain", "{proxy}", false, true},
                      ProxyCase{"AnySchemeForSecure", "{proxy}", true, true},
                      ProxyCase{"HttpEntryNotForSecure", "http={proxy}", true, false},
                      ProxyCase{"HttpsEntryNotForPlain", "https={proxy}", false, false},
                      ProxyCase{"SchemeEntryBeforeTheGeneral", "127.0.0.1:1 ; http={proxy}", false,
                                true}),
    [](const auto& info) { return info.param.name; });

TEST(ProxyTest, AProxyListWithoutEntriesOpensNoSession) {
  for (const char* list : {"", " ; ", "http="}) {
    EXPECT_EQ(OpenSession("a", AccessType::Proxy, list), nullptr) << list;
  }
}

TEST(ProxyTest, TheEnvironmentsProxySettingsAreIgnored) {
  HttpServer proxy(ProxyAnswer);
  HttpServer plain([](const loopback::Request&, Connection& conn) {
    Respond(conn, Response{200, "", {}, "direct"});
  });
  const std::string proxyUrl = "http://127.0.0.1:" + std::to_string(proxy.Port());
  {
    ScopedEnv http("http_proxy", proxyUrl);
    ScopedEnv all("ALL_PROXY", proxyUrl);
    EXPECT_EQ(Perform({.port = plain.Port()}).body, "direct");
    EXPECT_TRUE(proxy.Requests().empty());
  }
  {
    ScopedEnv lower("no_proxy", "127.0.0.1,localhost");
    ScopedEnv upper("NO_PROXY", "*");
    EXPECT_EQ(Perform({.port = plain.Port(),
                       .access = AccessType::Proxy,
                       .proxyList = "127.0.0.1:" + std::to_string(proxy.Port())})
                  .body,
              "via proxy");
  }
}

// ---- HTTPS ----

TEST(SecureRequestTest, ChecksTheServersCertificate) {
  TlsServer secure([](const std::string& request) {
    const std::string body = request.substr(0, request.find("\r\n"));
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
  });
  ASSERT_NE(secure.Port(), 0);
  const Target target{.port = secure.Port(), .path = "/s?q=1", .flags = INTERNET_FLAG_SECURE};

  Exchange untrusted = Perform(target, "A: 1");
  EXPECT_FALSE(untrusted.sent);
  EXPECT_EQ(untrusted.body, "");
  EXPECT_EQ(untrusted.headers, "(none)");
  EXPECT_TRUE(secure.Requests().empty());

  ScopedTrust trust(secure.CaFile());
  Exchange trusted = Perform(target, "A: 1");
  EXPECT_TRUE(trusted.sent);
  EXPECT_EQ(trusted.body, "GET /s?q=1 HTTP/1.1");
  ASSERT_EQ(secure.Requests().size(), 1u);
  EXPECT_EQ(secure.Requests()[0],
            "GET /s?q=1 HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(secure.Port()) +
                "\r\nUser-Agent: loopback-test\r\nA: 1\r\n\r\n");
}

// ---- Failures ----

TEST(FailureTest, AServerThatCannotBeReachedGivesNothing) {
  RefusingPort refusing;
  ASSERT_NE(refusing.Port(), 0);
  Handles h = Open({.port = refusing.Port()});
  ASSERT_NE(h.request, nullptr);
  EXPECT_FALSE(SendRequest(h.request.get(), "A: 1", {}));
  char buffer[16];
  std::size_t count = 99;
  EXPECT_FALSE(ReadBody(h.request.get(), buffer, sizeof buffer, count));
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(RawHeaders(h.request.get()), "(none)");
}

TEST(FailureTest, HandlesAreRefusedForMissingOrUnusableArguments) {
  EXPECT_EQ(OpenSession("a", static_cast<AccessType>(2)), nullptr);
  EXPECT_EQ(Connect(nullptr, "127.0.0.1", 80), nullptr);
  std::unique_ptr<Session, Closer> session(OpenSession("a", AccessType::Direct));
  ASSERT_NE(session, nullptr);
  EXPECT_EQ(Connect(session.get(), "", 80), nullptr);
  std::unique_ptr<web::internet::Connection, Closer> connection(
      Connect(session.get(), "127.0.0.1", 80));
  ASSERT_NE(connection, nullptr);
  EXPECT_EQ(OpenRequest(nullptr, "GET", "/", "HTTP/1.1", 0), nullptr);
  EXPECT_EQ(OpenRequest(connection.get(), "", "/", "HTTP/1.1", 0), nullptr);
  EXPECT_EQ(OpenRequest(connection.get(), "GET", "/", "HTTP/2", 0), nullptr);
  std::size_t count = 1;
  EXPECT_FALSE(SendRequest(nullptr, "", {}));
  EXPECT_FALSE(ReadBody(nullptr, nullptr, 0, count));
  EXPECT_EQ(count, 0u);
  std::size_t length = 10;
  EXPECT_FALSE(QueryRawHeaders(nullptr, nullptr, length));
  Close(static_cast<Request*>(nullptr));
}

TEST(FailureTest, ARequestIsSentOnceAndReadOnlyAfterSending) {
  HttpServer server([](const loopback::Request&, Connection& c) {
    Respond(c, Response{200, "", {}, "once"});
  });
  Handles h = Open({.port = server.Port()});
  char buffer[16];
  std::size_t count = 99;
  EXPECT_FALSE(ReadBody(h.request.get(), buffer, sizeof buffer, count));
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(RawHeaders(h.request.get()), "(none)");
  EXPECT_TRUE(SendRequest(h.request.get(), "", {}));
  EXPECT_FALSE(SendRequest(h.request.get(), "", {}));
  EXPECT_EQ(ReadAll(h.request.get()), "once");
  EXPECT_EQ(server.Requests().size(), 1u);
}

TEST(FailureTest, AHostThatWouldChangeTheAddressIsNotAskedFor) {
  HttpServer server([](const loopback::Request&, Connection& c) {
    Respond(c, Response{200, "", {}, "reached"});
  });
  for (const std::string host : {"127.0.0.1/x", "a@127.0.0.1", "127.0.0.1?q", "127.0.0.1#f"}) {
    std::unique_ptr<Session, Closer> session(OpenSession("a", AccessType::Direct));
    std::unique_ptr<web::internet::Connection, Closer> connection(
        Connect(session.get(), host, server.Port()));
    std::unique_ptr<Request, Closer> request(
        OpenRequest(connection.get(), "GET", "/", "HTTP/1.1", 0));
    ASSERT_NE(request, nullptr);
    EXPECT_FALSE(SendRequest(request.get(), "", {})) << host;
  }
  EXPECT_TRUE(server.Requests().empty());
}

TEST(HandleTest, ARequestOutlivesItsSessionAndConnection) {
  HttpServer server([](const loopback::Request&, Connection& c) {
    Respond(c, Response{200, "", {}, "still here"});
  });
  Handles h = Open({.port = server.Port(), .agent = "kept agent"});
  h.connection.reset();
  h.session.reset();
  EXPECT_TRUE(SendRequest(h.request.get(), "", {}));
  EXPECT_EQ(ReadAll(h.request.get()), "still here");
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].Header("User-Agent"), "kept agent");
}

}  // namespace
}  // namespace web::internet
