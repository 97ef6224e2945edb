#include "download/engine/FileName.h"

#include <algorithm>
#include <cctype>

namespace download {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Where the base of `name` (before its numbering) ends: the first "." stepping by characters,
// or the end.
std::size_t ExtensionStart(const text::Text& name) {
  for (std::size_t i = 0; i < name.size();
       i += text::CharLength(static_cast<unsigned char>(name[i]))) {
    if (name[i] == '.') return i;
  }
  return name.size();
}

}  // namespace

text::Text ContentDispositionName(const text::Text& value) {
  int at = text::Find(value, "filename=", 1, true);
  if (at < 0) return {};
  text::Text rest = value.substr(static_cast<std::size_t>(at - 1) + 9);
  text::Text name;
  if (!rest.empty() && rest.front() == '"') {
    std::size_t close = rest.find('"', 1);
    name = rest.substr(1, close == text::Text::npos ? text::Text::npos : close - 1);
  } else {
    name = rest.substr(0, rest.find(';'));
  }
  std::erase_if(name, [](char c) { return c == '\r' || c == '\n'; });
  return text::Trim(name);
}

text::Text LastSegmentName(const text::Text& path) {
  std::string_view segment = path;
  if (std::size_t slash = segment.rfind('/'); slash != std::string_view::npos) {
    segment.remove_prefix(slash + 1);
  }
  text::Text out;
  for (std::size_t i = 0; i < segment.size(); ++i) {
    if (segment[i] == '+') {
      out += ' ';
    } else if (segment[i] == '%' && i + 2 < segment.size() && HexValue(segment[i + 1]) >= 0 &&
               HexValue(segment[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(segment[i + 1]) * 16 + HexValue(segment[i + 2]));
      i += 2;
    } else {
      out += segment[i];
    }
  }
  return out;
}

text::Text PlainFileName(const text::Text& name) {
  // Keep what follows the last separator. A trail byte of a double-byte character may be 0x5C,
  // so the walk steps by characters.
  std::size_t start = 0;
  for (std::size_t i = 0; i < name.size();) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (c == '/' || c == '\\') start = i + 1;
    i += text::CharLength(c);
  }
  text::Text base = name.substr(std::min(start, name.size()));
  if (base.size() >= 2 && std::isalpha(static_cast<unsigned char>(base[0])) && base[1] == ':') {
    base.erase(0, 2);
  }
  text::Text clean;
  for (std::size_t i = 0; i < base.size();) {
    unsigned char c = static_cast<unsigned char>(base[i]);
    int len = text::CharLength(c);
    if (len == 2 && i + 1 >= base.size()) break;  // a lead byte cut off at the end
    if (len == 1 && (c < 0x20 || c == 0x7F)) {
      ++i;
      continue;
    }
    clean.append(base, i, static_cast<std::size_t>(len));
    i += static_cast<std::size_t>(len);
  }
  clean = text::Trim(clean);
  if (clean == "." || clean == "..") return {};
  return clean;
}

text::Text NextNumberedName(const text::Text& name) {
  std::size_t dot = ExtensionStart(name);
  text::Text base = name.substr(0, dot);
  int next = 1;
  if (base.size() >= 3 && base.back() == ')') {
    std::size_t open = base.rfind('(');
    std::string_view digits;
    if (open != text::Text::npos) {
      digits = std::string_view(base).substr(open + 1, base.size() - open - 2);
    }
    if (!digits.empty() && digits.size() < 9 &&
        std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      next = std::stoi(text::Text(digits)) + 1;
      base.erase(open);
    }
  }
  return base + "(" + std::to_string(next) + ")" + name.substr(dot);
}

SaveTarget ReadSavePath(const text::Text& savePath) {
  SaveTarget target;
  for (std::size_t i = 0; i < savePath.size();) {
    unsigned char c = static_cast<unsigned char>(savePath[i]);
    int len = text::CharLength(c);
    target.path.append(c == '\\' ? "/" : savePath.substr(i, static_cast<std::size_t>(len)));
    i += static_cast<std::size_t>(len);
  }
  target.isDirectory = !target.path.empty() && target.path.back() == '/';
  return target;
}

}  // namespace download
