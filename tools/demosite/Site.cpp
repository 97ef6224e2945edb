#include "tools/demosite/Site.h"

#include <algorithm>
#include <charconv>
#include <chrono>

#include "tools/demosite/BookText.h"
#include "tools/demosite/Books.h"
#include "tools/demosite/Pages.h"
#include "tools/loopback/Response.h"
#include "tools/loopback/ServeFile.h"

namespace demosite {
namespace {

constexpr std::string_view kHtmlType = "text/html; charset=gbk";
constexpr std::string_view kTextType = "text/plain; charset=gbk";

// Takes `prefix` off the front of `s`; false when `s` does not start with it.
bool Eat(std::string_view& s, std::string_view prefix) {
  if (s.substr(0, prefix.size()) != prefix) return false;
  s.remove_prefix(prefix.size());
  return true;
}

// Reads a positive decimal number without leading zeros up to `end`; nullopt otherwise.
std::optional<int> EatNumber(std::string_view& s, char end) {
  const std::size_t stop = s.find(end);
  if (stop == std::string_view::npos || stop == 0 || stop > 6 || s[0] == '0') return std::nullopt;
  int value = 0;
  auto [ptr, ec] = std::from_chars(s.data(), s.data() + stop, value);
  if (ec != std::errc() || ptr != s.data() + stop) return std::nullopt;
  s.remove_prefix(stop + 1);
  return value;
}

std::shared_ptr<const std::string> Shared(std::string body) {
  return std::make_shared<const std::string>(std::move(body));
}

}  // namespace

Site::Found Site::Resolve(std::string_view path) {
  if (path == "/" || path == "/index.html") return {Shared(HomePage())};
  if (path == "/plus/search.php") return {Shared(SearchPage())};

  std::string_view rest = path;
  if (Eat(rest, "/down/")) {
    auto id = EatNumber(rest, '.');
    auto book = id ? BookById(*id) : std::nullopt;
    if (book && rest == "html") return {Shared(DownloadPage(*book))};
    return {};
  }
  if (Eat(rest, "/txt/")) {
    auto id = EatNumber(rest, '.');
    if (id && rest == "txt" && BookById(*id)) return {File(*id), true};
    return {};
  }
  if (!Eat(rest, "/html/")) return {};
  // "<dir>/list_<list>_<page>.html" or "<dir>/<list>/<id>.html"
  const std::size_t slash = rest.find('/');
  if (slash == std::string_view::npos) return {};
  const std::string_view dir = rest.substr(0, slash);
  rest.remove_prefix(slash + 1);
  if (Eat(rest, "list_")) {
    auto number = EatNumber(rest, '_');
    auto page = number ? EatNumber(rest, '.') : std::nullopt;
    const SiteList* list = number ? FindList(*number) : nullptr;
    if (!list || !page || rest != "html" || list->dir != dir || *page > list->pageCount) return {};
    return {Shared(ListPage(*list, *page))};
  }
  auto number = EatNumber(rest, '/');
  auto id = number ? EatNumber(rest, '.') : std::nullopt;
  auto book = id ? BookById(*id) : std::nullopt;
  if (!book || rest != "html" || book->list->number != *number || book->list->dir != dir) {
    return {};
  }
  return {Shared(BookPage(*book))};
}

std::shared_ptr<const std::string> Site::File(int id) {
  std::lock_guard lock(mutex_);
  for (auto it = files_.begin(); it != files_.end(); ++it) {
    if (it->first == id) {
      files_.splice(files_.begin(), files_, it);
      return files_.front().second;
    }
  }
  // Made under the lock: the parts of one download ask for the same file at the same time,
  // and it takes only milliseconds.
  auto file = Shared(BookText(*BookById(id)));
  files_.emplace_front(id, file);
  if (files_.size() > kCachedFiles) files_.pop_back();
  return file;
}

std::optional<std::string> Site::Page(std::string_view path) {
  Found found = Resolve(path);
  if (!found.body) return std::nullopt;
  return *found.body;
}

void Site::Handle(const loopback::Request& request, loopback::Connection& connection) {
  if (request.method != "GET" && request.method != "HEAD") {
    loopback::Response response{405, "Method Not Allowed", {{"Allow", "GET, HEAD"}}, ""};
    return loopback::Respond(connection, response);
  }
  Found found = Resolve(request.Path());
  if (!found.body) {
    loopback::Response response{404, "", {{"Content-Type", std::string(kHtmlType)}}, ""};
    if (request.method == "GET") {
      response.body = NotFoundPage();
    } else {
      response.headers.emplace_back("Content-Length", std::to_string(NotFoundPage().size()));
    }
    return loopback::Respond(connection, response);
  }
  loopback::FileOptions options;
  options.contentType = std::string(found.isFile ? kTextType : kHtmlType);
  if (found.isFile && fileRate_ > 0) {
    options.chunk = std::max<std::size_t>(fileRate_ / 10, 1);
    options.pause = std::chrono::milliseconds(100);
  }
  loopback::ServeFile(request, connection, *found.body, options);
}

}  // namespace demosite
