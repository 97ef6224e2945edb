#include "web/WebRequest.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

#include "tests/web/Loopback.h"
#include "tests/web/TlsServer.h"
#include "tools/loopback/HttpServer.h"
#include "tools/loopback/Response.h"

namespace web {
namespace {

using loopback::Connection;
using loopback::HttpServer;
using loopback::Respond;
using loopback::Response;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

constexpr std::string_view kAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

std::string Url(const HttpServer& server, std::string_view path) {
  return "http://127.0.0.1:" + std::to_string(server.Port()) + std::string(path);
}

std::string Str(const text::ByteArray& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// The block of four lines a request carries when the caller adds none.
std::string DefaultBlock(std::string_view url) {
  return "Accept: */*\r\nReferer: " + std::string(url) +
         "\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded";
}

void AnswerOk(const loopback::Request&, Connection& c) {
  Respond(c, Response{200, "", {}, "ok"});
}

// What the server received for a GET of `url` with the default agent and `block`.
std::string GetBytes(const HttpServer& server, std::string_view path, std::string_view block) {
  return "GET " + std::string(path) +
         " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) +
         "\r\nUser-Agent: " + std::string(kAgent) + "\r\n" + std::string(block) + "\r\n\r\n";
}

TEST(WebRequestTest, AddressAloneSendsAGetWithTheDefaultAgentAndFourLines) {
  HttpServer server(AnswerOk);
  const std::string url = Url(server, "/html/wuxia/list_1_1.html");
  EXPECT_EQ(Str(WebRequest(url)), "ok");
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].raw,
            GetBytes(server, "/html/wuxia/list_1_1.html", DefaultBlock(url)));

  text::Text headers;
  WebRequest(url, 0, "", nullptr, nullptr, &headers);
  EXPECT_EQ(headers, DefaultBlock(url));
}

// ---- The header block ----

struct BlockCase {
  std::string name;
  std::string headers;
  std::optional<std::string> cookies;
  std::string block;  // "{url}" stands for the address
  std::string wire;   // the lines the server gets after User-Agent, without the blank line
};

class HeaderBlockTest : public ::testing::TestWithParam<BlockCase> {};

std::string WithUrl(std::string text, const std::string& url) {
  for (std::size_t at; (at = text.find("{url}")) != std::string::npos;) text.replace(at, 5, url);
  return text;
}

TEST_P(HeaderBlockTest, AddsTheUsualLinesTheCallerLeftOut) {
  const BlockCase& c = GetParam();
  HttpServer server(AnswerOk);
  const std::string url = Url(server, "/p");
  text::Text headers = c.headers;
  text::Text cookies = c.cookies.value_or("");
  WebRequest(url, 0, "", c.cookies ? &cookies : nullptr, nullptr, &headers);
  EXPECT_EQ(headers, WithUrl(c.block, url));
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].raw, GetBytes(server, "/p", WithUrl(c.wire, url)));
}

const std::string kRest =
    "Referer: {url}\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded";

INSTANTIATE_TEST_SUITE_P(
    Cases, HeaderBlockTest,
    ::testing::Values(
        BlockCase{"OwnAcceptLine",
                  "Accept: text/html",
                  {},
                  "Accept: text/html\r\n" + kRest,
                  "Accept: text/html\r\n" + kRest},
        BlockCase{"OtherLineFirst",
                  "X-A: 1",
                  {},
                  "X-A: 1\r\nAccept: */*\r\n" + kRest,
                  "X-A: 1\r\nAccept: */*\r\n" + kRest},
        BlockCase{"EndingWithCrLfGivesAnEmptyLine",
                  "X-A: 1\r\n",
                  {},
                  "X-A: 1\r\n\r\nAccept: */*\r\n" + kRest,
                  "X-A: 1\r\nAccept: */*\r\n" + kRest},
        BlockCase{"NamesAreMatchedWithTheirCase",
                  "accept: x\r\nreferer: r",
                  {},
                  "accept: x\r\nreferer: r\r\nAccept: */*\r\n" + kRest,
                  "accept: x\r\nreferer: r\r\nAccept: */*\r\n" + kRest},
        BlockCase{"AllFourGiven",
                  "Content-Type: text/plain\r\nAccept-Language: en\r\nReferer: r\r\nAccept: a",
                  {},
                  "Content-Type: text/plain\r\nAccept-Language: en\r\nReferer: r\r\nAccept: a",
                  "Content-Type: text/plain\r\nAccept-Language: en\r\nReferer: r\r\nAccept: a"},
        BlockCase{"CookieLine", "", "a=1", "Accept: */*\r\n" + kRest + "\r\nCookie: a=1",
                  "Accept: */*\r\n" + kRest + "\r\nCookie: a=1"},
        BlockCase{"CookieLineWrittenByTheCaller", "", "Cookie: a=1",
                  "Accept: */*\r\n" + kRest + "\r\nCookie: a=1",
                  "Accept: */*\r\n" + kRest + "\r\nCookie: a=1"},
        BlockCase{"EmptyCookiesGiveNoLine", "", "", "Accept: */*\r\n" + kRest,
                  "Accept: */*\r\n" + kRest}),
    [](const auto& info) { return info.param.name; });

// ---- The agent ----

// A proxy asked for a tunnel shows the agent on its own, apart from the header block.
struct AgentCase {
  std::string name;
  std::string headers;
  std::string connectLines;  // the CONNECT request's lines from User-Agent on
};

class AgentTest : public ::testing::TestWithParam<AgentCase> {};

TEST_P(AgentTest, IsTakenFromTheHeaders) {
  const AgentCase& c = GetParam();
  HttpServer proxy([](const loopback::Request&, Connection& conn) {
    Respond(conn, Response{403, "", {}, ""});
    conn.Close();
  });
  text::Text headers = c.headers;
  const std::string proxyAddress = "127.0.0.1:" + std::to_string(proxy.Port());
  EXPECT_TRUE(WebRequest("https://127.0.0.1:1/x", 0, "", nullptr, nullptr, &headers, nullptr, false,
                         nullptr, proxyAddress)
                  .empty());
  ASSERT_EQ(proxy.Requests().size(), 1u);
  const std::string raw = proxy.Requests()[0].raw;
  EXPECT_THAT(raw, StartsWith("CONNECT 127.0.0.1:1 HTTP/1.1\r\n"));
  const std::size_t agentAt = raw.find("User-Agent: ");
  ASSERT_NE(agentAt, std::string::npos);
  EXPECT_EQ(raw.substr(agentAt, c.connectLines.size()), c.connectLines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AgentTest,
    ::testing::Values(AgentCase{"Default", "", "User-Agent: " + std::string(kAgent) + "\r\n"},
                      AgentCase{"FromItsLine", "User-Agent: a\r\nX-Other: b", "User-Agent: a\r\n"},
                      AgentCase{"FromItsLineTrimmed", "X-First: 1\r\nUser-Agent:   a  ",
                                "User-Agent: a\r\n"},
                      // Found in any case but cut out with its case as written: the agent becomes
                      // all after the first colon of the block.
                      AgentCase{"LineInLowerCase", "user-agent: a\r\nX-Other: b",
                                "User-Agent: a\r\nX-Other: b\r\n"}),
    [](const auto& info) { return info.param.name; });

TEST(AgentTest, ItsLineIsSentWithTheOtherLines) {
  for (const std::string line : {"User-Agent: a", "user-agent: a"}) {
    HttpServer server(AnswerOk);
    text::Text headers = line + "\r\nX-Other: b";
    WebRequest(Url(server, "/p"), 0, "", nullptr, nullptr, &headers);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].raw,
              "GET /p HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n" +
                  line + "\r\nX-Other: b\r\nAccept: */*\r\n" + WithUrl(kRest, Url(server, "/p")) +
                  "\r\n\r\n");
  }
}

// ---- Methods and bodies ----

struct MethodCase {
  std::string name;
  int method;
  std::string postText;
  std::optional<std::string> postBytes;  // absent: the argument is left out
  std::string verb;
  std::string sentBody;
  std::string postBytesAfter;
};

class MethodTest : public ::testing::TestWithParam<MethodCase> {};

TEST_P(MethodTest, SendsTheVerbAndBody) {
  const MethodCase& c = GetParam();
  HttpServer server([](const loopback::Request& r, Connection& conn) {
    Respond(conn, Response{200, "", {}, r.method == "HEAD" ? "" : "body of " + r.method});
  });
  text::ByteArray postBytes = text::ToBytes(c.postBytes.value_or(""));
  const text::ByteArray body =
      WebRequest(Url(server, "/m"), c.method, c.postText, nullptr, nullptr, nullptr, nullptr, false,
                 c.postBytes ? &postBytes : nullptr);
  ASSERT_EQ(server.Requests().size(), 1u);
  const loopback::Request sent = server.Requests()[0];
  EXPECT_EQ(sent.method, c.verb);
  EXPECT_EQ(sent.body, c.sentBody);
  EXPECT_EQ(sent.HasHeader("Content-Length"), c.verb == "POST");
  if (c.verb == "POST") {
    EXPECT_EQ(sent.Header("Content-Length"), std::to_string(c.sentBody.size()));
  }
  EXPECT_EQ(Str(body), c.verb == "HEAD" ? "" : "body of " + c.verb);
  if (c.postBytes) {
    EXPECT_EQ(Str(postBytes), c.postBytesAfter);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MethodTest,
    ::testing::Values(MethodCase{"GetIgnoresTheText", 0, "abc", "", "GET", "", ""},
                      MethodCase{"PostFillsTheBytesFromTheText", 1, "abc", "", "POST", "abc",
                                 "abc"},
                      MethodCase{"PostBytesWinOverText", 1, "abc", "xyzw", "POST", "xyzw", "xyzw"},
                      MethodCase{"PostWithoutBytesArgument", 1, "abc", {}, "POST", "abc", ""},
                      MethodCase{"PostEmpty", 1, "", "", "POST", "", ""},
                      MethodCase{"PostGbkText", 1, "k=\xCE\xE4\xCF\xC0", "", "POST",
                                 "k=\xCE\xE4\xCF\xC0", "k=\xCE\xE4\xCF\xC0"},
                      MethodCase{"HeadFillsTheBytesButSendsNone", 2, "abc", "", "HEAD", "", "abc"},
                      MethodCase{"BelowZeroIsGet", -1, "abc", "", "GET", "", ""},
                      MethodCase{"ThreeIsGet", 3, "abc", "", "GET", "", ""},
                      MethodCase{"SevenIsGet", 7, "abc", "", "GET", "", ""}),
    [](const auto& info) { return info.param.name; });

TEST(MethodTest, HeadGivesAnEmptyBodyWhateverLengthTheServerNames) {
  HttpServer server([](const loopback::Request&, Connection& c) {
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n");
  });
  text::Text responseHeaders;
  EXPECT_TRUE(
      WebRequest(Url(server, "/h"), 2, "", nullptr, nullptr, nullptr, &responseHeaders).empty());
  EXPECT_EQ(responseHeaders, "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n");
}

// ---- The response ----

TEST(ResponseTest, ABodyOfAnySizeComesWholeAndInOrder) {
  std::string body(100000, '\0');
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i % 251);
  HttpServer server([&](const loopback::Request&, Connection& c) {
    c.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
    // Pieces that never line up with the reader's.
    for (std::size_t p = 0, n = 1; p < body.size(); p += n, n = n * 3 % 4099 + 1) {
      const std::string piece = body.substr(p, n);
      char size[16];
      std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
      c.Send(size + piece + "\r\n");
    }
    c.Send("0\r\n\r\n");
  });
  EXPECT_EQ(Str(WebRequest(Url(server, "/big"))), body);
}

TEST(ResponseTest, AnErrorStatusGivesItsBodyAndHeaders) {
  HttpServer server([](const loopback::Request&, Connection& c) {
    Respond(c, Response{404, "", {{"X-Why", "gone"}}, "not here"});
  });
  text::Text responseHeaders;
  EXPECT_EQ(
      Str(WebRequest(Url(server, "/missing"), 0, "", nullptr, nullptr, nullptr, &responseHeaders)),
      "not here");
  EXPECT_EQ(responseHeaders, "HTTP/1.1 404 Not Found\r\nX-Why: gone\r\nContent-Length: 8\r\n");
}

void Redirecting(const loopback::Request& r, Connection& c) {
  if (r.Path() == "/from") {
    Respond(c, Response{302, "", {{"Location", "/to"}}, "moved"});
  } else {
    Respond(c, Response{200, "", {}, "arrived"});
  }
}

TEST(ResponseTest, RedirectionsAreFollowedUnlessTheCallerSaysNo) {
  HttpServer server(Redirecting);
  text::Text responseHeaders;
  EXPECT_EQ(
      Str(WebRequest(Url(server, "/from"), 0, "", nullptr, nullptr, nullptr, &responseHeaders)),
      "arrived");
  EXPECT_THAT(responseHeaders, StartsWith("HTTP/1.1 200 OK\r\n"));

  EXPECT_EQ(Str(WebRequest(Url(server, "/from"), 0, "", nullptr, nullptr, nullptr, &responseHeaders,
                           true)),
            "moved");
  EXPECT_EQ(responseHeaders, "HTTP/1.1 302 Found\r\nLocation: /to\r\nContent-Length: 5\r\n");
  EXPECT_EQ(server.Requests().size(), 3u);
}

// A response whose header text is `size` bytes, with a cookie among its lines.
std::string HeadWithCookieOfSize(std::size_t size) {
  const std::string start =
      "HTTP/1.1 200 OK\r\nContent-Length: 4\r\nSet-Cookie: big=1; Path=/jar/big\r\nX-Pad: ";
  return start + std::string(size - start.size() - 2, 'p') + "\r\n";
}

class ResponseHeaderSizeTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(ResponseHeaderSizeTest, HeadersFitOnlyBelow5000BytesButTheBodyComesAnyway) {
  const std::string head = HeadWithCookieOfSize(GetParam());
  const bool fits = head.size() < 5000;
  HttpServer server([&](const loopback::Request&, Connection& c) { c.Send(head + "\r\nbody"); });
  text::Text received = "before";
  text::Text responseHeaders;
  EXPECT_EQ(Str(WebRequest(Url(server, "/jar/big/x"), 0, "", nullptr, &received, nullptr,
                           &responseHeaders)),
            "body");
  EXPECT_EQ(responseHeaders, fits ? head : std::string(5000, ' '));
  EXPECT_EQ(received, fits ? "big=1" : "");
}

INSTANTIATE_TEST_SUITE_P(Sizes, ResponseHeaderSizeTest, ::testing::Values(4999, 5000, 7000));

// ---- Received cookies ----

struct ReceivedCase {
  std::string name;
  std::vector<std::string> lines;  // header lines of the response
  std::string received;
};

class ReceivedCookiesTest : public ::testing::TestWithParam<ReceivedCase> {};

TEST_P(ReceivedCookiesTest, AreTheFirstPartOfEachSetCookieLine) {
  const ReceivedCase& c = GetParam();
  std::string head = "HTTP/1.1 200 OK\r\n";
  for (const std::string& line : c.lines) head += line + "\r\n";
  head += "Content-Length: 0\r\n";
  HttpServer server([&](const loopback::Request&, Connection& conn) { conn.Send(head + "\r\n"); });
  text::Text received;
  text::Text responseHeaders;
  WebRequest(Url(server, "/jar/parse/" + c.name), 0, "", nullptr, &received, nullptr,
             &responseHeaders);
  EXPECT_EQ(received, c.received);
  // Every spelling of the header's name is shown one way.
  EXPECT_EQ(responseHeaders,
            text::Replace(head, "Set-Cookie", "Set-Cookie", 1, -1, /*caseSensitive=*/false));
  EXPECT_THAT(responseHeaders, Not(HasSubstr("set-cookie")));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReceivedCookiesTest,
    ::testing::Values(
        ReceivedCase{"AttributesLeftOut",
                     {"Set-Cookie: a=1; Path=/jar/parse; HttpOnly", "set-cookie: b=2"},
                     "a=1; b=2"},
        ReceivedCase{"AnyCaseAndNoSpace", {"SET-COOKIE:c=3"}, "c=3"},
        ReceivedCase{"None", {"X-Other: 1"}, ""},
        ReceivedCase{"NameOnlyInsideAnotherWithSemicolon",
                     {"X-Set-Cookie-Note: v; w", "Set-Cookie: d=4"},
                     "; d=4"},
        ReceivedCase{"NameOnlyInsideAnother", {"X-Set-Cookie-Note: v"}, "X-Set-Cookie-Note: v"},
        ReceivedCase{
            "DeletedIsStillReceived", {"Set-Cookie: e=deleted; Path=/jar/parse"}, "e=deleted"}),
    [](const auto& info) { return info.param.name; });

// ---- Cookies kept by the process against the caller's own ----

TEST(CookieTest, WithoutTheCallersCookiesTheProcessKeepsAndSendsThem) {
  HttpServer server(CookieJarServer);
  text::Text received;
  WebRequest(Url(server, "/jar/auto/set?auto=1"), 0, "", nullptr, &received);
  EXPECT_EQ(received, "auto=1");
  EXPECT_EQ(Str(WebRequest(Url(server, "/jar/auto/show"))), "[auto=1]");
}

TEST(CookieTest, WithTheCallersCookiesOnlyTheyAreSentAndTheyReceiveTheMerge) {
  HttpServer server(CookieJarServer);
  WebRequest(Url(server, "/jar/own/set?kept=1"));

  text::Text cookies = "mine=1; b=2";
  text::Text received;
  EXPECT_EQ(Str(WebRequest(Url(server, "/jar/own/show"), 0, "", &cookies, &received)),
            "[mine=1; b=2]");
  EXPECT_EQ(cookies, "mine=1; b=2");

  WebRequest(Url(server, "/jar/own/set?b=3"), 0, "", &cookies, &received);
  EXPECT_EQ(cookies, "b=3; mine=1");
  EXPECT_EQ(received, cookies);
  // The process did not keep what the caller received.
  EXPECT_EQ(Str(WebRequest(Url(server, "/jar/own/show"))), "[kept=1]");
}

TEST(CookieTest, EmptyCookiesStillKeepTheProcessOut) {
  HttpServer server(CookieJarServer);
  WebRequest(Url(server, "/jar/empty/set?kept=1"));

  text::Text cookies;
  EXPECT_EQ(Str(WebRequest(Url(server, "/jar/empty/show"), 0, "", &cookies)), "[]");
  WebRequest(Url(server, "/jar/empty/set?got=2"), 0, "", &cookies);
  EXPECT_EQ(cookies, "got=2");
  EXPECT_EQ(Str(WebRequest(Url(server, "/jar/empty/show"))), "[kept=1]");
}

TEST(CookieTest, ADeletedCookieLeavesTheCallersCookies) {
  HttpServer server(CookieJarServer);
  text::Text cookies = "gone=1; stays=2";
  text::Text received;
  WebRequest(Url(server, "/jar/delete/set?gone=deleted"), 0, "", &cookies, &received);
  EXPECT_EQ(cookies, "stays=2");
  EXPECT_EQ(received, "stays=2");
}

// ---- Failures ----

TEST(FailureTest, AnUnreachableServerGivesNothingAndSpacesForTheHeaders) {
  RefusingPort refusing;
  ASSERT_NE(refusing.Port(), 0);
  const std::string url = "http://127.0.0.1:" + std::to_string(refusing.Port()) + "/x";
  text::Text received = "before";
  text::Text headers;
  text::Text responseHeaders;
  text::ByteArray postBytes;
  EXPECT_TRUE(
      WebRequest(url, 1, "abc", nullptr, &received, &headers, &responseHeaders, false, &postBytes)
          .empty());
  EXPECT_EQ(received, "");
  EXPECT_EQ(headers, DefaultBlock(url));
  EXPECT_EQ(responseHeaders, std::string(5000, ' '));
  EXPECT_EQ(Str(postBytes), "abc");

  text::Text cookies = "a=1; a=deleted";
  EXPECT_TRUE(WebRequest(url, 0, "", &cookies, &received).empty());
  EXPECT_EQ(cookies, "a=1");
  EXPECT_EQ(received, "a=1");
}

TEST(FailureTest, ARequestThatCannotBeSetUpChangesNothing) {
  for (const std::string url : {"", "http:///x", "http://:80/x"}) {
    text::Text cookies = "c=1";
    text::Text received = "r";
    text::Text headers = "X-A: 1";
    text::Text responseHeaders = "h";
    text::ByteArray postBytes;
    EXPECT_TRUE(WebRequest(url, 1, "abc", &cookies, &received, &headers, &responseHeaders, false,
                           &postBytes)
                    .empty())
        << url;
    EXPECT_EQ(cookies, "c=1");
    EXPECT_EQ(received, "r");
    EXPECT_EQ(headers, "X-A: 1");
    EXPECT_EQ(responseHeaders, "h");
    EXPECT_TRUE(postBytes.empty());
  }
}

// ---- HTTPS and proxies ----

std::string SecureAnswer(const std::string& request) {
  const std::string line = request.substr(0, request.find("\r\n"));
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(line.size()) +
         "\r\nConnection: close\r\n\r\n" + line;
}

TEST(SecureTest, AnHttpsAddressIsFetchedFromATrustedServer) {
  TlsServer secure(SecureAnswer);
  ASSERT_NE(secure.Port(), 0);
  ScopedTrust trust(secure.CaFile());
  const std::string url = secure.BaseUrl() + "book/1.html";
  text::Text responseHeaders;
  EXPECT_EQ(Str(WebRequest(url, 0, "", nullptr, nullptr, nullptr, &responseHeaders)),
            "GET /book/1.html HTTP/1.1");
  EXPECT_THAT(responseHeaders, StartsWith("HTTP/1.1 200 OK\r\n"));
  ASSERT_EQ(secure.Requests().size(), 1u);
  EXPECT_EQ(secure.Requests()[0],
            "GET /book/1.html HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(secure.Port()) +
                "\r\nUser-Agent: " + std::string(kAgent) + "\r\n" + DefaultBlock(url) + "\r\n\r\n");
}

TEST(SecureTest, AnUntrustedServerGivesNothing) {
  TlsServer secure(SecureAnswer);
  ASSERT_NE(secure.Port(), 0);
  text::Text responseHeaders;
  EXPECT_TRUE(
      WebRequest(secure.BaseUrl(), 0, "", nullptr, nullptr, nullptr, &responseHeaders).empty());
  EXPECT_EQ(responseHeaders, std::string(5000, ' '));
  EXPECT_TRUE(secure.Requests().empty());
}

TEST(SecureTest, APlainAddressRedirectedToHttpsIsFollowed) {
  TlsServer secure(SecureAnswer);
  ASSERT_NE(secure.Port(), 0);
  ScopedTrust trust(secure.CaFile());
  HttpServer plain([&](const loopback::Request&, Connection& c) {
    Respond(c, Response{301, "", {{"Location", secure.BaseUrl() + "moved"}}, ""});
  });
  EXPECT_EQ(Str(WebRequest(Url(plain, "/old"))), "GET /moved HTTP/1.1");
}

TEST(ProxyTest, APlainRequestAsksTheProxyForTheWholeAddress) {
  HttpServer proxy([](const loopback::Request&, Connection& c) {
    Respond(c, Response{200, "", {}, "from proxy"});
  });
  HttpServer server(AnswerOk);
  const std::string url = Url(server, "/p?q=1");
  EXPECT_EQ(Str(WebRequest(url, 0, "", nullptr, nullptr, nullptr, nullptr, false, nullptr,
                           "127.0.0.1:" + std::to_string(proxy.Port()))),
            "from proxy");
  ASSERT_EQ(proxy.Requests().size(), 1u);
  EXPECT_EQ(proxy.Requests()[0].target, url);
  EXPECT_EQ(proxy.Requests()[0].Header("Referer"), url);
  EXPECT_TRUE(server.Requests().empty());
}

TEST(ProxyTest, AnHttpsRequestAsksTheProxyForATunnel) {
  TlsServer secure(SecureAnswer);
  ASSERT_NE(secure.Port(), 0);
  HttpServer proxy([](const loopback::Request&, Connection& c) {
    Respond(c, Response{403, "", {}, ""});
    c.Close();
  });
  text::Text responseHeaders;
  EXPECT_TRUE(WebRequest(secure.BaseUrl(), 0, "", nullptr, nullptr, nullptr, &responseHeaders,
                         false, nullptr, "127.0.0.1:" + std::to_string(proxy.Port()))
                  .empty());
  ASSERT_EQ(proxy.Requests().size(), 1u);
  EXPECT_EQ(proxy.Requests()[0].method, "CONNECT");
  EXPECT_EQ(proxy.Requests()[0].target, "127.0.0.1:" + std::to_string(secure.Port()));
  EXPECT_EQ(responseHeaders, std::string(5000, ' '));
  EXPECT_TRUE(secure.Requests().empty());
}

// ---- HeaderValue ----

struct ValueCase {
  std::string name;
  std::string line;
  std::string value;
};

class HeaderValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(HeaderValueTest, GivesTheTrimmedTextAfterTheFirstColon) {
  EXPECT_EQ(HeaderValue(GetParam().line), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HeaderValueTest,
    ::testing::Values(ValueCase{"Plain", "Host: a.b", "a.b"},
                      ValueCase{"FirstColon", "Referer: http://a.b:81/", "http://a.b:81/"},
                      ValueCase{"NoColon", "no colon", ""}, ValueCase{"Empty", "", ""},
                      ValueCase{"NothingAfter", "X:", ""},
                      ValueCase{"FullWidthSpaces", "X:\xA1\xA1v \xA1\xA1", "v"},
                      ValueCase{"LineBreaksStay", "A: 1\r\nB: 2", "1\r\nB: 2"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace web
