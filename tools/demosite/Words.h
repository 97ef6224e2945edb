#pragma once

#include <span>
#include <string_view>

// The word lists the demo site makes its books from, all in UTF-8. In the sentence lists "%"
// stands for the hero's name and "&" for a second character's.
namespace demosite {

// The flavour of a list: which words its titles, introductions and chapters are made of.
enum class Theme { kWuxia, kXianxia, kXuanhuan, kCampus, kUrban };

struct ThemeWords {
  std::span<const std::string_view> titleHeads;     // first part of a title
  std::span<const std::string_view> titleTails;     // last part of a title
  std::span<const std::string_view> introLines;     // sentences of an introduction
  std::span<const std::string_view> chapterTitles;  // four-character chapter names
  std::span<const std::string_view> storyLines;     // sentences only this theme uses
};

// The words of `theme`.
const ThemeWords& WordsOf(Theme theme);

std::span<const std::string_view> Surnames();
std::span<const std::string_view> GivenNames();
// Pen names are a head and a tail: "青衫" + "客".
std::span<const std::string_view> PenHeads();
std::span<const std::string_view> PenTails();
// Sentences of any story, and the closing sentences of introductions.
std::span<const std::string_view> StoryLines();
std::span<const std::string_view> IntroEndings();

}  // namespace demosite
