#include "web/Url.h"

#include "text/Markers.h"

namespace web {
namespace {

// Cuts a ":port" off the host unless the caller wants to keep it.
text::Text DropPort(text::Text host, bool keepPort) {
  if (keepPort) return host;
  const int colon = text::Find(host, ":");
  return colon == -1 ? host : text::Left(host, colon - 1);
}

// Everything after position `p`; all of `t` when `p` is -1.
text::Text After(const text::Text& t, int p) {
  return p == -1 ? t : text::Right(t, static_cast<int>(t.size()) - p);
}

text::Text HostByDots(std::string_view url, bool shorten, bool keepPort, int dotCount) {
  text::Text t = text::LowerCase(url);
  t = text::Replace(t, "http://");
  t = text::Replace(t, "https://");
  if (const int slash = text::Find(t, "/"); slash != -1) t = text::Left(t, slash - 1);

  // A search from -1 finds nothing, so once the dots run out p stays -1.
  int p = static_cast<int>(t.size());
  for (int i = 0; i < dotCount; ++i) p = text::FindLast(t, ".", p);
  const int q = text::FindLast(t, ".", p);
  if (shorten) {
    t = After(t, q);
  } else if (q != -1) {
    if (const int r = text::FindLast(t, ".", q); r != -1) t = After(t, r);
  }
  return DropPort(t, keepPort);
}

}  // namespace

text::Text UrlHost(std::string_view url, bool shorten, bool keepPort, std::optional<int> dotCount) {
  if (dotCount) return HostByDots(url, shorten, keepPort, *dotCount);

  text::Text t = text::LowerCase(url);
  if (text::Right(t, 1) != "/") t += "/";
  std::string_view marker = "http://";
  if (text::Left(t, 8) == "https://") {
    marker = "https://";
  } else if (text::Find(t, marker) == -1) {
    t = text::Text(marker) + t;
  }
  text::Text host = text::TextBetween(t, marker, "/");
  if (shorten) {
    // Before the port is looked at, so a port stays on the last label.
    const std::vector<text::Text> labels = text::Split(host, ".");
    if (labels.size() > 1) host = labels[labels.size() - 2] + "." + labels.back();
  }
  return DropPort(host, keepPort);
}

int UrlPort(std::string_view url) {
  const text::Text host = UrlHost(url, false, true);
  if (const int colon = text::FindLast(host, ":"); colon != -1) {
    return text::ToInteger(After(host, colon));
  }
  // Five letters, so an address that begins "https" without "://" still counts.
  return text::Left(text::LowerCase(url), 5) == "https" ? 443 : 80;
}

text::Text UrlPath(std::string_view url) {
  const int hostAt = text::Find(url, UrlHost(url), 1, true);
  const int slash = text::Find(url, "/", hostAt, true);
  if (slash == -1) return "/";
  return text::Text(url.substr(static_cast<std::size_t>(slash) - 1));
}

}  // namespace web
