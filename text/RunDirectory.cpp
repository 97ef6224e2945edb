#include "text/RunDirectory.h"

#include <unistd.h>

#include <climits>

#include "text/Gbk.h"

namespace text {

Text RunDirectory() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path);
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof path) return {};
  const std::string_view file(path, static_cast<std::size_t>(n));
  const std::size_t slash = file.rfind('/');
  if (slash == std::string_view::npos) return {};
  // File names are UTF-8 here; the rest of the program works in GBK.
  return Utf8ToGbk(file.substr(0, slash));
}

}  // namespace text
