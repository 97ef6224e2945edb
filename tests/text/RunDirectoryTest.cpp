#include "text/RunDirectory.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

namespace text {
namespace {

TEST(RunDirectoryTest, IsTheProgramsDirectoryWhateverTheCurrentDirectory) {
  const auto previous = std::filesystem::current_path();
  ASSERT_EQ(chdir("/"), 0);
  const Text directory = RunDirectory();
  std::filesystem::current_path(previous);

  EXPECT_EQ(std::filesystem::canonical(directory),
            std::filesystem::canonical(TEST_BINARY_DIRECTORY));
  EXPECT_NE(directory.back(), '/');
}

}  // namespace
}  // namespace text
