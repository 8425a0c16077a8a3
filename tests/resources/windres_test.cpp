// The generated script through the real resource compiler: what windres builds must be
// the templates, character for character. Skipped where windres is not installed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "ico_reader.h"
#include "res_reader.h"
#include "resources/dialog_templates.h"
#include "resources/resource_script.h"
#include "resources/texts.h"
#include "tavrinole/version.h"

namespace tavrinole::resources::testing {
namespace {

const std::filesystem::path ResourcesDir = TAVRINOLE_RESOURCES_DIR;
const std::filesystem::path Windres = TAVRINOLE_WINDRES;
const std::filesystem::path GeneratedDir = TAVRINOLE_GENERATED_DIR;

constexpr uint16_t ButtonAtom = 0x0080;
constexpr uint16_t StaticAtom = 0x0082;

std::u16string Upper(std::u16string_view text) {
  std::u16string upper(text);
  for (char16_t& c : upper) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return upper;
}

// windres writes class names in capitals; Windows compares them without case.
bool SameClass(const NameOrOrdinal& compiled, ControlKind kind) {
  const bool isStatic = kind == ControlKind::StaticText;
  if (compiled.Ordinal) return *compiled.Ordinal == (isStatic ? StaticAtom : ButtonAtom);
  return Upper(compiled.Name) == (isStatic ? u"STATIC" : u"BUTTON");
}

class WindresTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Windres.empty() || !std::filesystem::exists(Windres)) GTEST_SKIP() << "windres not found";
    dir_ = std::filesystem::path(::testing::TempDir()) /
           (std::string("tavrinole-windres-") + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
  }

  // Compiles a script with the resources folder on the include path; the parsed .res.
  std::vector<Resource> Compile(const std::string& script) {
    const auto rc = dir_ / "test.rc";
    const auto res = dir_ / "test.res";
    std::ofstream(rc, std::ios::binary) << script;
    const std::string command = std::string("\"") + Windres.string() + "\" -I \"" +
                                ResourcesDir.string() + "\" -I \"" + GeneratedDir.string() +
                                "\" -O res \"" + rc.string() + "\" \"" + res.string() + "\"";
    if (std::system(command.c_str()) != 0)
      throw std::runtime_error(std::string("windres failed: ") + command);
    return ReadRes(ReadFile(res));
  }

  std::filesystem::path dir_;
};

void ExpectSameDialog(const ResDialog& compiled, const DialogTemplate& dialog) {
  EXPECT_EQ(compiled.Style, dialog.Style);
  EXPECT_EQ(compiled.ExStyle, 0u);
  EXPECT_EQ((Place{compiled.X, compiled.Y, compiled.Width, compiled.Height}), dialog.At);
  EXPECT_FALSE(compiled.Menu.Ordinal.has_value() || !compiled.Menu.Name.empty()) << "no menu";
  EXPECT_EQ(Upper(compiled.Class.Name), Upper(dialog.ClassName));
  EXPECT_EQ(compiled.Title, dialog.Title);
  EXPECT_EQ(compiled.Face, dialog.Font.Face);
  EXPECT_EQ(compiled.PointSize, dialog.Font.PointSize);
  EXPECT_EQ(compiled.Weight, dialog.Font.Weight);
  EXPECT_EQ(compiled.Italic, dialog.Font.Italic ? 1 : 0);
  EXPECT_EQ(compiled.Charset, dialog.Font.Charset);
  ASSERT_EQ(compiled.Controls.size(), dialog.Controls.size());
  for (std::size_t i = 0; i < dialog.Controls.size(); ++i) {
    const ResControl& got = compiled.Controls[i];
    const ControlTemplate& want = dialog.Controls[i];
    SCOPED_TRACE(std::string("control ") + std::to_string(want.Id));
    EXPECT_EQ(got.Id, static_cast<uint32_t>(want.Id));
    EXPECT_EQ(got.Style, want.Style);
    EXPECT_EQ(got.ExStyle, 0u);
    EXPECT_EQ((Place{got.X, got.Y, got.Width, got.Height}), want.At);
    EXPECT_TRUE(SameClass(got.Class, want.Kind));
    EXPECT_EQ(got.Text.Name, want.Text);
  }
}

TEST_F(WindresTest, CompiledDialogsAreTheTemplates) {
  const auto compiled = Compile(ResourceScript());
  for (const DialogTemplate& dialog : DialogTemplates) {
    SCOPED_TRACE(std::string("dialog ") + std::to_string(dialog.Id));
    const Resource* resource = FindResource(compiled, RT_DIALOG, static_cast<uint16_t>(dialog.Id));
    ASSERT_NE(resource, nullptr);
    ExpectSameDialog(ReadDialogEx(resource->Data), dialog);
  }
}

// Both program files carry the icon, a version resource and a manifest; each names
// itself in the version resource and starts with its own manifest.
struct ProgramScript {
  const char* Name;
  std::string (*Script)();
  const ProgramFile* File;
};

const ProgramScript ProgramScripts[] = {
    {"WindowsProgram", &ResourceScript, &WindowsProgram},
    {"CommandLineTool", &CliResourceScript, &CommandLineTool},
};

class ProgramFileResources : public WindresTest,
                             public ::testing::WithParamInterface<ProgramScript> {};

TEST_P(ProgramFileResources, IconGroup8001CarriesTheIcoImages) {
  const auto compiled = Compile(GetParam().Script());
  const Resource* group = FindResource(compiled, RT_GROUP_ICON, ids::ProgramIcon);
  ASSERT_NE(group, nullptr);
  const auto entries = ReadGroupIcon(group->Data);
  const auto images = ReadIco(ReadFile(ResourcesDir / IconFileName));
  ASSERT_EQ(entries.size(), images.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(images[i].Width);
    EXPECT_EQ(entries[i].Width, images[i].Width);
    EXPECT_EQ(entries[i].Height, images[i].Height);
    const Resource* icon = FindResource(compiled, RT_ICON, entries[i].IconId);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Data, images[i].Data);
  }
}

// The value of a version resource's string `key`: after the key's terminating zero and
// the padding to four bytes of the resource, up to the next zero.
std::u16string VersionString(const Bytes& data, std::u16string_view key) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2)
    text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  std::u16string pattern(key);
  pattern += u'\0';
  std::size_t at = text.find(pattern);
  if (at == std::u16string::npos) return u"<missing>";
  at += pattern.size();
  while (at % 2 != 0) ++at;  // four-byte alignment, counted in UTF-16 units
  const std::size_t end = text.find(u'\0', at);
  return text.substr(at, end - at);
}

uint32_t DWordAt(const Bytes& data, std::size_t at) {
  return data[at] | (data[at + 1] << 8) | (data[at + 2] << 16) | (uint32_t{data[at + 3]} << 24);
}

TEST_P(ProgramFileResources, VersionResourceNamesTheProjectsOneVersion) {
  const auto compiled = Compile(GetParam().Script());
  const Resource* version = FindResource(compiled, 16 /* RT_VERSION */, VersionId);
  ASSERT_NE(version, nullptr);
  const Bytes& data = version->Data;
  // VS_FIXEDFILEINFO begins with its signature; file and product versions follow.
  std::size_t fixed = 0;
  while (fixed + 4 <= data.size() && DWordAt(data, fixed) != 0xFEEF04BD) fixed += 4;
  ASSERT_LT(fixed + 24, data.size());
  const uint32_t high = (TAVRINOLE_VERSION_MAJOR << 16) | TAVRINOLE_VERSION_MINOR;
  const uint32_t low = TAVRINOLE_VERSION_PATCH << 16;
  EXPECT_EQ(DWordAt(data, fixed + 8), high);
  EXPECT_EQ(DWordAt(data, fixed + 12), low);
  EXPECT_EQ(DWordAt(data, fixed + 16), high);
  EXPECT_EQ(DWordAt(data, fixed + 20), low);

  const std::string text = TAVRINOLE_VERSION_TEXT;
  const std::u16string version16(text.begin(), text.end());
  const ProgramFile& file = *GetParam().File;
  EXPECT_EQ(VersionString(data, u"FileVersion"), version16);
  EXPECT_EQ(VersionString(data, u"ProductVersion"), version16);
  EXPECT_EQ(VersionString(data, u"ProductName"), ProductName);
  EXPECT_EQ(VersionString(data, u"FileDescription"), file.FileDescription);
  EXPECT_EQ(VersionString(data, u"OriginalFilename"), file.OriginalFileName);
  EXPECT_EQ(VersionString(data, u"LegalCopyright"), MakerNotice);  // the About box's line
}

// Every program runs as its user, says which Windows it knows, and takes long paths.
TEST_P(ProgramFileResources, ManifestAsksForWhatEveryProgramNeeds) {
  const auto compiled = Compile(GetParam().Script());
  const Resource* manifest = FindResource(compiled, ManifestType, ManifestId);
  ASSERT_NE(manifest, nullptr);
  EXPECT_EQ(manifest->Data, ReadFile(ResourcesDir / GetParam().File->ManifestFileName));
  const std::string xml(manifest->Data.begin(), manifest->Data.end());
  for (const char* wanted : {
           "level=\"asInvoker\"",
           "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>",  // Windows 7
           "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>",  // Windows 10 and 11
           "<longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">true<",
       })
    EXPECT_NE(xml.find(wanted), std::string::npos) << wanted;
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, ProgramFileResources, ::testing::ValuesIn(ProgramScripts),
                         [](const auto& info) { return std::string(info.param.Name); });

// Only the windowed program draws dialogs: it needs the real DPI and themed controls,
// which a console program has no use for.
TEST_F(WindresTest, ProgramManifestAsksForDialogSettingsTheToolDoesNot) {
  const auto programResources = Compile(ResourceScript());
  const auto toolResources = Compile(CliResourceScript());
  const Resource* program = FindResource(programResources, ManifestType, ManifestId);
  const Resource* tool = FindResource(toolResources, ManifestType, ManifestId);
  ASSERT_NE(program, nullptr);
  ASSERT_NE(tool, nullptr);
  const std::string programXml(program->Data.begin(), program->Data.end());
  const std::string toolXml(tool->Data.begin(), tool->Data.end());
  for (const char* wanted : {
           "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true<",
           "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
       }) {
    EXPECT_NE(programXml.find(wanted), std::string::npos) << wanted;
    EXPECT_EQ(toolXml.find(wanted), std::string::npos) << wanted;
  }
}

// Texts that tempt an escaper: quotes, backslashes, line ends, code units beyond
// ASCII (one followed by a hex digit), a surrogate pair, and '&', which only the
// dialog manager interprets.
TEST_F(WindresTest, WideStringsSurviveTheCompilerUnchanged) {
  const std::u16string texts[] = {
      u"\"quoted\" and \u201Chalf\"",
      u"C:\\mail.box\\README",
      u"\u00A3A\u00A3"
      u"9\u2018Z\u2019",
      u"line\r\nline\r\n",
      u"\tcol\u00E9\U0001F600",
      u"&Open <x> 100% #1 ;",
      u" ",
  };
  std::string script =
      "1 DIALOGEX 0, 0, 10, 10\nSTYLE 0x80C80040\nCAPTION L\"\"\nFONT 8, L\"Tahoma\"\nBEGIN\n";
  for (std::size_t i = 0; i < std::size(texts); ++i) {
    script += std::string("CONTROL ") + RcWideString(texts[i]) + ", " + std::to_string(100 + i) +
              ", \"Static\", 0x50000000, 0, 0, 1, 1\n";
  }
  script += "END\n";
  const auto compiled = Compile(script);
  const Resource* resource = FindResource(compiled, RT_DIALOG, 1);
  ASSERT_NE(resource, nullptr);
  const ResDialog dialog = ReadDialogEx(resource->Data);
  ASSERT_EQ(dialog.Controls.size(), std::size(texts));
  for (std::size_t i = 0; i < std::size(texts); ++i)
    EXPECT_EQ(dialog.Controls[i].Text.Name, texts[i]);
}

}  // namespace
}  // namespace tavrinole::resources::testing
