// SHA-256, for holding outputs to digests that were computed outside the project.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tavrinole::testing {

class Sha256 {
 public:
  Sha256& Update(std::span<const uint8_t> bytes);
  Sha256& Update(std::string_view text);
  // The digest as 64 lower-case hexadecimal digits, as sha256sum prints it. Ends the
  // hash: update a fresh object for the next one.
  std::string HexDigest();

 private:
  void Compress(const uint8_t* block);

  std::array<uint32_t, 8> state_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  std::array<uint8_t, 64> pending_{};
  size_t pendingBytes_ = 0;
  uint64_t totalBytes_ = 0;
};

// The digest of a whole buffer, or of a file read in pieces (empty when unreadable).
std::string Sha256Hex(std::span<const uint8_t> bytes);
std::string Sha256OfFile(const std::string& path);

}  // namespace tavrinole::testing
