#pragma once

#include <string>

#include "tools/demosite/Books.h"

namespace demosite {

// The book's TXT file in GBK, exactly book.fileSize bytes: the title, the author, the
// introduction and then chapters of prose made from the word lists, with the same bytes on
// every call.
std::string BookText(const Book& book);

// A positive number below 10000 in Chinese numerals, UTF-8: 12 gives "十二", 105 "一百零五".
std::string ChineseNumber(int n);

}  // namespace demosite
