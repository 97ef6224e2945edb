#pragma once

#include <array>
#include <string>
#include <vector>

#include "browse/Window.h"

namespace testsupport {

// The window in memory: the list's rows, the captions and texts, and a log of every call that
// changes something, so a test can also see what was left alone.
class FakeWindow : public browse::Window {
 public:
  using Row = std::array<std::string, 4>;

  std::vector<Row> rows;
  int selectedRow = -1;
  std::string pageLabel, progressText, searchText, intro;
  int progress = 0;
  int timerPeriod = 0;
  std::vector<std::string> changes;

  void DeleteAllRows() override {
    changes.push_back("DeleteAllRows");
    rows.clear();
  }
  int InsertRow() override {
    changes.push_back("InsertRow");
    rows.emplace_back();
    return static_cast<int>(rows.size()) - 1;
  }
  void SetCell(int row, int column, std::string_view text) override {
    changes.push_back("SetCell " + std::to_string(row) + " " + std::to_string(column));
    rows.at(row).at(column) = std::string(text);
  }
  text::Text Cell(int row, int column) const override {
    if (row < 0 || row >= static_cast<int>(rows.size()) || column < 0 || column > 3) return {};
    return rows[row][column];
  }
  int SelectedRow() const override { return selectedRow; }
  void SetPageLabel(std::string_view text) override {
    changes.push_back("SetPageLabel");
    pageLabel = text;
  }
  void SetProgressText(std::string_view text) override {
    changes.push_back("SetProgressText");
    progressText = text;
  }
  text::Text SearchText() const override { return searchText; }
  void SetIntro(std::string_view text) override {
    changes.push_back("SetIntro");
    intro = text;
  }
  void SetProgress(int position) override {
    changes.push_back("SetProgress");
    progress = position;
  }
  void SetTimerPeriod(int milliseconds) override {
    changes.push_back("SetTimerPeriod");
    timerPeriod = milliseconds;
  }
};

}  // namespace testsupport
