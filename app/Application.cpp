#include "app/Application.h"

#include <QApplication>

#include "browse/Search.h"

namespace app {

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
