// tavrinole-rcgen OUTPUT: writes the program's resource script to OUTPUT. The file is
// written beside OUTPUT first and moved into place, so a failed run leaves OUTPUT as
// it was.
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tavrinole-rcgen OUTPUT.rc\n");
    return 2;
  }
  const std::filesystem::path output = argv[1];
  std::filesystem::path temporary = output;
  temporary += ".tmp";
  if (!WriteWhole(temporary, tavrinole::resources::ResourceScript())) {
    std::fprintf(stderr, "tavrinole-rcgen: error: can't write \"%s\"\n",
                 temporary.string().c_str());
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return 1;
  }
  std::error_code error;
  std::filesystem::rename(temporary, output, error);
  if (error) {
    std::fprintf(stderr, "tavrinole-rcgen: error: can't replace \"%s\": %s\n",
                 output.string().c_str(), error.message().c_str());
    std::filesystem::remove(temporary, error);
    return 1;
  }
  return 0;
}
