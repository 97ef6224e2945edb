#include "browse/Search.h"

#include <gmock/gmock.h>

#include "browse/Site.h"
#include "tests/support/FakeWindow.h"
#include "tests/support/Gbk.h"
#include "tests/support/ScriptedSite.h"

namespace browse {
namespace {

using ::testing::ElementsAre;

// The request line carries only visible ASCII, so the web layer writes other bytes as %XX;
// this undoes that.
std::string PercentDecode(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size()) {
      out += static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

TEST(SearchTest, AppendsTheKeywordAsItsGbkBytes) {
  struct Case {
    std::string keyword, target;
  };
  const Case cases[] = {
      {"", "/plus/search.php?keyword="},
      {G(u8"斗破苍穹"), "/plus/search.php?keyword=" + G(u8"斗破苍穹")},
      {"a+b&c", "/plus/search.php?keyword=a+b&c"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SearchAddress(c.keyword), SiteBase() + c.target.substr(1));

    testsupport::ScriptedSite site;
    testsupport::FakeWindow window;
    window.searchText = c.keyword;
    RunSearch(window);
    const auto targets = site.Targets();
    ASSERT_EQ(targets.size(), 1u) << c.keyword;
    EXPECT_EQ(PercentDecode(targets[0]), c.target);
  }
}

TEST(SearchTest, LeavesTheWindowAsItWas) {
  testsupport::ScriptedSite site;
  site.Put("/plus/search.php", "<html>results</html>");
  testsupport::FakeWindow window;
  window.searchText = G(u8"武侠");
  RunSearch(window);
  EXPECT_THAT(site.Targets(), ::testing::SizeIs(1));
  EXPECT_TRUE(window.changes.empty());
}

}  // namespace
}  // namespace browse
