#pragma once

#include <array>
#include <string_view>

namespace browse {

// One item of the category menu: the site's list it shows. Captions are UTF-8, for the menu.
struct SubCategory {
  std::string_view group;        // the pop-up menu it stands in
  std::string_view item;         // its own caption
  std::string_view categoryDir;  // the directory word of its group on the site
  int listNumber;                // the site's number of its list
};

// The fourteen sub-categories in menu order: the groups left to right, the items top to bottom.
inline constexpr std::array<SubCategory, 14> kSubCategories{{
    {"武侠修真", "传统武侠1", "wuxia", 30},
    {"武侠修真", "修真小说2", "wuxia", 32},
    {"武侠修真", "现代修真3", "wuxia", 34},
    {"玄幻小说", "异世大陆1", "xuanhuan", 28},
    {"玄幻小说", "远古神话2", "xuanhuan", 27},
    {"玄幻小说", "东方玄幻3", "xuanhuan", 22},
    {"玄幻小说", "转世重生4", "xuanhuan", 23},
    {"玄幻小说", "魔法校园5", "xuanhuan", 25},
    {"玄幻小说", "王朝争霸6", "xuanhuan", 26},
    {"都市小说", "都市生活1", "dushi", 36},
    {"都市小说", "青春校园2", "dushi", 38},
    {"都市小说", "恩怨情仇3", "dushi", 40},
    {"都市小说", "都市重生4", "dushi", 42},
    {"都市小说", "都市异能5", "dushi", 43},
}};

}  // namespace browse
