#include "download/engine/Address.h"

#include <array>
#include <cstdio>

namespace download {
namespace {

struct SchemeInfo {
  const char* name;
  Protocol protocol;
  int port;
};

constexpr std::array<SchemeInfo, 5> kSchemes{{
    {"http", Protocol::kHttp, 80},
    {"ftp", Protocol::kFtp, 21},
    {"mms", Protocol::kMms, 1755},
    {"mmst", Protocol::kMms, 1755},
    {"rtsp", Protocol::kRtsp, 554},
}};

std::optional<int> ParsePort(std::string_view digits) {
  if (digits.empty() || digits.size() > 5) return std::nullopt;
  int port = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    port = port * 10 + (c - '0');
  }
  if (port < 1 || port > 65535) return std::nullopt;
  return port;
}

}  // namespace

std::optional<Address> ParseAddress(const text::Text& url) {
  std::size_t sep = url.find("://");
  if (sep == text::Text::npos) return std::nullopt;
  text::Text scheme = text::LowerCase(url.substr(0, sep));
  const SchemeInfo* info = nullptr;
  for (const SchemeInfo& s : kSchemes) {
    if (scheme == s.name) info = &s;
  }
  if (info == nullptr) return std::nullopt;

  std::size_t hostStart = sep + 3;
  std::size_t slash = url.find('/', hostStart);
  if (slash == text::Text::npos) return std::nullopt;

  Address a;
  a.protocol = info->protocol;
  a.scheme = scheme;
  a.port = info->port;
  a.path = url.substr(slash);
  std::string_view authority = std::string_view(url).substr(hostStart, slash - hostStart);
  if (info->protocol == Protocol::kFtp) {
    if (std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
      std::string_view login = authority.substr(0, at);
      std::size_t colon = login.find(':');
      a.user = text::Text(login.substr(0, colon));
      if (colon != std::string_view::npos) a.password = text::Text(login.substr(colon + 1));
      authority.remove_prefix(at + 1);
    }
  }
  if (std::size_t colon = authority.rfind(':'); colon != std::string_view::npos) {
    std::optional<int> port = ParsePort(authority.substr(colon + 1));
    if (!port) return std::nullopt;
    a.port = *port;
    authority = authority.substr(0, colon);
  }
  if (authority.empty()) return std::nullopt;
  a.host = text::Text(authority);
  return a;
}

text::Text WireUrl(const Address& address) {
  text::Text out = address.scheme + "://" + address.host + ":" + std::to_string(address.port);
  for (unsigned char c : address.path) {
    if (c <= 0x20 || c >= 0x7F) {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace download
