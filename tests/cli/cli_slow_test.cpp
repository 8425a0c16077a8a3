// The command-line tool on files of gigabytes. Slow: run apart with `ctest -L slow`.
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "tests/cli/cli_fixture.h"

namespace tavrinole {
namespace {

TEST_F(Cli, KillNineLeavesNoOutput) {
  WriteBytes(folder / "big", {});
  std::filesystem::resize_file(folder / "big", uint64_t{3} << 30);
  WriteBytes(folder / "pw", Bytes{'T', 'I', 'G', 'E', 'R', '\n'});
  const int pid = test_support::StartProgram(kCli, {"--password-file", "pw", "-o", "out", "big"},
                                             folder.Root().string());
  // Wait until the new document is being written, then kill without warning.
  bool writing = false;
  for (int i = 0; i < 2000 && !writing; ++i) {
    for (const std::string& name : folder.Names()) {
      std::error_code ignored;
      if (name.rfind(".tavrinole-", 0) == 0 &&
          std::filesystem::file_size(folder / name, ignored) > 0) {
        writing = true;
      }
    }
    if (!writing) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  ASSERT_TRUE(writing) << "the program never started writing";
  EXPECT_FALSE(std::filesystem::exists(folder / "out"));
}

TEST_F(Cli, ThreeBillionBytesTakeTheZeroProfileAndComeBack) {
  const uint64_t size = 3000000000;
  WriteBytes(folder / "big", {});
  std::filesystem::resize_file(folder / "big", size);
  ProgramResult r = RunWith("TIGER", {"-q", "-o", "enc", "big"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  ASSERT_EQ(std::filesystem::file_size(folder / "enc"), size);
  std::filesystem::remove(folder / "big");

  // The first block as the reference model makes it for this size, which the
  // profile and the base pattern read as negative.
  ASSERT_EQ(ProfileForSize(SignedSize(static_cast<uint32_t>(size))), SizeProfile{});
  ASSERT_FALSE(BasePatternForSize(SignedSize(static_cast<uint32_t>(size))));
  ReferenceMixer mixer;
  mixer.Prepare(static_cast<uint32_t>(size),
                SlotsFromPresses(KeyIndicesFromUtf8("TIGER").KeyIndices));
  Bytes block(BlockBytes, 0);
  mixer.MixBlock(block);
  Bytes head(BlockBytes);
  std::ifstream(folder / "enc", std::ios::binary)
      .read(reinterpret_cast<char*>(head.data()), BlockBytes);
  EXPECT_EQ(head, block);

  r = RunWith("TIGER", {"-q", "-o", "dec", "enc"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  std::filesystem::remove(folder / "enc");
  std::ifstream dec(folder / "dec", std::ios::binary);
  std::vector<char> chunk(1 << 20);
  uint64_t total = 0, nonZero = 0;
  while (dec.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || dec.gcount() > 0) {
    for (std::streamsize i = 0; i < dec.gcount(); ++i) nonZero += chunk[i] != 0;
    total += static_cast<uint64_t>(dec.gcount());
  }
  EXPECT_EQ(total, size);
  EXPECT_EQ(nonZero, 0u);
}

}  // namespace
}  // namespace tavrinole
