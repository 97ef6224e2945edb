#include "download/engine/FileName.h"

#include <gtest/gtest.h>

#include "tests/support/Gbk.h"

namespace {

using download::ContentDispositionName;
using download::LastSegmentName;
using download::NextNumberedName;
using download::PlainFileName;
using download::ReadSavePath;

struct Case {
  std::string in;
  std::string out;
};

TEST(ContentDispositionName, TakesTheNameAfterFilename) {
  const Case cases[] = {
      {"attachment; filename=\"a b.txt\"", "a b.txt"},
      {"attachment; filename=a.txt", "a.txt"},
      {"attachment; FileName=a.txt; size=3", "a.txt"},
      {"attachment; filename=\"a;b.txt\"; size=3", "a;b.txt"},
      {"attachment; filename=\"a.txt\r\n", "a.txt"},
      {"attachment; filename=\"unclosed.txt", "unclosed.txt"},
      {"inline", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ContentDispositionName(c.in), c.out) << c.in;
}

TEST(LastSegmentName, DecodesPercentAndPlus) {
  const Case cases[] = {
      {"/a/b/c.txt", "c.txt"},
      {"/a/%CA%E9+1.txt", G(u8"书 1.txt")},
      {"/a/100%25.txt", "100%.txt"},
      {"/a/bad%zz%4", "bad%zz%4"},
      {"/a/", ""},
      {"/a/b.txt?x=1", "b.txt?x=1"},
      {"/a%2Fb", "a/b"},
  };
  for (const Case& c : cases) EXPECT_EQ(LastSegmentName(c.in), c.out) << c.in;
}

TEST(PlainFileName, LeavesOnlyOnePlainName) {
  const Case cases[] = {
      {"book.txt", "book.txt"},
      {"../../etc/passwd", "passwd"},
      {"/abs/name.txt", "name.txt"},
      {"..\\..\\win.ini", "win.ini"},
      {"C:\\dir\\x.txt", "x.txt"},
      {"C:x.txt", "x.txt"},
      {"a\tb\x01\x7F.txt", "ab.txt"},
      {"  spaced.txt  ", "spaced.txt"},
      {".hidden", ".hidden"},
      {"..", ""},
      {".", ""},
      {"dir/", ""},
      {"\x01\x02", ""},
      // 0x5C is the second byte of this character, not a separator.
      {G(u8"表") + "\x95\x5C.txt", G(u8"表") + "\x95\x5C.txt"},
      // A lead byte with nothing after it is dropped.
      {"name\xCA", "name"},
  };
  for (const Case& c : cases) EXPECT_EQ(PlainFileName(c.in), c.out) << c.in;
}

TEST(NextNumberedName, CountsUpBeforeTheFirstDot) {
  const Case cases[] = {
      {"book.txt", "book(1).txt"},
      {"book(1).txt", "book(2).txt"},
      {"book(9).txt", "book(10).txt"},
      {"book.tar.gz", "book(1).tar.gz"},
      {"book", "book(1)"},
      {"book(x).txt", "book(x)(1).txt"},
      {"book().txt", "book()(1).txt"},
      {".txt", "(1).txt"},
  };
  for (const Case& c : cases) EXPECT_EQ(NextNumberedName(c.in), c.out) << c.in;
}

TEST(ReadSavePath, EitherSeparatorEndsADirectory) {
  EXPECT_TRUE(ReadSavePath("/tmp/books/").isDirectory);
  EXPECT_TRUE(ReadSavePath("C:\\books\\").isDirectory);
  EXPECT_EQ(ReadSavePath("C:\\books\\").path, "C:/books/");
  EXPECT_FALSE(ReadSavePath("/tmp/books/a.txt").isDirectory);
  EXPECT_FALSE(ReadSavePath("").isDirectory);
  // The backslash inside a double-byte character is part of the character.
  std::string name = "/tmp/" + G(u8"表") + "\x95\x5C";
  EXPECT_EQ(ReadSavePath(name).path, name);
  EXPECT_FALSE(ReadSavePath(name).isDirectory);
}

}  // namespace
