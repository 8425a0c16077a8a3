#include "engine/path.h"

#include <gtest/gtest.h>

#include "engine/utf.h"

namespace tavrinole {
namespace {

constexpr PathStyle Posix = PathStyle::Posix;
constexpr PathStyle Windows = PathStyle::Windows;

// Every split, in both styles whatever system runs the test: each path's folder to
// open, its file name, and the name joined back to the folder.
TEST(Path, SplitsIntoFolderAndNameByTheStylesSeparators) {
  struct Row {
    PathStyle style;
    std::u16string_view path, folder, name;
  };
  const Row rows[] = {
      {Posix, u"/home/me/report.pdf", u"/home/me", u"report.pdf"},
      {Posix, u"report.pdf", u".", u"report.pdf"},
      {Posix, u"/report.pdf", u"/", u"report.pdf"},
      {Posix, u"a//b", u"a/", u"b"},
      {Posix, u"dir/", u"dir", u""},
      {Posix, u"C:\\docs\\x", u".", u"C:\\docs\\x"},  // a Linux name may hold both
      {Windows, u"C:\\docs\\report.pdf", u"C:\\docs", u"report.pdf"},
      {Windows, u"C:/docs/report.pdf", u"C:/docs", u"report.pdf"},
      {Windows, u"C:\\report.pdf", u"C:\\", u"report.pdf"},
      {Windows, u"C:report.pdf", u"C:", u"report.pdf"},  // in drive C's current folder
      {Windows, u"\\report.pdf", u"\\", u"report.pdf"},
      {Windows, u"report.pdf", u".", u"report.pdf"},
      {Windows, u"docs\\a:b", u"docs", u"a:b"},  // only a drive's colon separates
      {Windows, u"docs\\", u"docs", u""},
  };
  for (const Row& row : rows) {
    const std::u16string path(row.path);
    EXPECT_EQ(FileName(row.path, row.style), row.name) << Utf16ToUtf8Lossy(path);
    EXPECT_EQ(FolderOf(row.path, row.style), row.folder) << Utf16ToUtf8Lossy(path);
  }
}

TEST(Path, JoinsAFolderAndANameWithOneSeparator) {
  EXPECT_EQ(InFolder<char>("out", "a.txt", Posix), "out/a.txt");
  EXPECT_EQ(InFolder<char>("out/", "a.txt", Posix), "out/a.txt");
  EXPECT_EQ(InFolder<char>("out\\", "a.txt", Posix), "out\\/a.txt");
  EXPECT_EQ(InFolder<char>("out", "a.txt", Windows), "out\\a.txt");
  EXPECT_EQ(InFolder<char>("out/", "a.txt", Windows), "out/a.txt");
  EXPECT_EQ(InFolder<char>("C:", "a.txt", Windows), "C:a.txt");
}

TEST(Path, TheOutputFollowsTheLastDotAnywhereInThePath) {
  struct Row {
    std::u16string input, chosen, written;
  };
  const Row rows[] = {
      {u"C:\\docs\\report.pdf", u"D:\\safe\\copy", u"D:\\safe\\copy.pdf"},
      {u"C:\\docs\\report.pdf", u"D:\\safe\\copy.pdf", u"D:\\safe\\copy.pdf.pdf"},
      {u"C:\\docs\\archive.tar.gz", u"D:\\safe\\a", u"D:\\safe\\a.gz"},
      {u"C:\\docs\\README", u"D:\\safe\\copy", u"D:\\safe\\copy(2)"},
      {u"C:\\mail.box\\README", u"D:\\safe\\copy", u"D:\\safe\\copy.box\\README"},
      {u"/home/me/notes.", u"/tmp/x", u"/tmp/x."},
  };
  for (const Row& row : rows) EXPECT_EQ(DeriveOutputName(row.input, row.chosen), row.written);
}

TEST(Path, NamesTheSystemWouldNotTakeAreFoundBeforeAnyWork) {
  struct Row {
    PathStyle style;
    std::u16string path;
    std::optional<NameProblem> problem;
  };
  const std::u16string longest(255, u'n');
  const Row rows[] = {
      {Posix, u"dir/" + longest, std::nullopt},
      {Posix, u"dir/" + longest + u"n", NameProblem::TooLong},
      {Posix, u"dir/" + std::u16string(128, u'\u00E9'), NameProblem::TooLong},  // 256 bytes
      {Posix, u"dir/", NameProblem::NoName},
      {Posix, u"dir/a:b?", std::nullopt},
      {Windows, u"C:\\" + longest, std::nullopt},
      {Windows, u"C:\\" + std::u16string(255, u'\u00E9'), std::nullopt},  // 255 units
      {Windows, u"C:\\" + longest + u"n", NameProblem::TooLong},
      {Windows, u"C:\\docs\\", NameProblem::NoName},
      {Windows, u"C:\\a?b", NameProblem::ForbiddenCharacter},
      {Windows, u"C:\\docs\\a:b", NameProblem::ForbiddenCharacter},
      {Windows, u"C:\\tab\there", NameProblem::ForbiddenCharacter},
      {Windows, u"C:\\a<b>\\ok", std::nullopt},  // only the file name counts
  };
  for (const Row& row : rows) {
    const Result<void, NameProblem> checked = CheckFileName(row.path, row.style);
    EXPECT_EQ(checked.Ok(), !row.problem) << Utf16ToUtf8Lossy(row.path);
    if (!checked && row.problem) {
      EXPECT_EQ(checked.Error().What, *row.problem) << Utf16ToUtf8Lossy(row.path);
    }
  }
}

// A document's hidden name is fresh each time, and beside the output: on the drive a
// Windows path names, not in the current folder, since a move between drives fails.
TEST(Path, AHiddenNameIsFreshAndBesideTheOutput) {
  const std::string name = TemporaryName();
  EXPECT_EQ(name.rfind(".tavrinole-", 0), 0u);
  EXPECT_NE(name, TemporaryName());
  const Path hidden = u".t";
  EXPECT_EQ(NameBeside(u"/some/folder/out.pdf", hidden, Posix), u"/some/folder/.t");
  EXPECT_EQ(NameBeside(u"C:\\docs\\x", hidden, Windows), u"C:\\docs\\.t");
  EXPECT_EQ(NameBeside(u"plain", hidden, Windows), u".t");
  EXPECT_EQ(NameBeside(u"Y:b.bin", hidden, Windows), u"Y:.t");
}

// A name given to the command line reaches the system as it was given, bytes that are
// not UTF-8 included on Linux.
TEST(Path, ANameReachesTheSystemAsItWasGiven) {
  for (const std::string name : {"report.pdf", "caf\xC3\xA9", "\xE6\x96\x87.bin"}) {
    EXPECT_EQ(ToNativePath(PathFromName(name)), ToNativePath(*Utf8ToUtf16(name)));
  }
#ifndef _WIN32
  EXPECT_EQ(ToNativePath(PathFromName("caf\xE9")), "caf\xE9");
  EXPECT_FALSE(ToNativePath(Path{char16_t{0xD800}}));
#endif
}

}  // namespace
}  // namespace tavrinole
