#include "app/Application.h"

#include <gmock/gmock.h>

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <iostream>
#include <optional>
#include <thread>

#include "browse/Site.h"
#include "tests/support/Gbk.h"
#include "tests/support/ListPage.h"
#include "tests/support/ScriptedSite.h"
#include "tests/web/Loopback.h"
#include "tools/loopback/HttpServer.h"
#include "tools/loopback/Response.h"

namespace app {
namespace {

using ::testing::ElementsAre;
using testsupport::ListPageHtml;
using testsupport::ListPath;
using testsupport::NumberedEntry;

// What the window showed at the moment it was first shown.
class ShowWatcher : public QObject {
 public:
  QString label;
  int rows = -1;

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && rows < 0) {
      auto* window = static_cast<QWidget*>(watched);
      label = window->findChild<QLabel*>("标签页数")->text();
      rows = window->findChild<QTreeWidget*>("超级列表框1")->topLevelItemCount();
    }
    return false;
  }
};

QString PageLabel(Program& program) {
  return program.Window().findChild<QLabel*>("标签页数")->text();
}

void Click(Program& program, const char* button) {
  QTest::mouseClick(program.Window().findChild<QPushButton*>(button), Qt::LeftButton);
}

class ApplicationTest : public ::testing::Test {
 protected:
  // Pages 1..pages of a list, each with three books.
  void PutList(const std::string& dir, int list, int pages) {
    for (int p = 1; p <= pages; ++p) {
      site_.Put(
          ListPath(dir, list, p),
          ListPageHtml(std::to_string(p), std::to_string(pages),
                       {NumberedEntry(3 * p), NumberedEntry(3 * p + 1), NumberedEntry(3 * p + 2)}));
    }
  }

  testsupport::ScriptedSite site_;
};

TEST_F(ApplicationTest, StartUpShowsPageOneOfTheFirstListBeforeTheWindowOpens) {
  PutList("wuxia", 30, 12);
  Program program;
  ShowWatcher watcher;
  program.Window().installEventFilter(&watcher);

  program.Load();

  EXPECT_TRUE(program.Window().isVisible());
  EXPECT_EQ(watcher.label, "1/12");
  EXPECT_EQ(watcher.rows, 3);
  EXPECT_THAT(site_.Targets(), ElementsAre(ListPath("wuxia", 30, 1)));
  EXPECT_EQ(program.State().Browse.CurrentPage, 1);
  EXPECT_EQ(program.State().Browse.PageCount, 12);

  // The window as the reader first sees it, for a look by eye.
  QDir output(qEnvironmentVariable("MOSHU_TEST_OUTPUT", QDir::currentPath()));
  const QString path = output.filePath("start-up.png");
  ASSERT_TRUE(program.Window().grab().save(path));
  std::cout << "screenshot: " << path.toStdString() << "\n";
}

TEST_F(ApplicationTest, AMenuItemAndThePageButtonsLoadTheirPages) {
  PutList("wuxia", 30, 2);
  PutList("xuanhuan", 22, 3);
  Program program;
  program.Load();

  auto* item = program.Window().findChild<QAction*>("东方玄幻3");
  ASSERT_NE(item, nullptr);
  item->trigger();
  EXPECT_EQ(PageLabel(program), "1/3");
  Click(program, "按钮下一页");
  Click(program, "按钮下一页");
  Click(program, "按钮下一页");
  EXPECT_EQ(PageLabel(program), "3/3");
  Click(program, "按钮上一页");
  EXPECT_EQ(PageLabel(program), "2/3");

  EXPECT_THAT(site_.Targets(),
              ElementsAre(ListPath("wuxia", 30, 1), ListPath("xuanhuan", 22, 1),
                          ListPath("xuanhuan", 22, 2), ListPath("xuanhuan", 22, 3),
                          ListPath("xuanhuan", 22, 3), ListPath("xuanhuan", 22, 2)));
  auto* list = program.Window().findChild<QTreeWidget*>("超级列表框1");
  EXPECT_EQ(list->topLevelItemCount(), 3);
  EXPECT_EQ(list->topLevelItem(0)->text(3).toStdString(), NumberedEntry(6).link);
}

TEST_F(ApplicationTest, TheSearchButtonSendsTheBoxTextOnceEnabled) {
  // Nothing in the program enables the search; this only checks that the button is wired.
  PutList("wuxia", 30, 1);
  Program program;
  program.Load();
  auto* box = program.Window().findChild<QLineEdit*>("编辑框搜索");
  auto* button = program.Window().findChild<QPushButton*>("按钮1");
  box->setText("abc");
  button->setEnabled(true);

  QTest::mouseClick(button, Qt::LeftButton);

  EXPECT_THAT(site_.Targets(),
              ElementsAre(ListPath("wuxia", 30, 1), "/plus/search.php?keyword=abc"));
  EXPECT_EQ(PageLabel(program), "1/1");
}

TEST(ApplicationOfflineTest, OpensWithAnEmptyListAndLoadsOnceTheSiteIsBack) {
  std::optional<Program> program;
  {
    RefusingPort refusing;
    testsupport::ScopedSiteBase offline("http://127.0.0.1:" + std::to_string(refusing.Port()) +
                                        "/");
    program.emplace();
    program->Load();
  }
  EXPECT_TRUE(program->Window().isVisible());
  EXPECT_EQ(PageLabel(*program), "/");
  EXPECT_EQ(program->Window().findChild<QTreeWidget*>("超级列表框1")->topLevelItemCount(), 0);

  testsupport::ScriptedSite site;
  site.Put(ListPath("dushi", 43, 1), ListPageHtml("1", "7", {NumberedEntry(1)}));
  program->Window().findChild<QAction*>("都市异能5")->trigger();
  EXPECT_EQ(PageLabel(*program), "1/7");
}

TEST(ApplicationCloseTest, ClosingTheWindowDuringAFetchEndsTheProgram) {
  // The reader closes the window while 修真小说2 is being fetched. The window's thread waits for
  // the page, then takes the close, and the message loop ends.
  std::atomic<QWidget*> window = nullptr;
  loopback::HttpServer server([&](const loopback::Request& request, loopback::Connection& c) {
    if (request.Path() == ListPath("wuxia", 32, 1)) {
      QWidget* w = window.load();
      QMetaObject::invokeMethod(
          w, [w] { w->close(); }, Qt::QueuedConnection);
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    loopback::Response page;
    page.body = ListPageHtml("1", "1", {NumberedEntry(1)});
    loopback::Respond(c, page);
  });
  testsupport::ScopedSiteBase siteBase(server.BaseUrl());
  {
    Program program;
    window = &program.Window();
    program.Load();

    QTimer choose;
    choose.setSingleShot(true);
    QObject::connect(&choose, &QTimer::timeout,
                     [&] { program.Window().findChild<QAction*>("修真小说2")->trigger(); });
    choose.start(0);
    bool gaveUp = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
      gaveUp = true;
      QApplication::quit();
    });
    guard.start(30000);

    QApplication::exec();

    EXPECT_FALSE(gaveUp) << "the loop went on after the window was closed";
    EXPECT_FALSE(program.Window().isVisible());
    EXPECT_EQ(program.State().Browse.ListNumber, 32);
  }
}

}  // namespace
}  // namespace app
