#include "resources/resource_script.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "resources/dialog_templates.h"

namespace tavrinole::resources {
namespace {

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The Windows build compiles the committed scripts; they must be what the templates give.
TEST(ResourceScript, CommittedScriptsAreUpToDate) {
  const std::filesystem::path dir = TAVRINOLE_RESOURCES_DIR;
  ASSERT_TRUE(std::filesystem::exists(dir / "tavrinole.rc"));
  ASSERT_TRUE(std::filesystem::exists(dir / "tavrinole-cli.rc"));
  const char* stale = " is stale: build the target tavrinole_update_rc";
  EXPECT_TRUE(ReadText(dir / "tavrinole.rc") == ResourceScript()) << "tavrinole.rc" << stale;
  EXPECT_TRUE(ReadText(dir / "tavrinole-cli.rc") == CliResourceScript())
      << "tavrinole-cli.rc" << stale;
}

// The compiler reads a script in a code page of its own choosing; plain ASCII reads
// the same in all of them.
TEST(ResourceScript, IsPlainAsciiWhateverTheTexts) {
  for (const std::string& script : {ResourceScript(), CliResourceScript()}) {
    for (char c : script) {
      const auto byte = static_cast<unsigned char>(c);
      EXPECT_TRUE(byte == '\n' || (byte >= 0x20 && byte < 0x7F)) << "byte " << int(byte);
    }
  }
}

TEST(ResourceScript, NamesEveryDialogAndTheIconOnce) {
  const std::string script = ResourceScript();
  for (const DialogTemplate& dialog : DialogTemplates) {
    const std::string head =
        std::string("\n").append(std::to_string(dialog.Id)).append(" DIALOGEX ");
    const auto first = script.find(head);
    EXPECT_NE(first, std::string::npos) << dialog.Id;
    EXPECT_EQ(script.find(head, first + 1), std::string::npos) << dialog.Id;
  }
  EXPECT_NE(script.find("\n8001 ICON \"tavrinole.ico\"\n"), std::string::npos);
}

TEST(RcWideString, EscapesWhatTheCompilerWouldMisread) {
  EXPECT_EQ(RcWideString(u"a\"b"), "L\"a\"\"b\"");
  EXPECT_EQ(RcWideString(u"\\"), "L\"\\\\\"");
  EXPECT_EQ(RcWideString(u"\u00A3A"), "L\"\\x00A3A\"");
  EXPECT_EQ(RcWideString(u"x\r\ny"), "L\"x\\r\\n\"\n        L\"y\"");
  EXPECT_EQ(RcWideString(u""), "L\"\"");
}

}  // namespace
}  // namespace tavrinole::resources
