// libFuzzer target: both keystream engines must give the same bytes for any file size,
// password and data (see engines_agree.h for the input layout).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/engines_agree.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string difference = tavrinole::EnginesDisagree({data, size});
  if (!difference.empty()) {
    std::fprintf(stderr, "the engines disagree: %s\n", difference.c_str());
    std::abort();
  }
  return 0;
}
