#include "download/engine/Download.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "tests/download/EngineFixture.h"
#include "tests/support/Gbk.h"

using download::Download;
using download::TaskEnd;
using testing::ElementsAre;

namespace {

const char kAgentLine[] = "User-Agent: Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)\r\n";

TEST_F(EngineTest, NewObjectHoldsNothing) {
  Download d;
  EXPECT_EQ(d.BytesDone(), 0);
  EXPECT_FALSE(d.HoldsTask());
  EXPECT_EQ(d.LastEnd(), TaskEnd::kNone);
}

TEST_F(EngineTest, RefusedAddressesChangeNothing) {
  auto recorder = std::make_shared<Recorder>();
  const std::string refused[] = {
      "https://127.0.0.1:" + std::to_string(server_.Port()) + "/a.txt",
      "http://127.0.0.1:" + std::to_string(server_.Port()),
      "http://127.0.0.1:0/a.txt",
      "gopher://127.0.0.1/a.txt",
      "127.0.0.1/a.txt",
      "",
  };
  Download d;
  for (const std::string& url : refused) {
    download::TaskParam p = Task("/a.txt", recorder);
    p.Url = url;
    EXPECT_FALSE(d.AddTask(p)) << url;
  }
  EXPECT_FALSE(d.HoldsTask());
  EXPECT_TRUE(recorder->Events().empty());
  EXPECT_TRUE(server_.Requests().empty());
  EXPECT_TRUE(SavedNames().empty());
}

TEST_F(EngineTest, ShortFileComesOverOneConnection) {
  const std::string data = TestBytes(20479);
  ServeAt("/books/short.txt", data);
  auto recorder = std::make_shared<Recorder>();
  download::TaskParam p = Task("/books/short.txt", recorder);
  p.ThreadCount = 10;

  const TaskEnd end = Run(p);

  EXPECT_TRUE(SameBytes(ReadFile(saveDir_ / "short.txt"), data));
  EXPECT_EQ(server_.Requests().size(), 1u);
  EXPECT_EQ(end, TaskEnd::kComplete);
  ASSERT_EQ(recorder->Events(3).size(), 1u);
  EXPECT_EQ(recorder->Events(3)[0].value1, 20479);
  ASSERT_EQ(recorder->Events(6).size(), 1u);
  EXPECT_EQ(recorder->Events(6)[0].value1, 0);
  EXPECT_EQ(recorder->Events(6)[0].value2, 20479);
}

// 20480 bytes over ten connections: ten parts of 2048, every one but the first asked for with a
// Range line, and the events in the order the contract gives them.
TEST_F(EngineTest, SplitsIntoEqualPartsWithRangeRequests) {
  const std::string data = TestBytes(20480);
  ServeAt("/books/ten.txt", data);
  auto recorder = std::make_shared<Recorder>();
  download::TaskParam p = Task("/books/ten.txt", recorder);
  p.ThreadCount = 10;
  p.ReceiveBlock = 1000;

  Download d;
  ASSERT_TRUE(d.AddTask(p));
  ASSERT_TRUE(WaitForRelease(d));
  EXPECT_TRUE(SameBytes(ReadFile(saveDir_ / "ten.txt"), data));
  EXPECT_THAT(SavedNames(), ElementsAre("ten.txt"));

  std::set<std::string> ranges;
  for (const loopback::Request& r : server_.Requests()) ranges.insert(r.Header("Range"));
  std::set<std::string> expected = {""};
  for (int k = 1; k < 10; ++k) expected.insert("bytes=" + std::to_string(2048 * k) + "-");
  EXPECT_EQ(ranges, expected);

  std::set<std::pair<int, int>> parts;
  for (int code : {download::kEventFirstPart, download::kEventFurtherPart}) {
    for (const auto& e : recorder->Events(code)) parts.insert({e.value1, e.value2});
  }
  std::set<std::pair<int, int>> expectedParts;
  for (int k = 0; k < 10; ++k) expectedParts.insert({2048 * k, 2048 * (k + 1)});
  EXPECT_EQ(parts, expectedParts);

  std::vector<Recorder::Event> events = recorder->Events();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().code, download::kEventTaskEnd);
  EXPECT_EQ(events.back().value1, 20480);
  EXPECT_EQ(events.back().connection, nullptr);
  long received = 0;
  bool sizeSeen = false;
  std::map<download::Handle, std::vector<int>> byConnection;
  for (const auto& e : events) {
    EXPECT_EQ(e.thread, events.front().thread) << "every event on the task's thread";
    if (e.code == download::kEventFileSize) sizeSeen = true;
    if (e.code == download::kEventReceived) {
      EXPECT_TRUE(sizeSeen) << "no block before the size";
      EXPECT_LE(e.value1, 1000);
      received += e.value1;
    }
    if (e.connection != nullptr) byConnection[e.connection].push_back(e.code);
  }
  EXPECT_NE(events.front().thread, std::this_thread::get_id());
  EXPECT_EQ(received, 20480);
  EXPECT_EQ(byConnection.size(), 10u);
  for (const auto& [connection, codes] : byConnection) {
    EXPECT_EQ(codes.front(), download::kEventConnectionStart);
    EXPECT_EQ(codes.back(), download::kEventConnectionDone);
  }

  // Released: nothing held, and the next task is taken.
  EXPECT_EQ(d.BytesDone(), 0);
  ASSERT_TRUE(d.AddTask(p));
  ASSERT_TRUE(WaitForRelease(d));
}

TEST_F(EngineTest, SendsExactlyItsRequestLines) {
  const std::string data = TestBytes(40000);
  ServeAt("/dir/file.txt", data);
  auto recorder = std::make_shared<Recorder>();
  download::TaskParam p = Task("/dir/file.txt", recorder);
  p.ThreadCount = 2;

  Run(p);
  ASSERT_TRUE(SameBytes(ReadFile(saveDir_ / "file.txt"), data));

  const std::string host = "127.0.0.1:" + std::to_string(server_.Port());
  const std::string head = "GET /dir/file.txt HTTP/1.1\r\nHost: " + host +
                           "\r\nAccept: */*\r\nReferer: http://" + host + "/dir\r\n" + kAgentLine;
  const std::string tail =
      "Pragma: no-cache\r\nCache-Control: no-cache\r\nConnection: close\r\n\r\n";
  std::set<std::string> raw;
  for (const loopback::Request& r : server_.Requests()) raw.insert(r.raw);
  EXPECT_EQ(raw, (std::set<std::string>{head + tail, head + "Range: bytes=20000-\r\n" + tail}));
}

TEST_F(EngineTest, GivenRefererIsSent) {
  ServeAt("/f.txt", TestBytes(100));
  auto recorder = std::make_shared<Recorder>();
  download::TaskParam p = Task("/f.txt", recorder);
  p.Referer = "http://example.invalid/page.html";
  Run(p);
  ASSERT_EQ(server_.Requests().size(), 1u);
  EXPECT_EQ(server_.Requests()[0].Header("Referer"), "http://example.invalid/page.html");
}

TEST_F(EngineTest, LineBreaksInTheAddressStartNoHeaderLine) {
  const std::string data = TestBytes(100);
  ServeAt("/a%0D%0AX-Injected:%201/f.txt", data);
  auto recorder = std::make_shared<Recorder>();
  download::TaskParam p = Task("/x", recorder);
  p.Url = Url("/a\r\nX-Injected: 1/f.txt");
  Run(p);
  ASSERT_EQ(server_.Requests().size(), 1u);
  const loopback::Request r = server_.Requests()[0];
  EXPECT_FALSE(r.HasHeader("X-Injected")) << r.raw;
  EXPECT_EQ(r.target, "/a%0D%0AX-Injected:%201/f.txt");
  EXPECT_TRUE(SameBytes(ReadFile(saveDir_ / "f.txt"), data));
}

// Through a proxy the request line carries the whole address and only the proxy's lines follow.
// The proxy here answers itself; the address it is asked for does not exist.
TEST_F(EngineTest, ProxyRequestCarriesTheWholeAddress) {
  const std::string data = TestBytes(3000);
  loopback::HttpServer proxy([&](const loopback::Request& r, loopback::Connection& c) {
    loopback::ServeFile(r, c, data);
  });
  auto recorder = std::make_shared<Recorder>();
  download::TaskParam p = Task("/unused", recorder);
  p.Url = "http://127.0.0.1:9/books/p.txt";
  p.Proxy = "127.0.0.1:" + std::to_string(proxy.Port());

  Run(p);
  EXPECT_TRUE(SameBytes(ReadFile(saveDir_ / "p.txt"), data));
  ASSERT_EQ(proxy.Requests().size(), 1u);
  EXPECT_EQ(proxy.Requests()[0].raw,
            std::string("GET http://127.0.0.1:9/books/p.txt HTTP/1.1\r\nHost: 127.0.0.1:9\r\n") +
                kAgentLine + "Proxy-Connection: Keep-Alive\r\n\r\n");
}

TEST_F(EngineTest, SameFileAgainGetsANumberedName) {
  const std::string data = TestBytes(5000);
  ServeAt("/book.txt", data);
  auto recorder = std::make_shared<Recorder>();
  Download d;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(d.AddTask(Task("/book.txt", recorder)));
    ASSERT_TRUE(WaitForRelease(d));
  }
  EXPECT_THAT(SavedNames(), ElementsAre("book(1).txt", "book(2).txt", "book.txt"));
  EXPECT_TRUE(SameBytes(ReadFile(saveDir_ / "book(2).txt"), data));
  std::vector<Recorder::Event> asked = recorder->Events(download::kEventFileExists);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].value1, 5000);
  EXPECT_EQ(asked[0].value2, 5000);
  // Compared within the second task: threads of a task that has ended may be reused.
  EXPECT_NE(asked[0].thread, recorder->Events(download::kEventFileSize)[1].thread)
      << "asked on the connection's thread, not the task's";
}

TEST_F(EngineTest, KeepingTheExistingFileFailsTheTask) {
  std::filesystem::path old = saveDir_ / "book.txt";
  std::ofstream(old) << "mine";
  ServeAt("/book.txt", TestBytes(5000));
  auto recorder = std::make_shared<Recorder>();
  recorder->existsAnswer = download::kExistsGiveUp;
  const TaskEnd end = Run(Task("/book.txt", recorder));
  EXPECT_EQ(ReadFile(old), "mine");
  EXPECT_THAT(SavedNames(), ElementsAre("book.txt"));
  EXPECT_EQ(end, TaskEnd::kFailed);
  EXPECT_TRUE(recorder->Events(download::kEventFileSize).empty());
}

// The name a server gives is reduced to a plain name inside the save directory; nothing is
// written anywhere else.
struct NameCase {
  std::string path;
  std::string disposition;
  std::string saved;  // UTF-8 as on disk; empty: the task fails and nothing is made
};

class FileNameFromServer : public EngineTest, public testing::WithParamInterface<NameCase> {};

TEST_P(FileNameFromServer, SavesUnderAPlainName) {
  const NameCase& c = GetParam();
  const std::string data = TestBytes(700);
  loopback::FileOptions options;
  options.contentDisposition = c.disposition;
  ServeAt(c.path.substr(0, c.path.find('?')), data, options);
  auto recorder = std::make_shared<Recorder>();
  const TaskEnd end = Run(Task(c.path, recorder));

  std::vector<std::string> inRoot;
  for (const auto& e : std::filesystem::directory_iterator(root_)) {
    inRoot.push_back(e.path().filename().string());
  }
  EXPECT_THAT(inRoot, ElementsAre("save"));
  if (c.saved.empty()) {
    EXPECT_TRUE(SavedNames().empty());
    EXPECT_EQ(end, TaskEnd::kFailed);
    EXPECT_TRUE(recorder->Events(download::kEventFileSize).empty());
  } else {
    EXPECT_THAT(SavedNames(), ElementsAre(c.saved));
    EXPECT_TRUE(SameBytes(ReadFile(saveDir_ / c.saved), data));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Names, FileNameFromServer,
    testing::Values(
        NameCase{"/a/b/plain.txt", "", "plain.txt"}, NameCase{"/a/%CA%E9+1.txt", "", "书 1.txt"},
        NameCase{"/get", "attachment; filename=\"given.txt\"", "given.txt"},
        NameCase{"/get", "attachment; filename=given.txt; size=700", "given.txt"},
        NameCase{"/get", "attachment; filename=\"" + G(u8"第一卷.txt") + "\"", "第一卷.txt"},
        NameCase{"/get", "attachment; filename=\"../../escape.txt\"", "escape.txt"},
        NameCase{"/get", "attachment; filename=\"/etc/passwd\"", "passwd"},
        NameCase{"/get", "attachment; filename=\"..\\\\..\\\\win.txt\"", "win.txt"},
        NameCase{"/get", "attachment; filename=\"C:evil.txt\"", "evil.txt"},
        NameCase{"/a/%2e%2e", "", ""}, NameCase{"/get", "attachment; filename=\"..\"", ""},
        NameCase{"/dir/", "", ""}));

TEST_F(EngineTest, SavePathWithoutSeparatorIsTheFileName) {
  const std::string data = TestBytes(900);
  ServeAt("/x.txt", data);
  auto recorder = std::make_shared<Recorder>();
  download::TaskParam p = Task("/x.txt", recorder);
  p.SavePath = (saveDir_ / "chosen.bin").string();
  Run(p);
  EXPECT_THAT(SavedNames(), ElementsAre("chosen.bin"));
  EXPECT_TRUE(SameBytes(ReadFile(saveDir_ / "chosen.bin"), data));
}

TEST_F(EngineTest, BackslashEndedSavePathIsADirectory) {
  ServeAt("/y.txt", TestBytes(10));
  auto recorder = std::make_shared<Recorder>();
  download::TaskParam p = Task("/y.txt", recorder);
  p.SavePath = saveDir_.string() + "\\";
  Run(p);
  EXPECT_THAT(SavedNames(), ElementsAre("y.txt"));
}

TEST_F(EngineTest, RedirectIsFollowed) {
  const std::string data = TestBytes(30000);
  ServeAt("/new/final.txt", data);
  Route("/old", [](const loopback::Request&, loopback::Connection& c) {
    loopback::Respond(c, {302, "", {{"Location", "/new/final.txt"}}, "", true});
  });
  auto recorder = std::make_shared<Recorder>();
  download::TaskParam p = Task("/old", recorder);
  p.ThreadCount = 3;
  Run(p);
  EXPECT_THAT(SavedNames(), ElementsAre("final.txt"));
  EXPECT_TRUE(SameBytes(ReadFile(saveDir_ / "final.txt"), data));
}

TEST_F(EngineTest, ErrorStatusesFailTheTask) {
  Route("/forbidden", [](const loopback::Request&, loopback::Connection& c) {
    loopback::Respond(c, {403, "", {}, "no", true});
  });
  Route("/to-https", [](const loopback::Request&, loopback::Connection& c) {
    loopback::Respond(c, {301, "", {{"Location", "https://127.0.0.1/x.txt"}}, "", true});
  });
  for (const char* path : {"/missing.txt", "/forbidden", "/to-https"}) {
    auto recorder = std::make_shared<Recorder>();
    EXPECT_EQ(Run(Task(path, recorder)), TaskEnd::kFailed) << path;
    EXPECT_TRUE(recorder->Events(download::kEventFileSize).empty()) << path;
    EXPECT_EQ(recorder->Events().back().code, download::kEventTaskEnd) << path;
    EXPECT_TRUE(recorder->HasErrorLine()) << path;
  }
  EXPECT_TRUE(SavedNames().empty());
}

TEST_F(EngineTest, UnreachableServerFailsTheTask) {
  auto recorder = std::make_shared<Recorder>();
  download::TaskParam p = Task("/x", recorder);
  int port;
  {
    loopback::HttpServer closed([](const loopback::Request&, loopback::Connection&) {});
    port = closed.Port();
  }
  p.Url = "http://127.0.0.1:" + std::to_string(port) + "/x.txt";
  EXPECT_EQ(Run(p), TaskEnd::kFailed);
  EXPECT_THAT(recorder->Events(), testing::Not(testing::IsEmpty()));
  EXPECT_TRUE(SavedNames().empty());
}

TEST_F(EngineTest, OtherSchemesAreTakenButOnlyHttpDownloads) {
  auto recorder = std::make_shared<Recorder>();
  download::TaskParam p = Task("/x", recorder);
  p.Url = "RTSP://127.0.0.1:1/stream";
  EXPECT_EQ(Run(p), TaskEnd::kFailed);
  EXPECT_EQ(recorder->Events().back().code, download::kEventTaskEnd);
  EXPECT_TRUE(recorder->HasErrorLine());
}

}  // namespace
