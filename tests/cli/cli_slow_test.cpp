// The command-line tool on files of gigabytes. Slow: run apart with `ctest -L slow`.
#include <signal.h>
#include <sys/statfs.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <random>
#include <thread>

#include "tests/cli/cli_fixture.h"

namespace tavrinole {
namespace {

// kill -9 cannot be caught: what it leaves is what the file system holds at that
// moment. At any moment of a run that must be nothing but a complete OUTPUT or none,
// on a disk file system and in memory alike.
TEST(KillNine, AtRandomMomentsLeavesNothingBesideOutput) {
  constexpr uint64_t Size = 500000000;
  constexpr int Runs = 12;
  std::mt19937 random(std::random_device{}());
  for (const std::filesystem::path& parent :
       {std::filesystem::path(TAVRINOLE_BUILD_DIR), std::filesystem::path("/dev/shm")}) {
    struct statfs kind;
    ASSERT_EQ(statfs(parent.c_str(), &kind), 0) << parent;
    std::cout << parent << ": file system type 0x" << std::hex << kind.f_type << std::dec
              << (kind.f_type == 0xEF53       ? " (ext4)"
                  : kind.f_type == 0x01021994 ? " (tmpfs)"
                                              : "")
              << "\n";
    TempFolder folder(parent);
    WriteBytes(folder / "big", {});
    std::filesystem::resize_file(folder / "big", Size);
    WriteBytes(folder / "pw", Bytes{'T', 'I', 'G', 'E', 'R', '\n'});
    const std::vector<std::string> arguments{"--password-file", "pw", "-o", "out", "big"};

    // Whole runs set the span the kills are spread over: the shorter of two, as the
    // first may wait for the disk.
    auto whole = std::chrono::microseconds::max();
    for (int i = 0; i < 2; ++i) {
      const auto start = std::chrono::steady_clock::now();
      ASSERT_EQ(test_support::RunProgram(kCli, arguments, {}, folder.Root().string()).ExitCode, 0);
      whole = std::min(whole, std::chrono::duration_cast<std::chrono::microseconds>(
                                  std::chrono::steady_clock::now() - start));
      std::filesystem::remove(folder / "out");
    }

    int complete = 0;
    for (int run = 0; run < Runs; ++run) {
      const auto moment = std::chrono::microseconds(
          std::uniform_int_distribution<int64_t>(0, whole.count())(random));
      const int pid = test_support::StartProgram(kCli, arguments, folder.Root().string());
      std::this_thread::sleep_for(moment);
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
      const std::set<std::string> names = folder.Names();
      if (names.count("out")) {
        EXPECT_EQ(std::filesystem::file_size(folder / "out"), Size) << moment.count() << " us";
        std::filesystem::remove(folder / "out");
        ++complete;
      }
      EXPECT_EQ(folder.Names(), (std::set<std::string>{"big", "pw"}))
          << "killed after " << moment.count() << " us of " << whole.count();
    }
    std::cout << parent << ": " << Runs << " kills over " << whole.count() / 1000 << " ms runs, "
              << complete << " after the run had finished\n";
  }
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
  mixer.Prepare(static_cast<uint32_t>(size), SlotsFromPresses(KeyIndicesFromUtf8("TIGER").Value()));
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
