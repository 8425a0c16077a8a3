// The command-line tool with --output-dir: many inputs into one folder, one password,
// each file done or refused on its own, and what would make the whole command wrong
// refused before anything is written.
#include <algorithm>
#include <filesystem>

#include "engine/file_transform.h"
#include "tests/cli/cli_fixture.h"

namespace tavrinole {
namespace {

namespace fs = std::filesystem;

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

class CliBatch : public Cli {
 protected:
  void SetUp() override {
    for (const char* name : {"a", "b", "out"}) fs::create_directory(folder / name);
  }
  // Writes `bytes` at `name` (a path under the test's folder) and returns them.
  Bytes Make(const std::string& name, Bytes bytes) {
    WriteBytes(folder / name, bytes);
    return bytes;
  }
  std::set<std::string> NamesIn(const std::string& subfolder) const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder / subfolder)) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }
};

TEST_F(CliBatch, EncodesEachInputUnderItsOwnNameWithOnePasswordAndDecodesBack) {
  // Sizes around the chunk: a file of one chunk has no writer thread, one past it has.
  const Bytes one = Make("a/one.pdf", RandomBytes(3 * BlockBytes + 17, 31));
  const Bytes two = Make("a/two", RandomBytes(SmallestInput, 32));
  const Bytes three = Make("b/three.txt", RandomBytes(ChunkBytes + 1, 33));
  const Bytes four = Make("b/four", RandomBytes(ChunkBytes, 34));

  // The password arrives once, on standard input: a second question would find nothing.
  ProgramResult r =
      RunWith("TIGER", {"--output-dir", "out", "a/one.pdf", "a/two", "b/three.txt", "b/four"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Err, "");
  EXPECT_EQ(NamesIn("out"), (std::set<std::string>{"one.pdf", "two", "three.txt", "four"}));
  EXPECT_EQ(ReadBytes(folder / "out/one.pdf"), Reference(one, "TIGER"));
  EXPECT_EQ(ReadBytes(folder / "out/two"), Reference(two, "TIGER"));
  EXPECT_EQ(ReadBytes(folder / "out/three.txt"), Reference(three, "TIGER"));
  EXPECT_EQ(ReadBytes(folder / "out/four"), Reference(four, "TIGER"));

  // A folder given with its separator, and the option's other spelling.
  fs::create_directory(folder / "back");
  r = RunWith("TIGER",
              {"--output-dir=back/", "out/one.pdf", "out/two", "out/three.txt", "out/four"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(ReadBytes(folder / "back/one.pdf"), one);
  EXPECT_EQ(ReadBytes(folder / "back/two"), two);
  EXPECT_EQ(ReadBytes(folder / "back/three.txt"), three);
  EXPECT_EQ(ReadBytes(folder / "back/four"), four);
  EXPECT_EQ(NamesIn("back"), NamesIn("out"));
}

TEST_F(CliBatch, AFailingFileIsNamedAndTheOthersGoOnWithExitOne) {
  const Bytes good = Make("a/good", RandomBytes(5000, 35));
  const Bytes alsoGood = Make("b/also-good", RandomBytes(70000, 36));
  Make("a/small", Bytes(3, 7));
  Make("a/taken1", RandomBytes(100, 37));
  Make("a/taken2", RandomBytes(100, 38));
  Make("a/folder", RandomBytes(100, 39));
  Make("out/taken1", Bytes(9000, 1));
  Make("out/taken2", Bytes(9000, 2));
  fs::create_directory(folder / "out/folder");

  const ProgramResult r = RunWith("TIGER", {"--output-dir", "out", "a/small", "a/good", "a/missing",
                                            "a/taken1", "a/taken2", "a/folder", "b/also-good"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_NE(r.Err.find("\"a/small\" is too small"), std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find("can't open \"a/missing\""), std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find("taken1\" already exists"), std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find("taken2\" already exists"), std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find("folder\" is not a regular file; it is never replaced"), std::string::npos)
      << r.Err;
  EXPECT_EQ(Count(r.Err, "error: "), 5u) << r.Err;
  EXPECT_EQ(Count(r.Err, "hint: use --force"), 1u) << r.Err;  // once, not once a file

  EXPECT_EQ(ReadBytes(folder / "out/good"), Reference(good, "TIGER"));
  EXPECT_EQ(ReadBytes(folder / "out/also-good"), Reference(alsoGood, "TIGER"));
  EXPECT_EQ(ReadBytes(folder / "out/taken1"), Bytes(9000, 1));
  EXPECT_EQ(ReadBytes(folder / "out/taken2"), Bytes(9000, 2));
  EXPECT_TRUE(fs::is_empty(folder / "out/folder"));
  EXPECT_EQ(NamesIn("out"),
            (std::set<std::string>{"good", "also-good", "taken1", "taken2", "folder"}));
}

TEST_F(CliBatch, ForceReplacesExistingDocumentsAndNothingElse) {
  const Bytes x = Make("a/x", RandomBytes(2000, 40));
  const Bytes z = Make("a/z", RandomBytes(3000, 41));
  Make("a/y", RandomBytes(1000, 42));
  Make("out/x", Bytes(9000, 1));
  fs::create_directory(folder / "out/y");

  ProgramResult r = RunWith("TIGER", {"--force", "--output-dir", "out", "a/x", "a/y", "a/z"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_NE(r.Err.find("y\" is not a regular file"), std::string::npos) << r.Err;
  EXPECT_EQ(Count(r.Err, "error: "), 1u) << r.Err;
  EXPECT_EQ(ReadBytes(folder / "out/x"), Reference(x, "TIGER"));
  EXPECT_EQ(ReadBytes(folder / "out/z"), Reference(z, "TIGER"));
  EXPECT_TRUE(fs::is_directory(folder / "out/y"));

  // Everything there already: without --force all are kept, with it all are replaced.
  r = RunWith("PLANET", {"--output-dir", "out", "a/x", "a/z"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_EQ(ReadBytes(folder / "out/x"), Reference(x, "TIGER"));
  r = RunWith("PLANET", {"-f", "--output-dir", "out", "a/x", "a/z"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(ReadBytes(folder / "out/x"), Reference(x, "PLANET"));
  EXPECT_EQ(ReadBytes(folder / "out/z"), Reference(z, "PLANET"));
  EXPECT_EQ(NamesIn("out"), (std::set<std::string>{"x", "y", "z"}));
}

TEST_F(CliBatch, TwoInputsWithOneFileNameAreRefusedBeforeAnythingIsWritten) {
  Make("a/x", RandomBytes(100, 43));
  Make("b/x", RandomBytes(100, 44));
  Make("a/first", RandomBytes(100, 45));
  for (const bool force : {false, true}) {
    std::vector<std::string> arguments{"--output-dir", "out", "a/first", "a/x", "b/x"};
    if (force) arguments.insert(arguments.begin(), "--force");
    const ProgramResult r = RunWith("TIGER", arguments);
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_NE(r.Err.find("\"a/x\" and \"b/x\" would both be written as"), std::string::npos)
        << r.Err;
    EXPECT_NE(r.Err.find("hint: "), std::string::npos) << r.Err;
    EXPECT_TRUE(fs::is_empty(folder / "out"));
  }
  // The same input twice is a clash too, and so is an input that names no file.
  EXPECT_EQ(RunWith("TIGER", {"--output-dir", "out", "a/first", "a/first"}).ExitCode, 2);
  const ProgramResult r = RunWith("TIGER", {"--output-dir", "out", "a/first", "a/"});
  EXPECT_EQ(r.ExitCode, 2);
  EXPECT_NE(r.Err.find("\"a/\" names no file"), std::string::npos) << r.Err;
  EXPECT_TRUE(fs::is_empty(folder / "out"));

  // Names that differ only in case are one file where the system ignores case.
  Make("b/FIRST", RandomBytes(100, 46));
#ifdef _WIN32
  EXPECT_EQ(RunWith("TIGER", {"--output-dir", "out", "a/first", "b/FIRST"}).ExitCode, 2);
  EXPECT_TRUE(fs::is_empty(folder / "out"));
#else
  EXPECT_EQ(RunWith("TIGER", {"--output-dir", "out", "a/first", "b/FIRST"}).ExitCode, 0);
  EXPECT_EQ(NamesIn("out"), (std::set<std::string>{"first", "FIRST"}));
#endif
}

TEST_F(CliBatch, AnOutputThatIsAnInputIsRefusedBeforeAnythingIsWritten) {
  const Bytes x = Make("a/x", RandomBytes(100, 47));
  const Bytes y = Make("b/y", RandomBytes(100, 48));
  // The input's own folder: its document would be itself.
  for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
           {"--output-dir", "a", "b/y", "a/x"},
           {"--force", "--output-dir", "a", "b/y", "a/x"},
       }) {
    const ProgramResult r = RunWith("TIGER", arguments);
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("x\" is the input file itself"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("nothing was written"), std::string::npos) << r.Err;
  }
  EXPECT_EQ(NamesIn("a"), std::set<std::string>{"x"});
  EXPECT_EQ(ReadBytes(folder / "a/x"), x);

  // The working folder itself, given as ".".
  Make("here", RandomBytes(100, 49));
  EXPECT_EQ(RunWith("TIGER", {"--force", "--output-dir", ".", "here"}).ExitCode, 1);

  // One input's document would replace another input: out/x is a second name of b/y.
  fs::create_hard_link(folder / "b/y", folder / "out/x");
  const ProgramResult r = RunWith("TIGER", {"--force", "--output-dir", "out", "a/x", "b/y"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_NE(r.Err.find("x\" is the input \"b/y\""), std::string::npos) << r.Err;
  EXPECT_EQ(ReadBytes(folder / "b/y"), y);
  EXPECT_EQ(NamesIn("out"), std::set<std::string>{"x"});
}

TEST_F(CliBatch, RefusesBadArgumentsWithTwoAndAMissingFolderWithOne) {
  Make("a/x", RandomBytes(100, 50));
  for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
           {"--output-dir", "out"},
           {"--output-dir"},
           {"--output-dir=", "a/x"},
           {"--output-dir", "out", "-o", "y", "a/x"},
       }) {
    const ProgramResult r = RunWith("TIGER", arguments);
    EXPECT_EQ(r.ExitCode, 2) << r.Err;
    EXPECT_NE(r.Err.find("tavrinole-ochrel-cli: error: "), std::string::npos) << r.Err;
  }
  for (const char* notAFolder : {"no-such-folder", "a/x"}) {
    const ProgramResult r = RunWith("TIGER", {"--output-dir", notAFolder, "a/x"});
    EXPECT_EQ(r.ExitCode, 1) << notAFolder;
    EXPECT_NE(r.Err.find("is not a folder"), std::string::npos) << r.Err;
  }
  EXPECT_EQ(RunWith("TIGE", {"--output-dir", "out", "a/x"}).ExitCode, 2);  // too short
  EXPECT_TRUE(fs::is_empty(folder / "out"));
  EXPECT_EQ(NamesIn("a"), std::set<std::string>{"x"});
}

}  // namespace
}  // namespace tavrinole
