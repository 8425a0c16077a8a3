// Every text the dialogs and the encoding job show: the boxes' texts, the main
// dialog's prompts and messages, the job's status texts and messages, and the maker's
// details that several places show. All UTF-16; lines are kept one per row so they can be read
// against the documents they come from, and are joined with CR LF at compile time.
#pragma once

#include <array>
#include <cstddef>
#include <iterator>
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

// The texts of the About and Help boxes' one control.
inline constexpr std::u16string_view AboutText = detail::ViewOf(AboutStorage);
inline constexpr std::u16string_view HelpText = detail::ViewOf(HelpStorage);

// clang-format off
// The main dialog's prompts. The reset writes the start prompt with a final blank
// that the template's text lacks; both are what users have always seen.
inline constexpr char16_t StartPrompt[]  = u" To start press the 'Open ' buton ";
inline constexpr std::u16string_view TemplateStartPrompt{StartPrompt, std::size(StartPrompt) - 2};
inline constexpr char16_t OutputPrompt[] = u" Choose where you want to save the 'new' document.";
inline constexpr char16_t StartPattern[] = u"* * * * * * * * * * * * * * * * * * * *";

// The main dialog's file dialogs: (display text, patterns) pairs, each ended by a
// zero, the list by a second one.
inline constexpr char16_t OpenFilter[] =
    u"All\0*.*\0Text   *.txt;*.doc\0*.TXT;*.DOC\0Picture   *.bmp;*.jpg;*gif\0"
    u"*.BMP;*JPG;*.GIF\0Music   *.mp3;*.wmp\0*.MP3;*.WMP\0\0";
inline constexpr char16_t SaveFilter[] = u"All\0*.*\0\0";

// The main dialog's messages.
inline constexpr char16_t WarningCaption[]      = u"Warring";  // spelt as always (docs/quirks.md)
inline constexpr char16_t PathTooLong[]         = u"The path is too long";
inline constexpr char16_t NameTooLong[]         = u"The file name is too long";
inline constexpr char16_t CantReplaceOriginal[] = u"The new document can't replace the original";
inline constexpr char16_t AlreadyExists[]       = u" already exists.\nDo you want to replace it?";
inline constexpr char16_t ConfirmSaveAs[]       = u"Confirm Save As";
inline constexpr char16_t CantStartJob[]        = u"Can't start the job";

// The job's status line, from Run to the end.
inline constexpr char16_t Running[]    = u"***** Running ******";  // set by the Run handler
inline constexpr char16_t PleaseWait[] = u"Please wait: running....";
inline constexpr char16_t Ticker0[]    = u"Running: 0101010101010";
inline constexpr char16_t Ticker1[]    = u"Running: 1110001110101";
inline constexpr char16_t Ticker2[]    = u"Running: 1010101010011";
inline constexpr char16_t Finish[]     = u"****** Finish ******";

// The job's closing message.
inline constexpr char16_t ClosingCaption[] = u" Closing......";
inline constexpr char16_t Closing[] =
    u"\t\tThis is Tavrinole-Ochrel \n"
    u" It is important that you use the same Tavrinole  \"colour\" for encoding and decoding "
    u"the same document, otherwise you actually encode the document one more time."
    u"Please save the original of the document on a safe place.\n"
    u" \tSupport future development - visit www.tavrinole.example\n"
    u" \t\tThank you for using Tavrinole.\n"
    u"\t\t    Program will exit";

// The job's messages when a step fails, and their captions.
inline constexpr char16_t CantOpenInput[]      = u"Can't open file 22DD";
inline constexpr char16_t SmallFile[]          = u"Please open the bigger file";
inline constexpr char16_t SmallFileCaption[]   = u"A small file";
inline constexpr char16_t BigFile[]            = u"Please open the smaller file";
inline constexpr char16_t BigFileCaption[]     = u"A big file";
inline constexpr char16_t CantReopenInput[]    = u"Can't open file 44";
inline constexpr char16_t CantCreateOutput[]   = u"Can't open file-save 4477";
inline constexpr char16_t CantRewindOutput[]   = u"Can't open file-save in binarytext";
inline constexpr char16_t InputChanged[]       = u"The file changed while it was read";
inline constexpr char16_t CantRead[]           = u"Can't read the file";
inline constexpr char16_t CantWrite[]          = u"Can't write the new document";
inline constexpr char16_t CantFinish[]         = u"Can't finish the new document";
inline constexpr char16_t CantSave[]           = u"Can't save the new document";
inline constexpr char16_t NameTaken[]          = u"Another file has taken the new document's name; it was kept";
inline constexpr char16_t OnlyReplaceFile[]    = u"The new document can only replace a file";
// clang-format on

}  // namespace tavrinole::resources
