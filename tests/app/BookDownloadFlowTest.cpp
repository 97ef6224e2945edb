// A book downloaded through the real window: double-click a row of the list, watch the label
// and the bar, and find the file in the program's directory.
#include <gmock/gmock.h>

#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>
#include <QTreeWidget>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <optional>

#include "app/Application.h"
#include "tests/support/BookPages.h"
#include "tests/support/Gbk.h"
#include "tests/support/ListPage.h"
#include "tests/support/SavedBooks.h"
#include "tests/support/ScriptedSite.h"

namespace app {
namespace {

namespace fs = std::filesystem;

std::string BookBytes(std::size_t size) {
  std::string bytes;
  const std::string line = G(u8"第一章 少年出山，江湖路远。\r\n");
  while (bytes.size() < size) bytes += line + std::to_string(bytes.size()) + "\r\n";
  bytes.resize(size);
  return bytes;
}

class BookDownloadFlowTest : public ::testing::Test {
 protected:
  // Puts the books on the site, each a row of page 1 of the first list, and opens the window.
  void Open(const std::vector<std::string>& links) {
    std::vector<testsupport::BookEntry> rows;
    for (const std::string& link : links) {
      rows.push_back({"1.2M", "2026-12-01", link, G(u8"书") + std::to_string(rows.size())});
    }
    site_.Put(testsupport::ListPath("wuxia", 30, 1), testsupport::ListPageHtml("1", "1", rows));
    program_.emplace();
    program_->Load();
  }

  void DoubleClick(int row) {
    auto* list = program_->Window().findChild<QTreeWidget*>("超级列表框1");
    const QPoint place = list->visualItemRect(list->topLevelItem(row)).center();
    // As the mouse gives them: QTest's double-click alone is not preceded by the presses.
    QWidget* viewport = list->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, place);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, place);
    QTest::mousePress(viewport, Qt::LeftButton, {}, place);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, place);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, place);
  }

  // Runs the message loop until the timer has stopped; false if it runs on past 30 s.
  bool WaitForTheEnd() {
    return QTest::qWaitFor([this] { return program_->Window().TimerPeriod() == 0; }, 30000);
  }

  QString Label() { return program_->Window().findChild<QLabel*>("透明下载")->text(); }
  int Bar() { return program_->Window().findChild<QProgressBar*>("进度条1")->value(); }
  QString Intro() {
    return program_->Window().findChild<QPlainTextEdit*>("编辑框简介")->toPlainText();
  }

  testsupport::SavedBooks books_{"download-flow"};
  testsupport::ScriptedSite site_;
  std::optional<Program> program_;
};

TEST_F(BookDownloadFlowTest, ADoubleClickDownloadsTheBookIntoTheProgramsDirectory) {
  const std::string data = BookBytes(150000);
  Open({testsupport::PutBook(site_, 2001, G(u8"&nbsp;少年出山。<br />\r\n"),
                             books_.Name("book.txt"), data)});
  std::optional<testsupport::CurrentDirectoryElsewhere> elsewhere(std::in_place);

  DoubleClick(0);
  EXPECT_EQ(Intro(), QString::fromUtf8(u8"少年出山。\r\n").replace("\r\n", "\n"));
  EXPECT_EQ(program_->Window().TimerPeriod(), 100);
  ASSERT_TRUE(WaitForTheEnd());

  EXPECT_EQ(Label(), QStringLiteral("下载完成 100% "));
  EXPECT_EQ(Bar(), 100);
  EXPECT_EQ(books_.Read("book.txt"), data);
  EXPECT_TRUE(fs::is_empty(elsewhere->Path()));

  // The window at the end of a download, for a look by eye.
  QDir output(qEnvironmentVariable("MOSHU_TEST_OUTPUT",
                                   QString::fromStdString(elsewhere->Before().string())));
  const QString screenshot = output.filePath("download-complete.png");
  EXPECT_TRUE(program_->Window().grab().save(screenshot));
  std::cout << "screenshot: " << screenshot.toStdString() << "\n";

  DoubleClick(0);
  EXPECT_EQ(program_->Window().TimerPeriod(), 100);
  ASSERT_TRUE(WaitForTheEnd());
  elsewhere.reset();

  EXPECT_EQ(Label(), QStringLiteral("下载完成 100% "));
  EXPECT_EQ(books_.Read("book(1).txt"), data);
}

TEST_F(BookDownloadFlowTest, AFileServerThatKeepsDroppingEndsOnFailure) {
  loopback::FileOptions options;
  options.dropAtPosition = 90000;
  Open({testsupport::PutBook(site_, 2002, G(u8"简介"), books_.Name("broken.txt"), BookBytes(150000),
                             options)});

  DoubleClick(0);
  ASSERT_TRUE(WaitForTheEnd());

  EXPECT_EQ(Label(), QStringLiteral("下载失败"));
  EXPECT_LT(Bar(), 100);
  EXPECT_TRUE(program_->Window().isVisible());
}

TEST_F(BookDownloadFlowTest, ClosingTheProgramDuringADownloadStopsItAndKeepsTheFile) {
  loopback::FileOptions slow;
  slow.chunk = 2000;
  slow.pause = std::chrono::milliseconds(50);
  const std::string data = BookBytes(400000);
  Open({testsupport::PutBook(site_, 2003, G(u8"简介"), books_.Name("unfinished.txt"), data, slow)});

  DoubleClick(0);
  ASSERT_TRUE(QTest::qWaitFor([this] { return Bar() > 0; }, 30000));
  program_.reset();

  // The file was made at its full length. The text has no zero bytes, so every byte that is not
  // 0 came in, and must sit at its place.
  const std::string saved = books_.Read("unfinished.txt");
  ASSERT_EQ(saved.size(), data.size());
  std::size_t arrived = 0, misplaced = 0;
  for (std::size_t i = 0; i < saved.size(); ++i) {
    if (saved[i] == '\0') continue;
    ++arrived;
    if (saved[i] != data[i]) ++misplaced;
  }
  EXPECT_GT(arrived, 0u);
  EXPECT_LT(arrived, data.size());
  EXPECT_EQ(misplaced, 0u);
}

}  // namespace
}  // namespace app
