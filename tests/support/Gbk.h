#pragma once

#include <string>
#include <string_view>

#include "text/Gbk.h"

// Tests write their Chinese text in UTF-8 source; the program works in GBK.
inline std::string G(std::u8string_view utf8) {
  return text::Utf8ToGbk(std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()));
}
