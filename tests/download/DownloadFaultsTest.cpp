// The download engine against servers that go wrong: every completed file must still be the
// server's file byte for byte, and a task that cannot complete must say so and end.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>

#include "download/engine/Download.h"
#include "tests/download/EngineFixture.h"

using download::Download;
using download::TaskEnd;

namespace {

TEST_F(EngineTest, ResponseWithoutLengthFailsWithoutSizeEvent) {
  loopback::FileOptions options;
  options.sendLength = false;
  ServeAt("/nolength.txt", TestBytes(5000), options);
  auto recorder = std::make_shared<Recorder>();
  Download d;
  ASSERT_TRUE(d.AddTask(Task("/nolength.txt", recorder)));
  ASSERT_TRUE(WaitForRelease(d));
  EXPECT_TRUE(recorder->Events(download::kEventFileSize).empty());
  ASSERT_FALSE(recorder->Events().empty());
  EXPECT_EQ(recorder->Events().back().code, download::kEventTaskEnd);
  EXPECT_EQ(d.BytesDone(), 0);
  EXPECT_EQ(d.LastEnd(), TaskEnd::kFailed);
  EXPECT_TRUE(SavedNames().empty());
}

TEST_F(EngineTest, ServerIgnoringRangeFallsBackToOneConnection) {
  const std::string data = TestBytes(300000, 7);
  loopback::FileOptions options;
  options.honourRange = false;
  options.chunk = 4096;
  ServeAt("/whole.txt", data, options);
  auto recorder = std::make_shared<Recorder>();
  download::TaskParam p = Task("/whole.txt", recorder);
  p.ThreadCount = 6;
  EXPECT_EQ(Run(p), TaskEnd::kComplete);
  EXPECT_TRUE(SameBytes(ReadFile(saveDir_ / "whole.txt"), data));
  EXPECT_TRUE(recorder->HasErrorLine()) << "the fall-back is logged";
}

// A server that answers every Range with 206 but sends the file from its start.
TEST_F(EngineTest, WrongContentRangeIsNeverWritten) {
  const std::string data = TestBytes(200000, 9);
  Route("/liar.txt", [&data](const loopback::Request& r, loopback::Connection& c) {
    loopback::Response response;
    if (r.HasHeader("Range")) {
      response.status = 206;
      response.headers = {{"Content-Range", "bytes 0-" + std::to_string(data.size() - 1) + "/" +
                                                std::to_string(data.size())}};
    }
    response.body = data;
    loopback::Respond(c, response);
  });
  auto recorder = std::make_shared<Recorder>();
  download::TaskParam p = Task("/liar.txt", recorder);
  p.ThreadCount = 4;
  EXPECT_EQ(Run(p), TaskEnd::kComplete);
  EXPECT_TRUE(SameBytes(ReadFile(saveDir_ / "liar.txt"), data));
}

// Every answer breaks off after 10000 bytes; each part is fetched on from where it broke.
TEST_F(EngineTest, DroppedConnectionsAreResumed) {
  const std::string data = TestBytes(400000, 3);
  loopback::FileOptions options;
  options.dropAfter = 10000;
  ServeAt("/flaky.txt", data, options);
  auto recorder = std::make_shared<Recorder>();
  download::TaskParam p = Task("/flaky.txt", recorder);
  p.ThreadCount = 4;
  EXPECT_EQ(Run(p), TaskEnd::kComplete);
  EXPECT_TRUE(SameBytes(ReadFile(saveDir_ / "flaky.txt"), data));
  EXPECT_TRUE(recorder->HasErrorLine());
}

// Every answer breaks off at the same place in the file, so retries make no progress.
TEST_F(EngineTest, ServerThatAlwaysDropsEndsTheTaskAsFailed) {
  const std::string data = TestBytes(100000, 4);
  Route("/broken.txt", [&data](const loopback::Request& r, loopback::Connection& c) {
    std::string range = r.Header("Range");  // "bytes=N-" or none
    std::size_t from = range.empty() ? 0 : std::strtoull(range.c_str() + 6, nullptr, 10);
    loopback::FileOptions options;
    options.dropAfter = from < 70000 ? 70000 - from : 0;
    loopback::ServeFile(r, c, data, options);
  });
  auto recorder = std::make_shared<Recorder>();
  download::TaskParam p = Task("/broken.txt", recorder);
  p.ThreadCount = 2;
  EXPECT_EQ(Run(p), TaskEnd::kFailed);
  EXPECT_FALSE(recorder->Events(download::kEventConnectionError).empty());
  EXPECT_EQ(recorder->Events().back().code, download::kEventTaskEnd);
  EXPECT_TRUE(recorder->HasErrorLine());
}

TEST_F(EngineTest, SilentServerTimesOut) {
  Route("/silent.txt", [](const loopback::Request&, loopback::Connection& c) {
    while (!c.Stopping()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  });
  auto recorder = std::make_shared<Recorder>();
  download::TaskParam p = Task("/silent.txt", recorder);
  p.ConnectTimeout = 200;
  p.SendTimeout = 200;
  p.ReceiveTimeout = 200;
  EXPECT_EQ(Run(p), TaskEnd::kFailed);
}

// A second task is refused while a slow download runs, which goes on. Destroying the Download
// stops it within StopWait; the task still reports its
// end, with the bytes done, and what was written stays.
TEST_F(EngineTest, DestroyingStopsTheTask) {
  const std::string data = TestBytes(2'000'000, 5);
  loopback::FileOptions options;
  options.chunk = 2048;
  options.pause = std::chrono::milliseconds(20);
  ServeAt("/slow.txt", data, options);
  auto recorder = std::make_shared<Recorder>();
  download::TaskParam p = Task("/slow.txt", recorder);
  p.ThreadCount = 4;
  p.StopWait = 1000;

  auto d = std::make_unique<Download>();
  ASSERT_TRUE(d->AddTask(p));
  for (int i = 0; i < 2000 && d->BytesDone() < 20000; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_GE(d->BytesDone(), 20000);
  ServeAt("/other.txt", TestBytes(100));
  EXPECT_FALSE(d->AddTask(Task("/other.txt", recorder))) << "one task at a time";
  std::int32_t done = d->BytesDone();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_GT(d->BytesDone(), done) << "the first task goes on";
  auto before = std::chrono::steady_clock::now();
  d.reset();
  auto took = std::chrono::steady_clock::now() - before;
  EXPECT_LT(took, std::chrono::milliseconds(1000 + 500));

  for (int i = 0; i < 400 && recorder->Events(download::kEventTaskEnd).empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  std::vector<Recorder::Event> end = recorder->Events(download::kEventTaskEnd);
  ASSERT_EQ(end.size(), 1u);
  EXPECT_GE(end[0].value1, 20000);
  EXPECT_LT(end[0].value1, static_cast<int>(data.size()));
  std::string written = ReadFile(saveDir_ / "slow.txt");
  ASSERT_EQ(written.size(), data.size()) << "the file has its full length from the start";
  EXPECT_EQ(written.substr(0, 2048), data.substr(0, 2048));
}

// With a limit, the connections share it: the whole transfer keeps near the limit's rate. The
// first second's allowance comes at once, so the time is at least (size - limit) / limit.
TEST_F(EngineTest, SpeedLimitHoldsTheRate) {
  const int limit = 100000;
  const std::string data = TestBytes(3 * limit, 6);
  ServeAt("/limited.txt", data);
  auto recorder = std::make_shared<Recorder>();
  download::TaskParam p = Task("/limited.txt", recorder);
  p.ThreadCount = 2;
  p.SpeedLimit = limit;
  p.ReceiveBlock = 4096;
  Download d;
  auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(d.AddTask(p));
  ASSERT_TRUE(WaitForRelease(d));
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_TRUE(SameBytes(ReadFile(saveDir_ / "limited.txt"), data));
  EXPECT_GE(seconds, 1.6) << "the limit was not applied";
}

}  // namespace
