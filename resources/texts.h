// The texts of the Help and About boxes and the maker's details that several places
// show. All UTF-16; lines are kept one per row so they can be read against the
// documents they come from, and are joined with CR LF at compile time.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace tavrinole::resources {

inline constexpr std::u16string_view MakerWebAddress = u"www.tavrinole.example";
inline constexpr std::u16string_view MakerEmail = u"info@tavrinole.example";
inline constexpr std::u16string_view MakerNotice = u"Copyright (C) 2026 Tavrinole project";

// One line of a box text: Indent blanks, then Text and More. More lets a line end
// with one of the maker's details without repeating it.
struct TextLine {
  int Indent;
  std::u16string_view Text;
  std::u16string_view More = {};
};

enum class FinalBreak : bool { No, Yes };

namespace detail {

inline constexpr std::u16string_view LineBreak = u"\r\n";

template <std::size_t N>
constexpr std::size_t JoinedLength(const std::array<TextLine, N>& lines, FinalBreak final) {
  std::size_t length = 0;
  for (const TextLine& line : lines) {
    length += static_cast<std::size_t>(line.Indent) + line.Text.size() + line.More.size();
    length += LineBreak.size();
  }
  return final == FinalBreak::Yes ? length : length - LineBreak.size();
}

// Joined text plus a terminating zero, so the storage can also be handed to C APIs.
template <std::size_t Length, std::size_t N>
constexpr std::array<char16_t, Length + 1> JoinLines(const std::array<TextLine, N>& lines,
                                                     FinalBreak final) {
  std::array<char16_t, Length + 1> out{};
  std::size_t at = 0;
  auto put = [&](std::u16string_view piece) {
    for (char16_t c : piece) out[at++] = c;
  };
  for (std::size_t i = 0; i < N; ++i) {
    for (int blank = 0; blank < lines[i].Indent; ++blank) out[at++] = u' ';
    put(lines[i].Text);
    put(lines[i].More);
    if (i + 1 < N || final == FinalBreak::Yes) put(LineBreak);
  }
  return out;
}

template <std::size_t Length>
constexpr std::u16string_view ViewOf(const std::array<char16_t, Length>& storage) {
  return {storage.data(), Length - 1};
}

}  // namespace detail

// clang-format off
inline constexpr std::array<TextLine, 8> AboutLines = {{
  // Blanks  Text
  { 17, u"Tavrinole-Ochrel" },
  { 22, u"(041114)" },
  {  0, u"" },
  { 14, MakerWebAddress },
  {  0, u"" },
  { 14, MakerEmail },
  {  1, u"" },
  {  2, MakerNotice },
}};

inline constexpr std::u16string_view HelpRule =
    u"=========================================================";

// \u201C opens line 4's quotation and a straight '"' closes it; \u2018 and \u2019
// enclose the example passwords. Lines 3 and 18 end with a blank.
inline constexpr std::array<TextLine, 22> HelpLines = {{
  /*  1 */ { 0, u"This is Tavrinole-Ochrel (Unlimited)" },
  /*  2 */ { 0, u"" },
  /*  3 */ { 0, u"Tavrinole is intended for personal use for quick and easy way how to encrypt the personal documents. " },
  /*  4 */ { 0, u"A key for encoding is something like \u201Cpseudorandom One Time Pad\" and is created when you choose a password." },
  /*  5 */ { 0, u"When you are using the same password with the same size of the documents you get the same key. For better security: use always the different password for the same size of the document (not comfortable but next series of Tavrinole2 should help with it)." },
  /*  6 */ { 0, u"" },
  /*  7 */ { 0, u"Tavrinole always makes a copy of the original document." },
  /*  8 */ { 0, u"You should save original of the document on a safe place outside your PC (for example on a memory stick or CD) and keep an encoded copy in your PC or in the cloud." },
  /*  9 */ { 0, u"In the case you lost your password or mix-up document with wrong Tavrinole version you can restore it from your back-up." },
  /* 10 */ { 0, u"" },
  /* 11 */ { 0, u"Tavrinole is a collection of stand alone programs like Tavrinole-Corvel, Tavrinole-Ochrel etc. Each Tavrinole can be used for encoding a document individually but you can mix two of them together." },
  /* 12 */ { 0, u"******* For decoding you have to know which program of Tavrinoles was used and in which order(use reverse order), otherwise you will not get a correct result.  ***********" },
  /* 13 */ { 0, u"Example: Pick two of Tavrinole set, for example Tavrinole-Ochrel and Tavrinole-Corvel." },
  /* 14 */ { 0, u"1. Run Tavrinole-Corvel, enter the password \u2018TIGER\u2019 and encode the document." },
  /* 15 */ { 0, u"2. Then run Tavrinole-Ochrel, enter the password \u2018PLANET\u2019 and encode the document further. You can go as far as you like, but twice should be fine." },
  /* 16 */ { 0, u"For decoding use reverse procedure:" },
  /* 17 */ { 0, u"1. Run Tavrinole-Ochrel, enter the password \u2018PLANET\u2019 and decode the document." },
  /* 18 */ { 0, u"2. Then run Tavrinole-Corvel, enter the password \u2018TIGER\u2019 and decode finally the document. " },
  /* 19 */ { 0, u"" },
  /* 20 */ { 0, HelpRule },
  /* 21 */ { 0, u"Please support the future development of Tavrinole at ", MakerWebAddress },
  /* 22 */ { 0, HelpRule },
}};
// clang-format on

inline constexpr auto AboutStorage =
    detail::JoinLines<detail::JoinedLength(AboutLines, FinalBreak::Yes)>(AboutLines,
                                                                         FinalBreak::Yes);
inline constexpr auto HelpStorage =
    detail::JoinLines<detail::JoinedLength(HelpLines, FinalBreak::No)>(HelpLines, FinalBreak::No);

// The texts of control 4001 in dialogs 1003 and 1002.
inline constexpr std::u16string_view AboutText = detail::ViewOf(AboutStorage);
inline constexpr std::u16string_view HelpText = detail::ViewOf(HelpStorage);

}  // namespace tavrinole::resources
