#include "download/BookDownload.h"

#include <gmock/gmock.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <optional>
#include <thread>

#include "browse/Site.h"
#include "tests/support/BookPages.h"
#include "tests/support/FakeWindow.h"
#include "tests/support/Gbk.h"
#include "tests/support/SavedBooks.h"
#include "tests/support/ScriptedSite.h"
#include "tests/web/Loopback.h"
#include "text/RunDirectory.h"

namespace download {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

struct ProgressCase {
  const char* name;
  std::int32_t done;
  double totalSize;
  std::string labelNumber;
  int position;
};

class ProgressTest : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(ProgressTest, LabelTakesTheFloorAndTheBarTheRoundedPercentage) {
  const ProgressCase& c = GetParam();
  const double percent = Percent(c.done, c.totalSize);
  EXPECT_EQ(ProgressText(percent), G(u8"下载中... ") + c.labelNumber + "% ");
  EXPECT_EQ(ProgressPosition(percent), c.position);
}

INSTANTIATE_TEST_SUITE_P(
    , ProgressTest,
    ::testing::Values(ProgressCase{"Nothing", 0, 1000, "0", 0},
                      // 29 / 100 * 100 is a hair below 29.
                      ProgressCase{"ProductJustBelowAWholeNumber", 29, 100, "29", 29},
                      ProgressCase{"TwoThirds", 2, 3, "66", 66},
                      ProgressCase{"Half", 1500, 3000, "50", 50},
                      ProgressCase{"OneByteShort", 1023, 1024, "99", 99},
                      ProgressCase{"LessThanOnePartIn20000Short", 19999, 20000, "99", 100},
                      ProgressCase{"Complete", 1024, 1024, "100", 100},
                      ProgressCase{"SizeNotReportedYet", 5000, 0, "0", 0},
                      // A new file counted against the old one's size until its own arrives.
                      ProgressCase{"FarBeyondAnOldSize", INT_MAX, 1, "214748364700", INT_MAX}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DownloadCallbackTest, KeepsTheSizeOfEventThreeAndNothingElse) {
  SizeCell size{0};
  EXPECT_EQ(DownloadCallback(size, kEventConnectionStart, nullptr, 7, 0, nullptr), 0);
  EXPECT_EQ(size.load(), 0);
  EXPECT_EQ(DownloadCallback(size, kEventFileSize, nullptr, 123456, 0, nullptr), 0);
  EXPECT_EQ(size.load(), 123456);
  EXPECT_EQ(DownloadCallback(size, kEventTaskEnd, nullptr, 99, 0, nullptr), 0);
  // 0 for a file that exists: the engine picks a new name.
  EXPECT_EQ(DownloadCallback(size, kEventFileExists, nullptr, 5, 6, nullptr), kExistsPickNewName);
  EXPECT_EQ(size.load(), 123456);
}

// Bytes that differ along the file, so a part written at the wrong place shows.
std::string BookBytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7919 + i / 256) & 0xFF);
  return bytes;
}

// A site with books, the window, and the download state, as the program has them.
class BookDownloadTest : public ::testing::Test {
 protected:
  // Puts a book on the site and a row for it in the list; returns the row.
  int AddBook(int id, const std::string& intro, const std::string& fileName, std::string data,
              loopback::FileOptions options = {}) {
    const std::string link =
        testsupport::PutBook(site_, id, intro, fileName, std::move(data), std::move(options));
    window_.rows.push_back({G(u8"书") + std::to_string(id), "2026-12-01", "1.0M", link});
    return static_cast<int>(window_.rows.size()) - 1;
  }

  void DoubleClick(int row) {
    window_.selectedRow = row;
    StartBookDownload(state_, window_);
  }

  // Ticks as the timer would until the display stops it; false if it runs on past 30 s. Keeps
  // the bar position of the last tick before the end.
  bool TickUntilTheEnd() {
    for (int i = 0; i < 3000 && window_.timerPeriod != 0; ++i) {
      barBeforeTheEnd_ = window_.progress;
      ShowDownloadProgress(state_, window_);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return window_.timerPeriod == 0;
  }

  testsupport::SavedBooks books_{"book-download"};
  testsupport::ScriptedSite site_;
  testsupport::FakeWindow window_;
  DownloadState state_;
  int barBeforeTheEnd_ = -1;
};

TEST_F(BookDownloadTest, TheBookLandsInTheProgramsDirectoryWhateverTheCurrentDirectory) {
  const std::string data = BookBytes(100000);
  const int row = AddBook(1001, G(u8"一段简介"), books_.Name("book.txt"), data);
  std::optional<testsupport::CurrentDirectoryElsewhere> elsewhere(std::in_place);

  DoubleClick(row);

  const TaskParam& task = state_.TaskRecord;
  EXPECT_EQ(task.Flags, 4096);
  EXPECT_EQ(task.Url, browse::SiteBase() + "txt/" + books_.Name("book.txt"));
  EXPECT_EQ(task.SavePath, text::RunDirectory() + "/");
  EXPECT_EQ(task.ThreadCount, 10);
  EXPECT_EQ(task.ConnectTimeout, 5000);
  EXPECT_EQ(task.SendTimeout, 5000);
  EXPECT_EQ(task.ReceiveTimeout, 10000);
  EXPECT_EQ(task.StopWait, 1000);
  EXPECT_EQ(task.ReceiveBlock, 10240);
  EXPECT_TRUE(task.EventCallback);
  EXPECT_EQ(task.SpeedLimit, 0);
  EXPECT_FALSE(task.LogCallback);
  EXPECT_EQ(task.Proxy, "");
  EXPECT_EQ(task.Referer, "");
  EXPECT_EQ(window_.intro, G(u8"一段简介"));
  EXPECT_THAT(window_.changes, ElementsAre("SetIntro", "SetTimerPeriod"));
  EXPECT_EQ(window_.timerPeriod, 100);

  ASSERT_TRUE(TickUntilTheEnd());
  EXPECT_TRUE(fs::is_empty(elsewhere->Path()));
  elsewhere.reset();

  EXPECT_EQ(window_.progressText, G(u8"下载完成 100% "));
  EXPECT_EQ(window_.progress, 100);
  EXPECT_EQ(state_.TotalSize->load(), 100000);
  EXPECT_EQ(books_.Read("book.txt"), data);
}

TEST_F(BookDownloadTest, TheSameBookTwiceGetsANumberedSecondCopy) {
  const std::string data = BookBytes(30000);
  const int row = AddBook(1002, G(u8"简介"), books_.Name("twice.txt"), data);

  DoubleClick(row);
  ASSERT_TRUE(TickUntilTheEnd());
  DoubleClick(row);
  EXPECT_EQ(window_.timerPeriod, 100);
  ASSERT_TRUE(TickUntilTheEnd());

  EXPECT_EQ(window_.progressText, G(u8"下载完成 100% "));
  EXPECT_EQ(books_.Read("twice.txt"), data);
  EXPECT_EQ(books_.Read("twice(1).txt"), data);
}

TEST_F(BookDownloadTest, AServerThatKeepsDroppingEndsOnFailureWithTheBarInPlace) {
  loopback::FileOptions options;
  options.dropAtPosition = 60000;
  options.chunk = 1000;
  options.pause = std::chrono::milliseconds(2);
  const int row = AddBook(1003, G(u8"简介"), books_.Name("broken.txt"), BookBytes(100000), options);

  DoubleClick(row);
  ASSERT_TRUE(TickUntilTheEnd());

  EXPECT_EQ(window_.progressText, G(u8"下载失败"));
  EXPECT_EQ(window_.progress, barBeforeTheEnd_);
  EXPECT_LT(window_.progress, 100);
}

TEST_F(BookDownloadTest, ADoubleClickDuringADownloadShowsTheNewBookButFollowsTheRunningOne) {
  // One connection at 1000 bytes every 50 ms: about a second for the first book.
  loopback::FileOptions slow;
  slow.chunk = 1000;
  slow.pause = std::chrono::milliseconds(50);
  const std::string data = BookBytes(20000);
  const int first = AddBook(1004, G(u8"第一本"), books_.Name("first.txt"), data, slow);
  const int second = AddBook(1005, G(u8"第二本"), books_.Name("second.txt"), BookBytes(500));

  DoubleClick(first);
  ShowDownloadProgress(state_, window_);
  DoubleClick(second);

  EXPECT_EQ(window_.intro, G(u8"第二本"));
  EXPECT_EQ(state_.TaskRecord.Url, browse::SiteBase() + "txt/" + books_.Name("second.txt"));
  EXPECT_THAT(site_.Targets(), Contains("/down/1005.html"));
  std::vector<int> positions;
  for (int i = 0; i < 3000 && window_.timerPeriod != 0; ++i) {
    ShowDownloadProgress(state_, window_);
    positions.push_back(window_.progress);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(window_.progressText, G(u8"下载完成 100% "));
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
  EXPECT_EQ(books_.Read("first.txt"), data);
  EXPECT_FALSE(books_.Exists("second.txt"));
  EXPECT_THAT(site_.Targets(), Not(Contains("/txt/" + books_.Name("second.txt"))));
}

TEST_F(BookDownloadTest, NoSelectedRowAsksForTheSiteItselfAndFails) {
  DoubleClick(-1);

  EXPECT_EQ(state_.TaskRecord.Url, browse::SiteBase());
  ASSERT_TRUE(TickUntilTheEnd());
  EXPECT_THAT(site_.Targets(), ElementsAre("/html/", "/", "/"));
  EXPECT_EQ(window_.progressText, G(u8"下载失败"));
}

TEST_F(BookDownloadTest, ATaskTheEngineRefusesEndsOnFailure) {
  // The engine takes no https address; nothing listens there either.
  RefusingPort refusing;
  testsupport::ScopedSiteBase secure("https://127.0.0.1:" + std::to_string(refusing.Port()) + "/");

  DoubleClick(-1);
  EXPECT_EQ(window_.timerPeriod, 100);
  ShowDownloadProgress(state_, window_);

  EXPECT_EQ(window_.timerPeriod, 0);
  EXPECT_EQ(window_.progressText, G(u8"下载失败"));
  EXPECT_EQ(window_.progress, 0);
}

}  // namespace
}  // namespace download
