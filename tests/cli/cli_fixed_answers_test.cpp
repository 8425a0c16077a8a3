// The command-line tool held to digests computed apart from the project: encoding N
// zero bytes writes the keystream itself.
#include <filesystem>

#include "tests/cli/cli_fixture.h"
#include "tests/engine/fixed_answers.h"
#include "tests/support/sha256.h"

namespace tavrinole {
namespace {

TEST_F(Cli, EncodingZerosGivesEveryFixedDigest) {
  for (const testing::FixedAnswer& answer : testing::FixedAnswers) {
    const std::string output = "out" + std::to_string(answer.ZeroBytes);
    WriteBytes(folder / "zeros", {});
    std::filesystem::resize_file(folder / "zeros", answer.ZeroBytes);
    const ProgramResult r = RunWith(answer.Password, {"-q", "-o", output, "zeros"});
    ASSERT_EQ(r.ExitCode, 0) << answer.Password << ": " << r.Err;
    EXPECT_EQ(testing::Sha256OfFile((folder / output).string()), answer.Sha256)
        << answer.ZeroBytes << " zero bytes, password " << answer.Password;
    std::filesystem::remove(folder / output);
  }
}

}  // namespace
}  // namespace tavrinole
