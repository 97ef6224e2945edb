#pragma once

#include <optional>

#include "text/Text.h"

// Where a downloaded file goes. Names come from the server, so they are never trusted: every
// name is reduced to one plain file name before it is joined to the save directory.
namespace download {

// The name after "filename=" (any letter case) in a Content-Disposition value: a quoted name up
// to its closing quote, otherwise up to ";" or the end, without CR or LF. Empty when absent.
text::Text ContentDispositionName(const text::Text& value);

// The part of `path` after its last "/", with "%XX" decoded to its byte and "+" to a space.
text::Text LastSegmentName(const text::Text& path);

// `name` reduced to a plain file name: only what follows its last "/" or "\" (stepping by GBK
// characters), a drive prefix such as "C:" dropped, control bytes removed, spaces trimmed.
// "." and ".." give the empty text, as does a name with nothing left.
text::Text PlainFileName(const text::Text& name);

// The next name to try when `name` is taken: "book.txt" gives "book(1).txt" (the number goes
// before the first ".", or at the end when there is none) and "book(1).txt" gives "book(2).txt".
text::Text NextNumberedName(const text::Text& name);

// SavePath with its backslashes turned into "/" (GBK-aware), and whether it names a directory.
struct SaveTarget {
  text::Text path;
  bool isDirectory = false;
};
SaveTarget ReadSavePath(const text::Text& savePath);

}  // namespace download
