#include "text/KeepNonAscii.h"

#include <gtest/gtest.h>

#include "tests/support/Gbk.h"

namespace text {
namespace {

struct KeepCase {
  std::string name;
  Text text;
  bool dropWhitespace;
  Text expected;
};

class KeepNonAsciiTest : public ::testing::TestWithParam<KeepCase> {};

TEST_P(KeepNonAsciiTest, KeepsOnlyTheCharactersOutsidePrintableAscii) {
  const KeepCase& c = GetParam();
  EXPECT_EQ(KeepNonAscii(c.text, c.dropWhitespace), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeepNonAsciiTest,
    ::testing::Values(
        KeepCase{"PrintableAsciiOnly", "Hello, World 123 ~!", false, ""},
        KeepCase{"Empty", "", false, ""},
        KeepCase{"TitleWithDigitsAndLetters", G(u8"神雕侠侣2 Remix"), false, G(u8"神雕侠侣")},
        KeepCase{"TagAroundTheName", G(u8"<font color=red>天龙八部</font>"), false,
                 G(u8"天龙八部")},
        KeepCase{"DelGoes", "\x7F" + G(u8"中"), false, G(u8"中")},
        KeepCase{"LineBreaksAndTabsStay", G(u8"第一行\r\n\t第二行 end"), false,
                 G(u8"第一行\r\n\t第二行")},
        KeepCase{"FullWidthCharactersStay", G(u8"ＡＢ　１"), false, G(u8"ＡＢ　１")},
        KeepCase{"DropWhitespace", G(u8"第一行\r\n\t第二行\v\f end"), true, G(u8"第一行第二行")},
        KeepCase{"DropWhitespaceKeepsFullWidthSpace", G(u8"甲　乙\n"), true, G(u8"甲　乙")},
        KeepCase{"EuroSign",
                 "\x80"
                 "5",
                 false, "\x80"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace text
