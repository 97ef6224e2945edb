#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "text/RunDirectory.h"

namespace testsupport {

// The files a test has the program save into its own directory, which for a test is the test
// program's. Their names carry a prefix with the process's id, so runs do not meet, and they
// are removed when this goes.
class SavedBooks {
 public:
  explicit SavedBooks(const std::string& tag)
      : prefix_("moshu-" + tag + "-" + std::to_string(getpid()) + "-") {}
  ~SavedBooks() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(Directory(), error)) {
      if (entry.path().filename().string().rfind(prefix_, 0) == 0) {
        std::filesystem::remove(entry.path(), error);
      }
    }
  }

  SavedBooks(const SavedBooks&) = delete;
  SavedBooks& operator=(const SavedBooks&) = delete;

  static std::filesystem::path Directory() { return std::filesystem::path(text::RunDirectory()); }

  // The file name this test uses for `name`.
  std::string Name(const std::string& name) const { return prefix_ + name; }
  bool Exists(const std::string& name) const {
    return std::filesystem::exists(Directory() / Name(name));
  }
  // The bytes of the saved file `name`; empty when there is none.
  std::string Read(const std::string& name) const {
    std::ifstream in(Directory() / Name(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  const std::string prefix_;
};

// A new empty directory that is the current one while this lives; the one before is current
// again afterwards and the new one is removed.
class CurrentDirectoryElsewhere {
 public:
  CurrentDirectoryElsewhere() {
    char pattern[] = "/tmp/moshu-cwd-XXXXXX";
    path_ = mkdtemp(pattern);
    std::filesystem::current_path(path_);
  }
  ~CurrentDirectoryElsewhere() {
    std::error_code error;
    std::filesystem::current_path(before_, error);
    std::filesystem::remove_all(path_, error);
  }

  CurrentDirectoryElsewhere(const CurrentDirectoryElsewhere&) = delete;
  CurrentDirectoryElsewhere& operator=(const CurrentDirectoryElsewhere&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  const std::filesystem::path& Before() const { return before_; }

 private:
  const std::filesystem::path before_ = std::filesystem::current_path();
  std::filesystem::path path_;
};

}  // namespace testsupport
