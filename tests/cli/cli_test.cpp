// The command-line tool, run as a program: exit codes, messages, and what is left
// in the folder afterwards.
#ifdef _WIN32
#include <windows.h>
#endif

#include "tavrinole/version.h"
#include "tests/cli/cli_fixture.h"

namespace tavrinole {
namespace {

#ifdef _WIN32
const std::string kNewLine = "\r\n";  // the console's line end on standard output
#else
const std::string kNewLine = "\n";
#endif

TEST_F(Cli, EncodesAsTheKeystreamSaysAndDecodesBack) {
  const Bytes original = RandomBytes(3 * BlockBytes + 17, 11);
  WriteBytes(folder / "doc.pdf", original);
  const std::string password = "TIGER\xC2\xA3 x9";  // the pound sign, a space and a lower-case x

  ProgramResult r = RunWith(password, {"-o", "doc.tvr", "doc.pdf"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Err, "");  // quiet when standard error is not a terminal
  EXPECT_EQ(ReadBytes(folder / "doc.tvr"), Reference(original, password));

  r = RunWith(password, {"-o", "back.pdf", "doc.tvr"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(ReadBytes(folder / "back.pdf"), original);
  EXPECT_EQ(folder.Names(), (std::set<std::string>{"doc.pdf", "doc.tvr", "back.pdf"}));
}

TEST_F(Cli, ReadsThePasswordFilesFirstLineWithoutItsLineEnding) {
  WriteBytes(folder / "in", RandomBytes(1000, 12));
  WriteBytes(folder / "pw", Bytes{'P', 'L', 'A', 'N', 'E', 'T', '\r', '\n', 'Z', 'Z', '\n'});
  ASSERT_EQ(Run({"--password-file", "pw", "-o", "out", "in"}).ExitCode, 0);
  EXPECT_EQ(ReadBytes(folder / "out"), Reference(ReadBytes(folder / "in"), "PLANET"));
  // A byte order mark, as editors on Windows may write, is not part of the password.
  WriteBytes(folder / "pw", Bytes{0xEF, 0xBB, 0xBF, 'P', 'L', 'A', 'N', 'E', 'T', '\n'});
  ASSERT_EQ(Run({"--password-file", "pw", "-o", "bom", "in"}).ExitCode, 0);
  EXPECT_EQ(ReadBytes(folder / "bom"), ReadBytes(folder / "out"));
}

// What the README's Security section tells users: the order of the characters does not
// matter, spaces at either end do.
TEST_F(Cli, OrderDoesNotMatterButSpacesDo) {
  WriteBytes(folder / "in", RandomBytes(5000, 16));
  // Outputs named by number: Windows drops a space at the end of a file name.
  const char* passwords[] = {"TIGER", "REGIT", "TIGER ", " TIGER"};
  for (int i = 0; i < 4; ++i) {
    ASSERT_EQ(RunWith(passwords[i], {"-o", "out-" + std::to_string(i), "in"}).ExitCode, 0);
  }
  EXPECT_EQ(ReadBytes(folder / "out-0"), ReadBytes(folder / "out-1"));
  EXPECT_NE(ReadBytes(folder / "out-0"), ReadBytes(folder / "out-2"));
  EXPECT_EQ(ReadBytes(folder / "out-2"), ReadBytes(folder / "out-3"));
}

TEST_F(Cli, RefusesUnusablePasswordsWithExitTwo) {
  WriteBytes(folder / "in", RandomBytes(100, 13));
  struct Case {
    std::string password;
    std::string mentions;
  };
  const Case cases[] = {
      {"TIGE", "4 characters; it needs 5 to 20"},
      {std::string(21, 'A'), "21 characters"},
      {"", "0 characters"},
      {"TIGER*", "character 6, '*'"},
      {"tiger", "character 1, 't'"},
      {"TIG\xC3\x89R", "U+00C9"},
  };
  for (const Case& c : cases) {
    const ProgramResult r = RunWith(c.password, {"-o", "out", "in"});
    EXPECT_EQ(r.ExitCode, 2) << c.password;
    EXPECT_NE(r.Err.find(c.mentions), std::string::npos) << r.Err;
  }
  EXPECT_EQ(folder.Names(), std::set<std::string>{"in"});
}

TEST_F(Cli, RefusesBadArgumentsWithExitTwo) {
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{},
                                             {"in"},
                                             {"-o", "out"},
                                             {"-o", "out", "in", "more"},
                                             {"--bogus", "-o", "out", "in"},
                                             {"-o"}}) {
    const ProgramResult r = RunWith("TIGER", arguments);
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_NE(r.Err.find("tavrinole-ochrel-cli: error: "), std::string::npos) << r.Err;
  }
  const ProgramResult r = Run({"-o", "out", "in"});  // no terminal to ask on
  EXPECT_EQ(r.ExitCode, 2);
  EXPECT_NE(r.Err.find("terminal"), std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find("hint: give it with --password-file FILE"), std::string::npos) << r.Err;
}

// A password file that cannot serve says why, and nothing is written.
TEST_F(Cli, AnUnusablePasswordFileSaysWhy) {
  WriteBytes(folder / "in", RandomBytes(100, 14));
  const ProgramResult missing = Run({"--password-file", "nope", "-o", "out", "in"});
  EXPECT_EQ(missing.ExitCode, 2);
  EXPECT_NE(missing.Err.find("can't open the password file \"nope\": No such file"),
            std::string::npos)
      << missing.Err;
  // As Notepad saves "Unicode", with and without its byte order mark.
  for (const Bytes& utf16 : {Bytes{0xFF, 0xFE, 'T', 0, 'I', 0, 'G', 0, 'E', 0, 'R', 0},
                             Bytes{'T', 0, 'I', 0, 'G', 0, 'E', 0, 'R', 0}}) {
    WriteBytes(folder / "pw", utf16);
    const ProgramResult r = Run({"--password-file", "pw", "-o", "out", "in"});
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_NE(r.Err.find("is UTF-16 text; save it as UTF-8"), std::string::npos) << r.Err;
  }
  EXPECT_EQ(folder.Names(), (std::set<std::string>{"in", "pw"}));
}

TEST_F(Cli, HelpAndVersion) {
  const ProgramResult help = Run({"--help"});
  EXPECT_EQ(help.ExitCode, 0);
  EXPECT_NE(help.Out.find("only the first 19 characters take part"), std::string::npos);
  EXPECT_NE(help.Out.find("--password-file"), std::string::npos);
  EXPECT_NE(help.Out.find("replaces the link itself, not the file it points to"),
            std::string::npos);
  const ProgramResult version = Run({"--version"});
  EXPECT_EQ(version.ExitCode, 0);
  // The project's version, the one the Windows programs' version resource names.
  EXPECT_EQ(version.Out,
            "tavrinole-ochrel-cli " TAVRINOLE_VERSION_TEXT " (Ochrel edition)" + kNewLine);
}

// Greek, Cyrillic and Chinese in one name fit no single code page: on Windows they
// only arrive through the UTF-16 command line.
TEST_F(Cli, NamesOutsideAnyCodePageWork) {
  const Bytes original = RandomBytes(2 * BlockBytes + 5, 16);
  const std::string input = "\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1-\xD0\x96-\xE6\x96\x87.bin";
  const std::string encoded = "\xE5\x87\xBA-\xC3\xA9t\xC3\xA9.tvr";
  const std::string password = "p\xE5\xAF\x86\xE7\xA0\x81.txt";
  const auto at = [&](const std::string& utf8) {
    return folder.Root() / std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
  };
  WriteBytes(at(input), original);
  WriteBytes(at(password), Bytes{'P', 'L', 'A', 'N', 'E', 'T', '\n'});

  ProgramResult r = Run({"--password-file", password, "-o", encoded, input});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(ReadBytes(at(encoded)), Reference(original, "PLANET"));

  r = Run({"--password-file", password, "-o", encoded, input});
  EXPECT_EQ(r.ExitCode, 1);
  // Messages name the file as given, in UTF-8.
  EXPECT_NE(r.Err.find("\"" + encoded + "\" already exists"), std::string::npos) << r.Err;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Root()),
                          std::filesystem::directory_iterator()),
            3);
}

TEST_F(Cli, KeepsAnExistingOutputUnlessForced) {
  const Bytes original = RandomBytes(500, 14);
  WriteBytes(folder / "in", original);
  WriteBytes(folder / "out", Bytes(9000, 1));
  ProgramResult r = RunWith("TIGER", {"-o", "out", "in"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_NE(r.Err.find("already exists"), std::string::npos);
  EXPECT_EQ(ReadBytes(folder / "out"), Bytes(9000, 1));

  r = RunWith("TIGER", {"--force", "-o", "out", "in"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(ReadBytes(folder / "out"), Reference(original, "TIGER"));
}

// A path is shown as typed: on Windows its backslashes are separators, not escapes.
TEST_F(Cli, MessagesShowAPathAsTyped) {
  WriteBytes(folder / "in", RandomBytes(500, 17));
  WriteBytes(folder / "out", Bytes(9, 1));
  const std::string out = (folder / "out").string();
  const ProgramResult r = RunWith("TIGER", {"-o", out, "in"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_NE(r.Err.find("\"" + out + "\" already exists"), std::string::npos) << r.Err;
}

TEST_F(Cli, NeverWritesOverTheInputEvenWhenForced) {
  const Bytes original = RandomBytes(500, 15);
  WriteBytes(folder / "in", original);
  std::filesystem::create_hard_link(folder / "in", folder / "hard");
  std::set<std::string> names{"in", "hard"};
  std::vector<std::string> outputs{"in", "./in", "hard"};
#ifdef _WIN32
  // Another spelling of the same file, where Windows folds case.
  outputs.push_back(".\\IN");
#else
  std::filesystem::create_symlink("in", folder / "soft");
  names.insert("soft");
  outputs.push_back("soft");
#endif
  for (const std::string& output : outputs) {
    const ProgramResult r = RunWith("TIGER", {"--force", "-o", output, "in"});
    EXPECT_EQ(r.ExitCode, 1) << output;
    EXPECT_NE(r.Err.find("is the input file itself"), std::string::npos) << r.Err;
  }
  EXPECT_EQ(ReadBytes(folder / "in"), original);
  EXPECT_EQ(folder.Names(), names);
}

TEST_F(Cli, RefusesInputsItCannotTakeWithExitOne) {
  WriteBytes(folder / "three", Bytes(3, 7));
  WriteBytes(folder / "huge", {});
  std::filesystem::resize_file(folder / "huge", uint64_t{1} << 32);
  struct Case {
    std::vector<std::string> arguments;
    std::string mentions;
  };
  const Case cases[] = {
      {{"-o", "out", "three"}, "too small"},
      {{"-o", "out", "huge"}, "too big"},
      {{"-o", "out", "missing"}, "can't open \"missing\""},
      {{"-o", "no-such-folder/out", "three"}, "too small"},
      {{"-o", "no-such-folder/out", "huge"}, "too big"},
  };
  for (const Case& c : cases) {
    const ProgramResult r = RunWith("TIGER", c.arguments);
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find(c.mentions), std::string::npos) << r.Err;
  }
  WriteBytes(folder / "fine", Bytes(10, 7));
  const ProgramResult r = RunWith("TIGER", {"-o", "no-such-folder/out", "fine"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_NE(r.Err.find("can't create a new file beside"), std::string::npos) << r.Err;
  EXPECT_EQ(folder.Names(), (std::set<std::string>{"three", "huge", "fine"}));
}

// A name no file system takes is refused before the input is even opened, so no work
// is wasted on a document that could never be put in place.
TEST_F(Cli, ANameTooLongIsRefusedBeforeAnythingIsRead) {
  const ProgramResult r = RunWith("TIGER", {"-o", std::string(256, 'x'), "missing"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_NE(r.Err.find("is too long"), std::string::npos) << r.Err;
  // No file name at all, or (on Windows) one with a character the system refuses.
  std::vector<std::pair<std::string, std::string>> faults = {{"out/", "names a folder"}};
#ifdef _WIN32
  for (const char* name : {"a*b", "x|y", "out\\in:stream"}) {
    faults.emplace_back(name, "has a character that Windows does not allow");
  }
#endif
  for (const auto& [name, fault] : faults) {
    const ProgramResult refused = RunWith("TIGER", {"-o", name, "missing"});
    EXPECT_EQ(refused.ExitCode, 1) << name;
    EXPECT_NE(refused.Err.find("the name \"" + name + "\" " + fault), std::string::npos)
        << refused.Err;
  }
#ifndef _WIN32  // where a whole path has room for it
  WriteBytes(folder / "in", RandomBytes(500, 16));
  EXPECT_EQ(RunWith("TIGER", {"-o", std::string(255, 'x'), "in"}).ExitCode, 0);
  EXPECT_EQ(folder.Names(), (std::set<std::string>{"in", std::string(255, 'x')}));
#endif
}

#ifdef _WIN32
// A killed run leaves nothing: the unfinished document is marked for deletion, which the
// system carries out when its handle closes, however the process ends.
TEST_F(Cli, AKilledRunLeavesNothingBehind) {
  WriteBytes(folder / "big", {});
  std::filesystem::resize_file(folder / "big", uint64_t{3} << 30);
  WriteBytes(folder / "pw", Bytes{'T', 'I', 'G', 'E', 'R', '\n'});
  const std::set<std::string> before = folder.Names();
  const HANDLE process = test_support::StartProgram(
      kCli, {"--password-file", "pw", "-o", "out", "big"}, folder.Root().string());
  ASSERT_NE(process, nullptr);
  bool writing = false;  // the document has appeared under its temporary name
  for (int i = 0; i < 5000 && !writing; ++i, Sleep(1)) writing = folder.Names() != before;
  TerminateProcess(process, 9);
  WaitForSingleObject(process, INFINITE);
  CloseHandle(process);
  ASSERT_TRUE(writing);
  bool gone = false;  // the system may close a killed process's handles a moment later
  for (int i = 0; i < 5000 && !gone; ++i, Sleep(1)) gone = folder.Names() == before;
  EXPECT_EQ(folder.Names(), before);
}
#endif

}  // namespace
}  // namespace tavrinole
