// tavrinole-rcgen PROGRAM.rc CLI.rc: writes the resource scripts of the windowed
// program and of the command-line tool. Each file is written beside its place first
// and moved into place, so a failed run leaves it as it was.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "resources/resource_script.h"

namespace {

[[nodiscard]] bool WriteWhole(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  return static_cast<bool>(out);
}

[[nodiscard]] bool WriteScript(const std::filesystem::path& output, const std::string& script) {
  std::filesystem::path temporary = output;
  temporary += ".tmp";
  if (!WriteWhole(temporary, script)) {
    std::fprintf(stderr, "tavrinole-rcgen: error: can't write \"%s\"\n",
                 temporary.string().c_str());
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return false;
  }
  std::error_code error;
  std::filesystem::rename(temporary, output, error);
  if (error) {
    std::fprintf(stderr, "tavrinole-rcgen: error: can't replace \"%s\": %s\n",
                 output.string().c_str(), error.message().c_str());
    std::filesystem::remove(temporary, error);
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: tavrinole-rcgen PROGRAM.rc CLI.rc\n");
    return 2;
  }
  if (!WriteScript(argv[1], tavrinole::resources::ResourceScript())) return 1;
  return WriteScript(argv[2], tavrinole::resources::CliResourceScript()) ? 0 : 1;
}
