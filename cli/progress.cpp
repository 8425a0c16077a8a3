#include "cli/progress.h"

#include <cstdio>
#include <string>

namespace tavrinole::cli {

void DrawProgress(uint64_t done, uint64_t total) {
  constexpr int Width = 40;
  const int filled = static_cast<int>(done * Width / total);
  std::fprintf(stderr, "\r[%s%s] %3d%%  %.1f / %.1f MiB", std::string(filled, '#').c_str(),
               std::string(Width - filled, ' ').c_str(), static_cast<int>(done * 100 / total),
               static_cast<double>(done) / 1048576.0, static_cast<double>(total) / 1048576.0);
  if (done == total) std::fputc('\n', stderr);
  std::fflush(stderr);
}

}  // namespace tavrinole::cli
