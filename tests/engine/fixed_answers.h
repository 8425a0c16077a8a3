// Digests of the keystream computed apart from the project: the output of encoding N
// zero bytes is the keystream itself, so its SHA-256 pins every table and rule that
// reaches those bytes. Shared by the engine and command-line tests.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/keystream_types.h"
#include "engine/password.h"
#include "tests/support/sha256.h"

namespace tavrinole::test_support {

struct FixedAnswer {
  uint32_t ZeroBytes;
  const char* Password;  // UTF-8: "£" is U+00A3, "x" the keypad's lower-case x
  const char* Sha256;
};

// clang-format off
inline constexpr FixedAnswer FixedAnswers[] = {
  {        4, "TIGER",                  "e3c024c9e94d705f085976d8ea92ba5641de59f497a9ec35aea0cd80ae14c6e3" },
  {       14, "PLANET",                 "f3d74542fd5d7b61ed29e84993da25a608d04e5f2be15cd21866c92433fd73bc" },
  {     1000, "ABCDEFGHIJKLMNOPQRS",    "9678168975656781854310e5ae18a869725e0aa1b4c35b8154ebb2db19b69c12" },
  {    64000, "TUVWXYZ0123456789@\u00A3", "09112225366b839982b3c5c085cc932e2f5ddea6ef3dde00043248e778432e23" },
  {    64001, "$ =<>+-x/%!?()AAAAB",    "cbd78567ce557b679539d40cbd3a1d1154c71d81ad670bced5eb52968a04dba6" },
  {   100003, "QQQQQQQQQQQQQQQQQQQQ",   "091c4b790adfc935c10b3708910cb8569e4a6817f763d9b318f9c60bcef6eb1e" },
  {   250000, "x x x",                  "4063155b080485a75b6929238310608f9a15571bc54f330e63c5a075adab00b2" },
  {   777777, "(((((())))))",           "5a3cbf9454119917d98f8e9b34f9cd987e9145fb9411e22427c9f9ca4dd10369" },
  {  1048576, "GZ\u00A37 ?/",           "f2af49906de8286c9c002c73d920ba32d758d96c709d506b6e3eb76cdc7695e4" },
  {  2777501, "MOON5",                  "6ccbabed9d533295e9855d0ac648c2c46d841d5ba3a8c9c5c2e3a2b0009814b7" },
  {  5000000, "HHHHHJJJJJ",             "73ddf7be31f3f15e148fc26668ab8d377cf12e7c69b9108c17d786d8cd3eb050" },
  { 12000000, "B0B0B0B0B0B0B0B0B0B0",   "fe9a6a928b5419aa9d440dc6cd938680ae3e3ab26bc2fdb46d2cf9f66615cf2e" },
};
// clang-format on

// The digest of the keystream `mixer` makes for a file of `answer.ZeroBytes` zeros, or
// a message when the password does not type on the keypad.
inline std::string KeystreamDigest(KeystreamMixer& mixer, const FixedAnswer& answer) {
  const auto keys = KeyIndicesFromUtf8(answer.Password);
  if (!keys.Ok()) return "password does not type: " + keys.Error().Cause;
  std::vector<uint8_t> file(answer.ZeroBytes, 0);
  MixBuffer(mixer, file, SlotsFromPresses(*keys));
  return Sha256Hex(file);
}

}  // namespace tavrinole::test_support
