#pragma once

#include <memory>

#include "app/MainWindow.h"
#include "browse/BrowseState.h"
#include "download/BookDownload.h"

namespace app {

// What the program keeps from start-up to exit.
struct ProgramState {
  browse::BrowseState Browse;
  download::DownloadState Download;  // Downloader, TaskRecord and TotalSize
};

// The running program: its state and its window, with the window's events wired to browsing
// and downloading. Needs a QApplication.
class Program {
 public:
  // Makes the state, then builds the window (not shown yet).
  Program();
  // The exit routine: releases the state, which stops a download still running, then the
  // window goes.
  ~Program();

  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Lets the window load page 1 of the first sub-category, then shows it.
  void Load();

  MainWindow& Window() { return *window_; }
  ProgramState& State() { return *state_; }

 private:
  WindowHandlers Handlers();

  std::unique_ptr<ProgramState> state_;
  std::unique_ptr<MainWindow> window_;
};

// The whole program: sets up the toolkit, makes the state, loads the window and runs the
// message loop until the window is closed. Returns the process's exit code.
int Run(int argc, char** argv);

}  // namespace app
