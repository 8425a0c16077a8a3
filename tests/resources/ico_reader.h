// Reads an .ico file's directory and images, checking the layout as it goes.
#pragma once

#include <algorithm>
#include <vector>

#include "binary_reader.h"

namespace tavrinole::resources::testing {

struct IcoImage {
  int Width;  // the directory's 0 already read as 256
  int Height;
  uint16_t BitCount;
  Bytes Data;
};

inline std::vector<IcoImage> ReadIco(const Bytes& file) {
  Cursor directory(file);
  if (directory.Word() != 0 || directory.Word() != 1) throw std::runtime_error("not an icon file");
  const uint16_t count = directory.Word();
  std::vector<IcoImage> images;
  for (uint16_t i = 0; i < count; ++i) {
    IcoImage image{};
    image.Width = directory.Byte();
    image.Height = directory.Byte();
    if (image.Width == 0) image.Width = 256;
    if (image.Height == 0) image.Height = 256;
    directory.Byte();  // colour count
    directory.Byte();  // reserved
    directory.Word();  // planes
    image.BitCount = directory.Word();
    const uint32_t size = directory.DWord();
    const uint32_t offset = directory.DWord();
    Cursor data(file, offset);
    image.Data = data.Slice(size);
    images.push_back(std::move(image));
  }
  return images;
}

inline bool IsPng(const Bytes& image) {
  static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  return image.size() >= 8 && std::equal(signature, signature + 8, image.begin());
}

struct PngHeader {
  uint32_t Width;
  uint32_t Height;
  uint8_t BitDepth;
  uint8_t ColourType;
};

inline uint32_t BigEndian(Cursor& cursor) {
  const uint32_t little = cursor.DWord();
  return (little >> 24) | ((little >> 8) & 0xFF00) | ((little << 8) & 0xFF0000) | (little << 24);
}

// The IHDR chunk, which a PNG file must begin with.
inline PngHeader ReadPngHeader(const Bytes& png) {
  if (!IsPng(png)) throw std::runtime_error("no PNG signature");
  Cursor cursor(png, 8);
  if (BigEndian(cursor) != 13 || cursor.Slice(4) != Bytes{'I', 'H', 'D', 'R'}) {
    throw std::runtime_error("PNG does not begin with IHDR");
  }
  PngHeader header{};
  header.Width = BigEndian(cursor);
  header.Height = BigEndian(cursor);
  header.BitDepth = cursor.Byte();
  header.ColourType = cursor.Byte();
  return header;
}

}  // namespace tavrinole::resources::testing
