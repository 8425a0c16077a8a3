#include "resources/resource_script.h"

#include <cstdio>

#include "resources/dialog_templates.h"
#include "resources/texts.h"

namespace tavrinole::resources {
namespace {

std::string Hex(uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
  return text;
}

std::string Escaped(char16_t c) {
  switch (c) {
    case u'"':
      return "\"\"";
    case u'\\':
      return "\\\\";
    case u'\r':
      return "\\r";
    case u'\n':
      return "\\n";
    case u'\t':
      return "\\t";
    default:
      break;
  }
  if (c >= 0x20 && c < 0x7F) return std::string(1, static_cast<char>(c));
  return std::string("\\x").append(Hex(c, 4));
}

// Class names rather than ordinals: both resource compilers accept them, and the dialog
// manager resolves a name as it does the ordinal.
std::string ClassOf(ControlKind kind) {
  return kind == ControlKind::StaticText ? "\"Static\"" : "\"Button\"";
}

std::string PlaceList(const Place& at) {
  return std::to_string(at.X) + ", " + std::to_string(at.Y) + ", " + std::to_string(at.Width) +
         ", " + std::to_string(at.Height);
}

std::string ControlLine(const ControlTemplate& control) {
  return "    CONTROL " + RcWideString(control.Text) + ", " + std::to_string(control.Id) + ", " +
         ClassOf(control.Kind) + ", 0x" + Hex(control.Style, 8) + ", " + PlaceList(control.At) +
         "\n";
}

std::string FontLine(const DialogFont& font) {
  return "FONT " + std::to_string(font.PointSize) + ", " + RcWideString(font.Face) + ", " +
         std::to_string(font.Weight) + ", " + (font.Italic ? "1" : "0") + ", " +
         std::to_string(font.Charset) + "\n";
}

std::string DialogBlock(const DialogTemplate& dialog) {
  std::string block = std::to_string(dialog.Id) + " DIALOGEX " + PlaceList(dialog.At) + "\n";
  block += "STYLE 0x" + Hex(dialog.Style, 8) + "\n";
  if (!dialog.ClassName.empty()) block += "CLASS " + RcWideString(dialog.ClassName) + "\n";
  block += "CAPTION " + RcWideString(dialog.Title) + "\n";
  block += FontLine(dialog.Font);
  block += "BEGIN\n";
  for (const ControlTemplate& control : dialog.Controls) block += ControlLine(control);
  block += "END\n";
  return block;
}

std::string VersionValue(const std::string& name, const std::string& value) {
  return "            VALUE \"" + name + "\", " + value + "\n";
}

// The numbers come from the generated header, so the script names the one version
// the project sets and stays the same from release to release.
std::string VersionBlock(const ProgramFile& file) {
  const std::string numbers =
      "TAVRINOLE_VERSION_MAJOR, TAVRINOLE_VERSION_MINOR, TAVRINOLE_VERSION_PATCH, 0";
  std::string block = std::to_string(VersionId) + " VERSIONINFO\n";
  block += "FILEVERSION " + numbers + "\n";
  block += "PRODUCTVERSION " + numbers + "\n";
  block += "FILEFLAGSMASK 0x3F\nFILEFLAGS 0x0\n";
  block += "FILEOS 0x40004\n";  // VOS_NT_WINDOWS32, also for 64-bit programs
  block += "FILETYPE 0x1\nFILESUBTYPE 0x0\n";
  block += "BEGIN\n    BLOCK \"StringFileInfo\"\n    BEGIN\n";
  block += "        BLOCK \"040904B0\"\n        BEGIN\n";  // US English, UTF-16
  block += VersionValue("CompanyName", RcWideString(u"Tavrinole project"));
  block += VersionValue("FileDescription", RcWideString(file.FileDescription));
  block += VersionValue("FileVersion", "TAVRINOLE_VERSION_TEXT");
  block += VersionValue("InternalName", RcWideString(file.InternalName));
  block += VersionValue("LegalCopyright", RcWideString(MakerNotice));
  block += VersionValue("OriginalFilename", RcWideString(file.OriginalFileName));
  block += VersionValue("ProductName", RcWideString(ProductName));
  block += VersionValue("ProductVersion", "TAVRINOLE_VERSION_TEXT");
  block += "        END\n    END\n";
  block += "    BLOCK \"VarFileInfo\"\n    BEGIN\n        VALUE \"Translation\", 0x409, 1200\n";
  block += "    END\nEND\n";
  return block;
}

// What every program file's script begins with: the comment saying where it comes
// from, the version resource, the manifest and the icon group.
std::string ScriptHead(const std::string& comment, const ProgramFile& file) {
  std::string script = comment + "\n";
  script += "#include \"" + std::string(VersionHeader) + "\"\n\n";
  script += VersionBlock(file) + "\n";
  script += std::to_string(ManifestId) + " " + std::to_string(ManifestType) + " \"" +
            std::string(file.ManifestFileName) + "\"\n\n";
  script += std::to_string(ids::ProgramIcon) + " ICON \"" + std::string(IconFileName) + "\"\n";
  return script;
}

}  // namespace

std::string RcWideString(std::u16string_view text) {
  std::string literal = "L\"";
  for (std::size_t i = 0; i < text.size(); ++i) {
    literal += Escaped(text[i]);
    // A long text goes on one script line per text line; windres joins the pieces.
    if (text[i] == u'\n' && i + 1 < text.size()) literal += "\"\n        L\"";
  }
  return literal + "\"";
}

std::string ResourceScript() {
  std::string script = ScriptHead(
      "// Tavrinole-Ochrel resources, written by tavrinole-rcgen from "
      "resources/dialog_templates.h.\n"
      "// Do not edit: change the templates and rebuild the target tavrinole_update_rc.\n"
      "// windres stores the dialog class name in capitals; Windows compares class names\n"
      "// without regard to case, so it still finds \"TavrinolClass\".\n",
      WindowsProgram);
  for (const DialogTemplate& dialog : DialogTemplates) {
    script += '\n';
    script += DialogBlock(dialog);
  }
  return script;
}

std::string CliResourceScript() {
  return ScriptHead(
      "// Resources of tavrinole-ochrel-cli.exe, written by tavrinole-rcgen.\n"
      "// Do not edit: change resources/resource_script.cpp and rebuild the target\n"
      "// tavrinole_update_rc.\n",
      CommandLineTool);
}

}  // namespace tavrinole::resources
