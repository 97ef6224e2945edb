#include "text/Gbk.h"

#include <errno.h>
#include <iconv.h>

#include <algorithm>

namespace text {
namespace {

constexpr std::string_view kEuroUtf8 = "\xE2\x82\xAC";
constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

// One iconv descriptor per direction and thread, opened on first use: a descriptor carries
// conversion state, so threads must not share one.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts `in` onto the end of `out` until the end or the first sequence iconv rejects;
  // returns the bytes of `in` consumed.
  std::size_t Run(std::string_view in, std::string& out) {
    if (!ok()) return 0;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    // Through a small buffer, so that a long page is not first zero-filled at twice its size.
    char buffer[16 * 1024];
    while (inLeft > 0) {
      char* outPtr = buffer;
      std::size_t outLeft = sizeof buffer;
      const std::size_t r = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
      out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
      if (r != static_cast<std::size_t>(-1) || errno != E2BIG) break;
    }
    return in.size() - inLeft;
  }

 private:
  iconv_t cd_;
};

Converter& Decoder() {
  thread_local Converter decoder("UTF-8", "GB18030");
  return decoder;
}

Converter& Encoder() {
  thread_local Converter encoder("GB18030", "UTF-8");
  return encoder;
}

bool InRange(unsigned char c, unsigned char low, unsigned char high) {
  return c >= low && c <= high;
}

// Bytes a browser's GBK decoder gives up with one U+FFFD when the sequence at the start of `s`
// cannot be decoded: the bytes that could still belong to the sequence, but never an ASCII
// byte, which is read again on its own (a browser "prepends" it).
std::size_t BadSequenceLength(std::string_view s) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  if (!InRange(at(0), 0x81, 0xFE) || s.size() < 2) return 1;
  if (!InRange(at(1), 0x30, 0x39)) return at(1) < 0x80 ? 1 : 2;
  // Four-byte form: lead, digit, 0x81..0xFE, digit.
  if (s.size() < 3) return s.size();
  if (!InRange(at(2), 0x81, 0xFE)) return 1;
  if (s.size() < 4) return s.size();
  if (!InRange(at(3), 0x30, 0x39)) return 1;
  return 4;
}

// A place where the decoder put a character of its own in place of what iconv would give.
struct Substitution {
  std::size_t at;
  std::size_t length;
};

std::string Decode(std::string_view gbk, std::vector<Substitution>& substitutions) {
  std::string out;
  out.reserve(gbk.size() + gbk.size() / 2 + 16);
  std::size_t pos = 0;
  while (pos < gbk.size()) {
    pos += Decoder().Run(gbk.substr(pos), out);
    if (pos >= gbk.size()) break;
    const auto lead = static_cast<unsigned char>(gbk[pos]);
    if (lead < 0x80) {  // only when there is no converter at all
      out.push_back(static_cast<char>(lead));
      ++pos;
      continue;
    }
    std::size_t length = 1;
    if (lead == 0x80) {
      out.append(kEuroUtf8);
    } else {
      out.append(kReplacementUtf8);
      length = BadSequenceLength(gbk.substr(pos));
    }
    substitutions.push_back({pos, length});
    pos += length;
  }
  return out;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
  std::vector<Substitution> substitutions;
  return Decode(gbk, substitutions);
}

std::string GbkToUtf8(std::string_view gbk, std::vector<std::uint32_t>& offsets) {
  std::vector<Substitution> substitutions;
  std::string utf8 = Decode(gbk, substitutions);

  // Walk both texts a character at a time. iconv gives one character for each sequence it
  // accepts, and each substitution is one character too.
  offsets.resize(utf8.size() + 1);
  std::size_t g = 0;
  auto next = substitutions.begin();
  for (std::size_t u = 0; u < utf8.size();) {
    const std::size_t end =
        std::min(utf8.size(), u + Utf8Length(static_cast<unsigned char>(utf8[u])));
    for (; u < end; ++u) offsets[u] = static_cast<std::uint32_t>(g);
    if (next != substitutions.end() && next->at == g) {
      g += next->length;
      ++next;
    } else if (static_cast<unsigned char>(gbk[g]) < 0x80) {
      g += 1;
    } else if (g + 1 < gbk.size() && InRange(static_cast<unsigned char>(gbk[g + 1]), 0x30, 0x39)) {
      g += 4;
    } else {
      g += 2;
    }
    g = std::min(g, gbk.size());
  }
  offsets[utf8.size()] = static_cast<std::uint32_t>(gbk.size());
  return utf8;
}

Text Utf8ToGbk(std::string_view utf8) {
  Text out;
  out.reserve(utf8.size() + 16);
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    // The euro sign is 0x80 in code page 936, where GB18030 would write 0xA2 0xE3.
    const std::size_t euro = std::min(utf8.find(kEuroUtf8, pos), utf8.size());
    while (pos < euro) {
      pos += Encoder().Run(utf8.substr(pos, euro - pos), out);
      if (pos < euro) {
        out.push_back('?');
        ++pos;
      }
    }
    if (euro < utf8.size()) {
      out.push_back('\x80');
      pos = euro + kEuroUtf8.size();
    }
  }
  return out;
}

}  // namespace text
