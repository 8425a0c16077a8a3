// Little-endian reading of the binary files the resource tests inspect (.ico, .res).
// Every read is bounds-checked: a short or malformed file fails the test with a
// message instead of reading past the end.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavrinole::resources::testing {

using Bytes = std::vector<uint8_t>;

inline Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(std::string("can't open ") + path.string());
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class Cursor {
 public:
  Cursor(const Bytes& bytes, std::size_t at = 0, std::size_t end = SIZE_MAX)
      : bytes_(&bytes), at_(at), end_(end < bytes.size() ? end : bytes.size()) {}

  std::size_t At() const { return at_; }
  bool AtEnd() const { return at_ >= end_; }

  uint8_t Byte() { return Take(1)[0]; }
  uint16_t Word() {
    const uint8_t* p = Take(2);
    return static_cast<uint16_t>(p[0] | p[1] << 8);
  }
  uint32_t DWord() {
    const uint8_t* p = Take(4);
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
  }
  uint16_t PeekWord() const {
    Cursor copy = *this;
    return copy.Word();
  }
  int16_t Short() { return static_cast<int16_t>(Word()); }
  Bytes Slice(std::size_t count) {
    const uint8_t* p = Take(count);
    return Bytes(p, p + count);
  }
  // UTF-16 up to and without its terminating zero.
  std::u16string String() {
    std::u16string text;
    for (char16_t c = Word(); c != 0; c = Word()) text += c;
    return text;
  }
  void AlignTo(std::size_t boundary, std::size_t base = 0) {
    while ((at_ - base) % boundary != 0) Take(1);
  }

 private:
  const uint8_t* Take(std::size_t count) {
    if (count > end_ - at_)
      throw std::runtime_error(std::string("read past the end at ") + std::to_string(at_));
    const uint8_t* p = bytes_->data() + at_;
    at_ += count;
    return p;
  }

  const Bytes* bytes_;
  std::size_t at_;
  std::size_t end_;
};

}  // namespace tavrinole::resources::testing
