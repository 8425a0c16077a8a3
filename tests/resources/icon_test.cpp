#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "ico_reader.h"

namespace tavrinole::resources::testing {
namespace {

const std::filesystem::path ResourcesDir = TAVRINOLE_RESOURCES_DIR;
constexpr int Sizes[] = {16, 32, 48, 256};

std::filesystem::path PngPath(int size) {
  return ResourcesDir / "icons" / (std::string("tavrinole-") + std::to_string(size) + ".png");
}

// Size of an icon bitmap: header, 32-bit colour rows, then 1-bit mask rows padded to
// four bytes; its header says double the height, for the two halves.
void ExpectIconBitmap(const IcoImage& image) {
  Cursor header(image.Data);
  EXPECT_EQ(header.DWord(), 40u);
  EXPECT_EQ(static_cast<int32_t>(header.DWord()), image.Width);
  EXPECT_EQ(static_cast<int32_t>(header.DWord()), 2 * image.Height);
  header.Word();  // planes
  EXPECT_EQ(header.Word(), 32);
  const std::size_t maskRow = static_cast<std::size_t>((image.Width + 31) / 32 * 4);
  const std::size_t pixels = static_cast<std::size_t>(image.Width * image.Height);
  EXPECT_EQ(image.Data.size(), 40 + 4 * pixels + maskRow * static_cast<std::size_t>(image.Height));
}

// Blue, green, red, alpha of the pixel x, y counted from the top left. Bitmap rows are
// stored bottom row first.
std::array<uint8_t, 4> BitmapPixel(const IcoImage& image, int x, int y) {
  const std::size_t at =
      40 + 4 * static_cast<std::size_t>((image.Height - 1 - y) * image.Width + x);
  return {image.Data.at(at), image.Data.at(at + 1), image.Data.at(at + 2), image.Data.at(at + 3)};
}

bool IsWhite(const std::array<uint8_t, 4>& p) {
  return p[0] == 255 && p[1] == 255 && p[2] == 255;
}

TEST(ProgramIcon, IcoHoldsFourImagesOfTheRightSizes) {
  const auto images = ReadIco(ReadFile(ResourcesDir / "tavrinole.ico"));
  ASSERT_EQ(images.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(images[i].Width, Sizes[i]);
    EXPECT_EQ(images[i].Height, Sizes[i]);
    EXPECT_EQ(images[i].BitCount, 32);
  }
}

TEST(ProgramIcon, EachIcoImageIsAValidBitmapOrPngOfItsSize) {
  for (const IcoImage& image : ReadIco(ReadFile(ResourcesDir / "tavrinole.ico"))) {
    SCOPED_TRACE(image.Width);
    if (IsPng(image.Data)) {
      const PngHeader png = ReadPngHeader(image.Data);
      EXPECT_EQ(png.Width, static_cast<uint32_t>(image.Width));
      EXPECT_EQ(png.Height, static_cast<uint32_t>(image.Height));
    } else {
      ExpectIconBitmap(image);
    }
  }
}

// Older Windows versions read only bitmaps below 256 pixels.
TEST(ProgramIcon, SmallSizesAreBitmapsAndTheLargestIsTheDesktopPng) {
  const auto images = ReadIco(ReadFile(ResourcesDir / "tavrinole.ico"));
  ASSERT_EQ(images.size(), 4u);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_FALSE(IsPng(images[i].Data)) << images[i].Width;
  EXPECT_EQ(images[3].Data, ReadFile(PngPath(256)));
}

TEST(ProgramIcon, TheTStandsUprightInTheBitmaps) {
  for (const IcoImage& image : ReadIco(ReadFile(ResourcesDir / "tavrinole.ico"))) {
    if (IsPng(image.Data)) continue;
    SCOPED_TRACE(image.Width);
    const int size = image.Width;
    // Left part of the bar, near the top; mirrored top to bottom it would be ochre.
    EXPECT_TRUE(IsWhite(BitmapPixel(image, size * 22 / 100, size * 27 / 100)));
    EXPECT_FALSE(IsWhite(BitmapPixel(image, size * 22 / 100, size * 73 / 100)));
    EXPECT_LT(BitmapPixel(image, 0, 0)[3], 128) << "the rounded corner is mostly transparent";
    EXPECT_EQ(BitmapPixel(image, size / 2, size / 2)[3], 255);
  }
}

TEST(ProgramIcon, DesktopPngsHaveTheirSizeAndAlpha) {
  for (int size : Sizes) {
    const PngHeader png = ReadPngHeader(ReadFile(PngPath(size)));
    EXPECT_EQ(png.Width, static_cast<uint32_t>(size));
    EXPECT_EQ(png.Height, static_cast<uint32_t>(size));
    EXPECT_EQ(png.BitDepth, 8);
    EXPECT_EQ(png.ColourType, 6) << "RGBA";
  }
}

TEST(IcoReader, RefusesAnImageThatRunsPastTheFile) {
  Bytes file = ReadFile(ResourcesDir / "tavrinole.ico");
  file.resize(file.size() - 1);
  EXPECT_THROW(ReadIco(file), std::runtime_error);
}

}  // namespace
}  // namespace tavrinole::resources::testing
