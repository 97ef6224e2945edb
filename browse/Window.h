#pragma once

#include <string_view>

#include "text/Text.h"

namespace browse {

// What browsing and downloading do to the main window, and nothing more. The window implements
// it; tests use a fake. Texts are GBK; rows and columns of the book list count from 0.
class Window {
 public:
  virtual ~Window() = default;

  // The book list 超级列表框1.
  virtual void DeleteAllRows() = 0;
  // Appends an empty row and returns its index.
  virtual int InsertRow() = 0;
  virtual void SetCell(int row, int column, std::string_view text) = 0;
  // The whole text of the cell; empty for a row or column that does not exist.
  virtual text::Text Cell(int row, int column) const = 0;
  // The selected row, or -1 when none is.
  virtual int SelectedRow() const = 0;

  // The page label 标签页数.
  virtual void SetPageLabel(std::string_view text) = 0;
  // The label 透明下载 over the progress bar.
  virtual void SetProgressText(std::string_view text) = 0;
  // The text of the search box 编辑框搜索.
  virtual text::Text SearchText() const = 0;
  // Replaces the whole text of the introduction box 编辑框简介.
  virtual void SetIntro(std::string_view text) = 0;
  // The progress bar 进度条1: limited to 0..32767, then to the bar's 0..100.
  virtual void SetProgress(int position) = 0;
  // The timer 时钟1, in milliseconds: negative counts as 0, the current period changes
  // nothing, otherwise the timer stops and a positive period starts it again, first tick one
  // period later.
  virtual void SetTimerPeriod(int milliseconds) = 0;
};

}  // namespace browse
