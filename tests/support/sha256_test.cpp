// The tests' SHA-256 against the system's sha256sum: known strings, and lengths around
// the padding's edges (55, 56 and 64 bytes fill a block differently).
#include "tests/support/sha256.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/support/temp_folder.h"

namespace tavrinole::testing {
namespace {

TEST(Sha256, GivesWhatSha256sumPrintsForKnownStrings) {
  // printf '%s' TEXT | sha256sum
  EXPECT_EQ(Sha256().Update("").HexDigest(),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256().Update("abc").HexDigest(),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Sha256().Update("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq").HexDigest(),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(Sha256().Update("Tavrinole-Ochrel").HexDigest(),
            "38cae2624a5fa185a88123be20cffd9849a06c017d36f3cba72883b15221dff1");
  // head -c 64000 /dev/zero | sha256sum: one block of zeros, the keystream tests' input.
  EXPECT_EQ(Sha256Hex(Bytes(64000, 0)),
            "4f7988030a00d082fe445e00a2ac5dab502300ff1b80e8592dd569867b60ef74");
}

TEST(Sha256, PiecesHashLikeTheWhole) {
  const std::string text(1000000, 'a');
  Sha256 pieces;
  for (size_t at = 0; at < text.size(); at += 333)
    pieces.Update(std::string_view(text).substr(at, 333));
  EXPECT_EQ(pieces.HexDigest(), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

#ifndef _WIN32
TEST(Sha256, AgreesWithSha256sumAroundThePaddingEdges) {
  if (std::system("command -v sha256sum >/dev/null 2>&1") != 0) GTEST_SKIP() << "no sha256sum";
  TempFolder folder;
  for (size_t size : {1u, 55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 4097u}) {
    const Bytes bytes = RandomBytes(size, static_cast<uint32_t>(size));
    WriteBytes(folder / "data", bytes);
    const std::string command = "sha256sum '" + (folder / "data").string() + "'";
    std::FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char printed[65] = {};
    ASSERT_EQ(std::fread(printed, 1, 64, pipe), 64u);
    pclose(pipe);
    EXPECT_EQ(Sha256Hex(bytes), std::string(printed)) << size << " bytes";
    EXPECT_EQ(Sha256OfFile((folder / "data").string()), std::string(printed)) << size << " bytes";
  }
}
#endif

}  // namespace
}  // namespace tavrinole::testing
