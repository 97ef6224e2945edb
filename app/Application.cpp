#include "app/Application.h"

#include <QApplication>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "browse/Search.h"
#include "text/Gbk.h"

namespace app {
namespace {

// Appends each text of the progress label to the file at `path`, in UTF-8, a line each, so a
// script driving the window can see how a download goes. Writes nothing when the file cannot
// be opened.
std::function<void(std::string_view)> ProgressLog(const std::string& path) {
  auto file = std::make_shared<std::ofstream>(path, std::ios::app);
  return [file](std::string_view text) { *file << text::GbkToUtf8(text) << '\n' << std::flush; };
}

}  // namespace

Program::Program()
    : state_(std::make_unique<ProgramState>()), window_(std::make_unique<MainWindow>(Handlers())) {}

Program::~Program() {
  state_.reset();
  window_.reset();
}

void Program::Load() {
  window_->Load();
}

WindowHandlers Program::Handlers() {
  WindowHandlers handlers;
  handlers.created = [this] {
    browse::SelectSubCategory(state_->Browse, *window_, browse::kSubCategories.front());
  };
  handlers.subCategoryChosen = [this](const browse::SubCategory& entry) {
    browse::SelectSubCategory(state_->Browse, *window_, entry);
  };
  handlers.previousPage = [this] { browse::PreviousPage(state_->Browse, *window_); };
  handlers.nextPage = [this] { browse::NextPage(state_->Browse, *window_); };
  handlers.search = [this] { browse::RunSearch(*window_); };
  handlers.bookDoubleClicked = [this] { download::StartBookDownload(state_->Download, *window_); };
  handlers.timerTick = [this] { download::ShowDownloadProgress(state_->Download, *window_); };
  if (const char* path = std::getenv("MOSHU_PROGRESS_LOG"); path != nullptr && *path != '\0') {
    handlers.progressTextShown = ProgressLog(path);
  }
  return handlers;
}

int Run(int argc, char** argv) {
  QApplication application(argc, argv);
  // The program's destructor is the exit routine: it runs once the loop has ended.
  Program program;
  program.Load();
  return QApplication::exec();
}

}  // namespace app
