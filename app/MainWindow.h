#pragma once

#include <QMainWindow>
#include <functional>

#include "browse/SubCategory.h"
#include "browse/Window.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;

namespace app {

// What the window's events run; a handler left empty does nothing.
struct WindowHandlers {
  std::function<void()> created;  // all controls exist, the window is not shown yet
  std::function<void(const browse::SubCategory&)> subCategoryChosen;
  std::function<void()> previousPage;
  std::function<void()> nextPage;
  std::function<void()> search;
  std::function<void()> bookDoubleClicked;
  std::function<void()> timerTick;
  // Not an event: told each new text of the progress label (GBK), for scripted runs to watch.
  std::function<void(std::string_view)> progressTextShown;
};

// The program's one window: a menu bar with the fourteen sub-categories and eleven controls at
// fixed places. Each control's object name is its own name (超级列表框1, 按钮下一页, ...). The
// window only builds its controls, forwards their events and carries out the operations of
// browse::Window; texts cross between GBK and Qt through the text layer's conversions.
class MainWindow : public QMainWindow, public browse::Window {
  Q_OBJECT

 public:
  explicit MainWindow(WindowHandlers handlers, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Centres the window on the screen, runs the created handler and only then shows the window.
  void Load();

  void DeleteAllRows() override;
  int InsertRow() override;
  void SetCell(int row, int column, std::string_view text) override;
  text::Text Cell(int row, int column) const override;
  int SelectedRow() const override;
  void SetPageLabel(std::string_view text) override;
  void SetProgressText(std::string_view text) override;
  text::Text SearchText() const override;
  void SetIntro(std::string_view text) override;
  void SetProgress(int position) override;
  void SetTimerPeriod(int milliseconds) override;

  // The timer's period; 0 when it is not running.
  int TimerPeriod() const;

 private:
  void BuildMenus();
  void BuildControls();

  WindowHandlers handlers_;
  QLabel* 标签1_ = nullptr;
  QPushButton* 按钮1_ = nullptr;
  QLineEdit* 编辑框搜索_ = nullptr;
  QPlainTextEdit* 编辑框简介_ = nullptr;
  QLabel* 透明下载_ = nullptr;
  QTimer* 时钟1_ = nullptr;
  QProgressBar* 进度条1_ = nullptr;
  QLabel* 标签页数_ = nullptr;
  QPushButton* 按钮下一页_ = nullptr;
  QTreeWidget* 超级列表框1_ = nullptr;
  QPushButton* 按钮上一页_ = nullptr;
  int timerPeriod_ = 0;  // 0: the timer is not running
};

}  // namespace app
