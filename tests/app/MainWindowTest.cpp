// The main window on the offscreen platform: its controls, menus and book list, the operations
// the rest of the program performs on it, and the events it forwards.
#include "app/MainWindow.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/Gbk.h"

namespace {

using browse::kSubCategories;
using ::testing::ElementsAre;

QString Q(std::u8string_view utf8) {
  return QString::fromUtf8(reinterpret_cast<const char*>(utf8.data()),
                           static_cast<qsizetype>(utf8.size()));
}

// What the window's handlers were called with.
struct Calls {
  std::vector<std::string> events;
  std::vector<const browse::SubCategory*> chosen;
  int ticks = 0;
};

app::WindowHandlers Recording(Calls& calls) {
  app::WindowHandlers h;
  h.created = [&calls] { calls.events.push_back("created"); };
  h.subCategoryChosen = [&calls](const browse::SubCategory& entry) {
    calls.events.push_back("chosen");
    calls.chosen.push_back(&entry);
  };
  h.previousPage = [&calls] { calls.events.push_back("previousPage"); };
  h.nextPage = [&calls] { calls.events.push_back("nextPage"); };
  h.search = [&calls] { calls.events.push_back("search"); };
  h.bookDoubleClicked = [&calls] { calls.events.push_back("bookDoubleClicked"); };
  h.timerTick = [&calls] { ++calls.ticks; };
  return h;
}

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() : window_(Recording(calls_)) {}

  void ShowWindow() {
    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
  }

  template <typename T>
  T* Control(const char* name) {
    T* control = window_.findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
  }

  QTreeWidget* List() { return Control<QTreeWidget>("超级列表框1"); }
  QTimer* Timer() { return Control<QTimer>("时钟1"); }

  // Appends rows with the given first-column texts.
  void FillRows(const std::vector<std::u8string_view>& titles) {
    for (auto title : titles) window_.SetCell(window_.InsertRow(), 0, G(title));
  }

  QPoint RowCentre(int row) {
    QTreeWidget* list = List();
    return list->visualItemRect(list->topLevelItem(row)).center();
  }

  Calls calls_;
  app::MainWindow window_;
};

// ---------------------------------------------------------------------------------------------
// Controls, their places and first states

struct ControlCase {
  const char* name;
  QRect place;  // within the client area
  std::function<void(QWidget*)> check;
};

TEST_F(MainWindowTest, ControlsHaveTheirKindPlaceAndFirstState) {
  ShowWindow();
  const std::vector<ControlCase> cases = {
      {"按钮上一页",
       {2, 5, 72, 24},
       [](QWidget* w) {
         auto* b = qobject_cast<QPushButton*>(w);
         ASSERT_NE(b, nullptr);
         EXPECT_EQ(b->text(), Q(u8"上一页"));
         EXPECT_TRUE(b->isEnabled());
       }},
      {"标签页数",
       {79, 5, 40, 24},
       [](QWidget* w) {
         auto* l = qobject_cast<QLabel*>(w);
         ASSERT_NE(l, nullptr);
         EXPECT_TRUE(l->text().isEmpty());
         EXPECT_EQ(l->alignment(), Qt::AlignCenter);
         EXPECT_FALSE(l->wordWrap());
         EXPECT_EQ(l->frameShape(), QFrame::Box);
         EXPECT_EQ(l->frameShadow(), QFrame::Plain);
         EXPECT_EQ(l->lineWidth(), 1);
       }},
      {"按钮下一页",
       {123, 5, 72, 24},
       [](QWidget* w) {
         auto* b = qobject_cast<QPushButton*>(w);
         ASSERT_NE(b, nullptr);
         EXPECT_EQ(b->text(), Q(u8"下一页"));
         EXPECT_TRUE(b->isEnabled());
       }},
      {"进度条1",
       {201, 8, 391, 16},
       [](QWidget* w) {
         auto* p = qobject_cast<QProgressBar*>(w);
         ASSERT_NE(p, nullptr);
         EXPECT_EQ(p->minimum(), 0);
         EXPECT_EQ(p->maximum(), 100);
         EXPECT_EQ(p->value(), 0);
         EXPECT_EQ(p->orientation(), Qt::Horizontal);
         EXPECT_FALSE(p->isTextVisible());
       }},
      {"透明下载",
       {351, 8, 144, 16},
       [](QWidget* w) {
         auto* l = qobject_cast<QLabel*>(w);
         ASSERT_NE(l, nullptr);
         EXPECT_TRUE(l->text().isEmpty());
         EXPECT_EQ(l->alignment(), Qt::AlignLeft | Qt::AlignVCenter);
         EXPECT_FALSE(l->wordWrap());
         EXPECT_FALSE(l->autoFillBackground());
         EXPECT_EQ(l->frameShape(), QFrame::NoFrame);
       }},
      {"编辑框搜索",
       {268, 29, 136, 24},
       [](QWidget* w) {
         auto* e = qobject_cast<QLineEdit*>(w);
         ASSERT_NE(e, nullptr);
         EXPECT_EQ(e->text(), Q(u8"暂时不能搜索"));
         EXPECT_FALSE(e->isEnabled());
       }},
      {"按钮1",
       {409, 29, 72, 24},
       [](QWidget* w) {
         auto* b = qobject_cast<QPushButton*>(w);
         ASSERT_NE(b, nullptr);
         EXPECT_EQ(b->text(), Q(u8"搜索"));
         EXPECT_FALSE(b->isEnabled());
       }},
      {"标签1",
       {512, 32, 72, 16},
       [](QWidget* w) {
         auto* l = qobject_cast<QLabel*>(w);
         ASSERT_NE(l, nullptr);
         EXPECT_EQ(l->text(), Q(u8"双击下载"));
         EXPECT_EQ(l->palette().color(QPalette::WindowText), QColor(255, 0, 0));
         EXPECT_EQ(l->alignment(), Qt::AlignLeft | Qt::AlignVCenter);
         EXPECT_FALSE(l->wordWrap());
         EXPECT_EQ(l->frameShape(), QFrame::NoFrame);
       }},
      {"超级列表框1",
       {2, 32, 262, 344},
       [](QWidget* w) {
         auto* t = qobject_cast<QTreeWidget*>(w);
         ASSERT_NE(t, nullptr);
         EXPECT_EQ(t->topLevelItemCount(), 0);
       }},
      {"编辑框简介",
       {264, 56, 328, 320},
       [](QWidget* w) {
         auto* e = qobject_cast<QPlainTextEdit*>(w);
         ASSERT_NE(e, nullptr);
         EXPECT_TRUE(e->toPlainText().isEmpty());
         EXPECT_EQ(e->lineWrapMode(), QPlainTextEdit::WidgetWidth);
         EXPECT_EQ(e->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
         EXPECT_FALSE(e->isReadOnly());
         EXPECT_TRUE(e->isEnabled());
         EXPECT_EQ(e->lineWidth(), 1);
       }},
  };
  QWidget* client = window_.centralWidget();
  ASSERT_NE(client, nullptr);
  for (const ControlCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto* w = Control<QWidget>(c.name);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->parentWidget(), client);
    EXPECT_EQ(w->geometry(), c.place);
    EXPECT_TRUE(w->isVisible());
    c.check(w);
  }
  // The client area starts below the menu bar.
  EXPECT_EQ(client->geometry().top(), window_.menuBar()->geometry().bottom() + 1);

  QTimer* timer = Timer();
  ASSERT_NE(timer, nullptr);
  EXPECT_FALSE(timer->isActive());
  EXPECT_EQ(window_.TimerPeriod(), 0);

  // Disabled controls take neither focus nor clicks.
  auto* search = Control<QLineEdit>("编辑框搜索");
  search->setFocus();
  EXPECT_FALSE(search->hasFocus());
  QTest::mouseClick(Control<QPushButton>("按钮1"), Qt::LeftButton);
  EXPECT_TRUE(calls_.events.empty());
}

// Records the children a widget gets, in the order they are added.
class ChildRecorder : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ChildAdded) {
      added.push_back({watched, static_cast<QChildEvent*>(event)->child()});
    }
    return false;
  }
  std::vector<std::pair<QObject*, QObject*>> added;  // parent, child
};

TEST(MainWindowBuild, ControlsAreCreatedInOrderAndTheLabelLiesOverTheBar) {
  ChildRecorder recorder;
  qApp->installEventFilter(&recorder);
  Calls calls;
  app::MainWindow window(Recording(calls));
  qApp->removeEventFilter(&recorder);

  QWidget* client = window.centralWidget();
  QStringList created;
  for (auto [parent, child] : recorder.added) {
    if (parent == client && !created.contains(child->objectName())) {
      created << child->objectName();
    }
  }
  const QStringList expected = {Q(u8"标签1"),       Q(u8"按钮1"),     Q(u8"编辑框搜索"),
                                Q(u8"编辑框简介"),  Q(u8"透明下载"),  Q(u8"时钟1"),
                                Q(u8"进度条1"),     Q(u8"标签页数"),  Q(u8"按钮下一页"),
                                Q(u8"超级列表框1"), Q(u8"按钮上一页")};
  EXPECT_EQ(created, expected);

  // The label is stacked above the bar and, having no background, lets it show through.
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  auto* label = window.findChild<QLabel*>(Q(u8"透明下载"));
  auto* bar = window.findChild<QProgressBar*>(Q(u8"进度条1"));
  ASSERT_NE(label, nullptr);
  ASSERT_NE(bar, nullptr);
  EXPECT_GT(client->children().indexOf(label), client->children().indexOf(bar));
  EXPECT_EQ(client->childAt(label->geometry().center()), label);
  EXPECT_FALSE(label->autoFillBackground());
  EXPECT_TRUE(bar->geometry().contains(label->geometry()));
}

// ---------------------------------------------------------------------------------------------
// The window and its menus

TEST_F(MainWindowTest, WindowIsFixedWithoutMaximiseButton) {
  EXPECT_EQ(window_.windowTitle(), Q(u8"墨枢小说下载助手"));
  ShowWindow();
  // The outer size counts the frame the platform puts around the window (the offscreen
  // platform makes up a thin one); what is left of it is the widget, menu bar included.
  EXPECT_EQ(window_.frameGeometry().size(), QSize(600, 432));
  const QMargins frame = window_.windowHandle()->frameMargins();
  EXPECT_EQ(window_.size(),
            QSize(600 - frame.left() - frame.right(), 432 - frame.top() - frame.bottom()));
  EXPECT_EQ(window_.minimumSize(), window_.size());
  EXPECT_EQ(window_.maximumSize(), window_.size());
  const Qt::WindowFlags flags = window_.windowFlags();
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
  EXPECT_EQ(window_.menuBar()->parentWidget(), &window_);
  EXPECT_FALSE(window_.menuBar()->isNativeMenuBar());
}

TEST_F(MainWindowTest, MenusHoldTheSubCategoriesInOrderAndPassTheirEntry) {
  QStringList titles;
  std::vector<QAction*> items;
  for (QAction* top : window_.menuBar()->actions()) {
    QMenu* menu = top->menu();
    ASSERT_NE(menu, nullptr);
    titles << menu->title();
    EXPECT_EQ(menu->objectName(), menu->title());
    for (QAction* item : menu->actions()) {
      items.push_back(item);
      // The item stands in the menu of its group.
      if (items.size() <= kSubCategories.size()) {
        EXPECT_EQ(menu->title(), QString::fromUtf8(kSubCategories[items.size() - 1].group.data(),
                                                   kSubCategories[items.size() - 1].group.size()));
      }
    }
  }
  EXPECT_EQ(titles, (QStringList{Q(u8"武侠修真"), Q(u8"玄幻小说"), Q(u8"都市小说")}));
  ASSERT_EQ(items.size(), kSubCategories.size());
  for (std::size_t i = 0; i < items.size(); ++i) {
    const browse::SubCategory& entry = kSubCategories[i];
    QAction* item = items[i];
    const QString caption = QString::fromUtf8(entry.item.data(), entry.item.size());
    SCOPED_TRACE(caption.toStdString());
    EXPECT_EQ(item->text(), caption);
    EXPECT_EQ(item->objectName(), caption);
    EXPECT_TRUE(item->shortcut().isEmpty());
    EXPECT_FALSE(item->isCheckable());
    EXPECT_FALSE(item->isSeparator());
    EXPECT_TRUE(item->isEnabled());
    calls_.chosen.clear();
    item->trigger();
    ASSERT_THAT(calls_.chosen, ElementsAre(&entry));
  }
}

// ---------------------------------------------------------------------------------------------
// The book list

TEST_F(MainWindowTest, ListHasItsColumnsAndNeverSortsOrEdits) {
  ShowWindow();
  QTreeWidget* list = List();
  ASSERT_EQ(list->columnCount(), 4);
  EXPECT_FALSE(list->rootIsDecorated());
  EXPECT_FALSE(list->isHeaderHidden());
  EXPECT_FALSE(list->header()->stretchLastSection());
  EXPECT_FALSE(list->isSortingEnabled());
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);

  struct Column {
    std::u8string_view title;
    int width;
    Qt::Alignment alignment;
  };
  const Column columns[] = {{u8"小说名称", 100, Qt::AlignLeft},
                            {u8"更新时间", 80, Qt::AlignHCenter},
                            {u8"书籍大小", 80, Qt::AlignHCenter},
                            {u8"网页地址", 0, Qt::AlignLeft}};
  const int row = window_.InsertRow();
  for (int c = 0; c < 4; ++c) window_.SetCell(row, c, "x");
  QTreeWidgetItem* item = list->topLevelItem(row);
  ASSERT_NE(item, nullptr);
  for (int c = 0; c < 4; ++c) {
    SCOPED_TRACE(c);
    EXPECT_EQ(list->headerItem()->text(c), Q(columns[c].title));
    EXPECT_EQ(list->columnWidth(c), columns[c].width);
    const Qt::Alignment horizontal = Qt::AlignHorizontal_Mask;
    EXPECT_EQ(Qt::Alignment(list->headerItem()->textAlignment(c)) & horizontal,
              columns[c].alignment);
    EXPECT_EQ(Qt::Alignment(item->textAlignment(c)) & horizontal, columns[c].alignment);
  }
  EXPECT_FALSE(item->flags().testFlag(Qt::ItemIsEditable));
  EXPECT_FALSE(item->flags().testFlag(Qt::ItemIsUserCheckable));
  EXPECT_FALSE(item->data(0, Qt::CheckStateRole).isValid());

  // A click on a header leaves the rows in their order.
  window_.SetCell(row, 0, "b");
  window_.SetCell(window_.InsertRow(), 0, "a");
  QHeaderView* header = list->header();
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionViewportPosition(0) + 10, header->height() / 2));
  EXPECT_EQ(window_.Cell(0, 0), "b");
  EXPECT_EQ(window_.Cell(1, 0), "a");
}

TEST_F(MainWindowTest, ClickingAnotherRowMovesTheSingleSelection) {
  ShowWindow();
  FillRows({u8"一", u8"二", u8"三"});
  QTreeWidget* list = List();
  EXPECT_EQ(window_.SelectedRow(), -1);
  for (Qt::KeyboardModifier modifier : {Qt::NoModifier, Qt::ControlModifier, Qt::ShiftModifier}) {
    SCOPED_TRACE(modifier);
    list->clearSelection();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, RowCentre(0));
    EXPECT_EQ(window_.SelectedRow(), 0);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifier, RowCentre(2));
    EXPECT_EQ(window_.SelectedRow(), 2);
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.front(), list->topLevelItem(2));
  }
}

TEST_F(MainWindowTest, DoubleClickOnARowRunsItsHandler) {
  ShowWindow();
  FillRows({u8"斗破苍穹", u8"凡人修仙传"});
  QWidget* viewport = List()->viewport();
  // A double-click as the mouse delivers it: press, release, then the second press.
  QTest::mouseClick(viewport, Qt::LeftButton, {}, RowCentre(1));
  QTest::mouseDClick(viewport, Qt::LeftButton, {}, RowCentre(1));
  EXPECT_THAT(calls_.events, ElementsAre("bookDoubleClicked"));
  EXPECT_EQ(window_.SelectedRow(), 1);
}

// ---------------------------------------------------------------------------------------------
// Operations

TEST_F(MainWindowTest, CellsOutsideTheListAreEmpty) {
  FillRows({u8"甲", u8"乙"});
  window_.SetCell(1, 3, "http://example.invalid/book/1.html");
  const struct {
    int row, column;
    std::string expected;
  } cases[] = {
      {-1, 0, ""},       {0, -1, ""},       {2, 0, ""},
      {0, 4, ""},        {100, 100, ""},    {-1, -1, ""},
      {0, 0, G(u8"甲")}, {1, 0, G(u8"乙")}, {1, 3, "http://example.invalid/book/1.html"},
      {0, 3, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.row << "," << c.column);
    EXPECT_EQ(window_.Cell(c.row, c.column), c.expected);
  }
  // Cells beyond the list are not made by setting them.
  window_.SetCell(2, 0, "x");
  window_.SetCell(0, 4, "x");
  window_.SetCell(-1, 0, "x");
  EXPECT_EQ(List()->topLevelItemCount(), 2);
  EXPECT_EQ(List()->topLevelItem(0)->text(0), Q(u8"甲"));
}

TEST_F(MainWindowTest, RowsAreAppendedReplacedAndDeleted) {
  EXPECT_EQ(window_.InsertRow(), 0);
  EXPECT_EQ(window_.InsertRow(), 1);
  for (int c = 0; c < 4; ++c) EXPECT_EQ(window_.Cell(1, c), "");
  window_.SetCell(0, 1, "2024-01-01");
  window_.SetCell(0, 1, "2024-02-02");
  EXPECT_EQ(window_.Cell(0, 1), "2024-02-02");
  window_.DeleteAllRows();
  EXPECT_EQ(window_.Cell(0, 1), "");
  EXPECT_EQ(List()->topLevelItemCount(), 0);
  EXPECT_EQ(window_.InsertRow(), 0);
}

TEST_F(MainWindowTest, TextsCrossBetweenGbkAndTheControls) {
  const int row = window_.InsertRow();
  const std::string title = G(u8"斗破苍穹·第一卷「陨落的天才」");
  window_.SetCell(row, 0, title);
  EXPECT_EQ(List()->topLevelItem(row)->text(0), Q(u8"斗破苍穹·第一卷「陨落的天才」"));
  EXPECT_EQ(window_.Cell(row, 0), title);
  // A long cell comes back whole.
  std::string longText;
  for (int i = 0; i < 3000; ++i) longText += G(u8"长");
  window_.SetCell(row, 3, longText);
  EXPECT_EQ(window_.Cell(row, 3), longText);
  // Bytes that are not GBK show as replacement characters but read back as they were written.
  const std::string odd = "wuxia/\x81 \xFF.html";
  window_.SetCell(row, 2, odd);
  EXPECT_EQ(window_.Cell(row, 2), odd);

  EXPECT_EQ(window_.SearchText(), G(u8"暂时不能搜索"));
  Control<QLineEdit>("编辑框搜索")->setText(Q(u8"凡人修仙传"));
  EXPECT_EQ(window_.SearchText(), G(u8"凡人修仙传"));

  window_.SetIntro(G(u8"第一行\r\n第二行"));
  window_.SetIntro(G(u8"简介：少年萧炎"));
  EXPECT_EQ(Control<QPlainTextEdit>("编辑框简介")->toPlainText(), Q(u8"简介：少年萧炎"));

  window_.SetPageLabel(G(u8"1/12"));
  EXPECT_EQ(Control<QLabel>("标签页数")->text(), "1/12");
  window_.SetProgressText(G(u8"已下载 45%"));
  EXPECT_EQ(Control<QLabel>("透明下载")->text(), Q(u8"已下载 45%"));
}

TEST_F(MainWindowTest, ProgressIsLimitedToTheBarsRange) {
  auto* bar = Control<QProgressBar>("进度条1");
  const struct {
    int position, shown;
  } cases[] = {{50, 50},       {100, 100}, {150, 100}, {32767, 100}, {32768, 100},
               {1 << 30, 100}, {0, 0},     {-5, 0},    {-40000, 0},  {1, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.position);
    bar->setValue(37);
    window_.SetProgress(c.position);
    EXPECT_EQ(bar->value(), c.shown);
  }
}

// Runs the event loop until `done` or a generous deadline.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeoutMs) return false;
    QTest::qWait(10);
  }
  return true;
}

TEST_F(MainWindowTest, TimerRunsStopsAndKeepsItsRhythm) {
  QTimer* timer = Timer();
  ASSERT_NE(timer, nullptr);

  window_.SetTimerPeriod(100);
  EXPECT_EQ(window_.TimerPeriod(), 100);
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(timer->interval(), 100);
  EXPECT_TRUE(WaitFor([&] { return calls_.ticks >= 2; }));

  // Setting the running period again must not restart the timer: if it did, setting it far
  // more often than it ticks would hold every tick off.
  window_.SetTimerPeriod(300);
  calls_.ticks = 0;
  QElapsedTimer clock;
  clock.start();
  while (calls_.ticks == 0 && clock.elapsed() < 5000) {
    window_.SetTimerPeriod(300);
    QTest::qWait(20);
  }
  EXPECT_GT(calls_.ticks, 0);
  EXPECT_EQ(window_.TimerPeriod(), 300);
  EXPECT_EQ(timer->interval(), 300);

  const struct {
    int set, period;
  } cases[] = {{0, 0}, {0, 0}, {50, 50}, {-20, 0}, {-20, 0}, {100, 100}, {70, 70}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.set);
    window_.SetTimerPeriod(c.set);
    EXPECT_EQ(window_.TimerPeriod(), c.period);
    EXPECT_EQ(timer->isActive(), c.period > 0);
    if (c.period > 0) {
      EXPECT_EQ(timer->interval(), c.period);
    }
  }

  // A stopped timer stays quiet.
  window_.SetTimerPeriod(0);
  calls_.ticks = 0;
  QTest::qWait(250);
  EXPECT_EQ(calls_.ticks, 0);
}

// ---------------------------------------------------------------------------------------------
// Events

TEST_F(MainWindowTest, PageButtonsRunTheirHandlers) {
  ShowWindow();
  QTest::mouseClick(Control<QPushButton>("按钮上一页"), Qt::LeftButton);
  QTest::mouseClick(Control<QPushButton>("按钮下一页"), Qt::LeftButton);
  QTest::mouseClick(Control<QPushButton>("按钮下一页"), Qt::LeftButton);
  EXPECT_THAT(calls_.events, ElementsAre("previousPage", "nextPage", "nextPage"));
}

TEST_F(MainWindowTest, EnabledSearchButtonRunsTheSearch) {
  // Nothing in the program enables it; the wiring is there all the same.
  auto* button = Control<QPushButton>("按钮1");
  button->setEnabled(true);
  ShowWindow();
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_THAT(calls_.events, ElementsAre("search"));
}

TEST(MainWindowLoad, CentresRunsCreatedAndOnlyThenShows) {
  app::MainWindow* window = nullptr;
  bool visibleInCreated = true;
  bool controlsInCreated = false;
  app::WindowHandlers handlers;
  handlers.created = [&] {
    visibleInCreated = window->isVisible();
    controlsInCreated = window->findChild<QTreeWidget*>(Q(u8"超级列表框1")) != nullptr;
    const int row = window->InsertRow();
    window->SetCell(row, 0, G(u8"传统武侠"));
    window->SetPageLabel("1/3");
  };
  app::MainWindow w(std::move(handlers));
  window = &w;
  w.Load();
  EXPECT_FALSE(visibleInCreated);
  EXPECT_TRUE(controlsInCreated);
  EXPECT_TRUE(w.isVisible());
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const QPoint expected(screen.x() + (screen.width() - 600) / 2,
                        screen.y() + (screen.height() - 432) / 2);
  EXPECT_EQ(w.frameGeometry().topLeft(), expected);
  EXPECT_EQ(w.Cell(0, 0), G(u8"传统武侠"));
}

TEST(MainWindowLoad, EmptyHandlersDoNothing) {
  app::MainWindow w{app::WindowHandlers{}};
  w.Load();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  w.findChild<QAction*>(Q(u8"都市异能5"))->trigger();
  QTest::mouseClick(w.findChild<QPushButton*>(Q(u8"按钮下一页")), Qt::LeftButton);
  w.SetTimerPeriod(10);
  QTest::qWait(50);
  w.SetTimerPeriod(0);
  EXPECT_TRUE(w.isVisible());
}

// ---------------------------------------------------------------------------------------------
// A picture of the window, to look at

TEST_F(MainWindowTest, Screenshot) {
  FillRows({u8"斗破苍穹", u8"凡人修仙传", u8"诛仙", u8"仙逆", u8"遮天"});
  const char* dates[] = {"2024-03-01", "2024-02-18", "2023-12-30", "2024-01-07", "2023-11-11"};
  const char* sizes[] = {"5.2M", "7.9M", "1.8M", "6.4M", "5.7M"};
  for (int row = 0; row < 5; ++row) {
    window_.SetCell(row, 1, dates[row]);
    window_.SetCell(row, 2, sizes[row]);
    window_.SetCell(row, 3, "http://example.invalid/book/" + std::to_string(row) + ".html");
  }
  window_.SetPageLabel("1/12");
  window_.SetProgressText(G(u8"下载进度 42%"));
  window_.SetProgress(42);
  window_.SetIntro(
      G(u8"书名：斗破苍穹\r\n作者：天蚕土豆\r\n简介：这里是属于斗气的世界，"
        u8"没有花俏艳丽的魔法，有的，仅仅是繁衍到巅峰的斗气！"));
  List()->topLevelItem(1)->setSelected(true);
  ShowWindow();

  const QByteArray dirEnv = qgetenv("MOSHU_TEST_OUTPUT");
  const QDir dir(dirEnv.isEmpty() ? QDir::currentPath() : QString::fromLocal8Bit(dirEnv));
  const QString path = dir.absoluteFilePath("main-window.png");
  QFile::remove(path);
  ASSERT_TRUE(window_.grab().save(path, "PNG"));
  std::printf("screenshot: %s\n", path.toLocal8Bit().constData());
  const QImage image(path);
  ASSERT_FALSE(image.isNull());
  // The whole window but the frame the platform draws around it.
  EXPECT_EQ(image.size(), window_.size());
  EXPECT_EQ(window_.frameGeometry().size(), QSize(600, 432));
}

}  // namespace
