#include "format_test_support.h"

namespace formatstest {

picstest::RgbImage DecodeWithImageMagick(const std::string& path) {
  picstest::ScratchDir dir;
  const std::string png = dir.Path("reference.png");
  if (!picstest::RunCommand("/usr/bin/convert '" + path + "' -depth 8 PNG24:'" + png + "'"))
    return {};
  return picstest::DecodeWithPillow(png);
}

picstest::RgbImage PixelsOf(const CPics& picture) {
  picstest::RgbImage image;
  image.width = picture.m_width;
  image.height = picture.m_height;
  image.rgb.resize(std::size_t(image.width) * image.height * 3);
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      std::uint8_t* px = &image.rgb[(std::size_t(y) * image.width + x) * 3];
      picture.GetRGB(x, y, &px[0], &px[1], &px[2]);
    }
  return image;
}

picstest::PicturePtr PictureFromDib(HGLOBAL dib, short type) {
  return picstest::PicturePtr(CPics::CreatePicture(dib, type, 0));
}

HGLOBAL PatternDib(int width, int height, int bits) {
  std::vector<std::uint32_t> colors;
  if (bits <= 8) {
    const int n = 1 << bits;
    for (int i = 0; i < n; ++i)
      colors.push_back(bits == 1 ? (i ? 0xFFFFFFu : 0u)
                                 : (std::uint32_t(i * 37 % 256) << 16) |
                                       (std::uint32_t(255 - i) << 8) | std::uint32_t(i * 91 % 256));
  }
  HGLOBAL dib = picstest::MakeDib(width, height, bits, colors);
  const int n = bits <= 8 ? 1 << bits : 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const std::uint32_t value = bits <= 8 ? std::uint32_t((x * 7 + y * 3 + x * y) % n)
                                            : (std::uint32_t(x * 19 % 256) << 16) |
                                                  (std::uint32_t(y * 41 % 256) << 8) |
                                                  std::uint32_t((x + y) * 13 % 256);
      picstest::PutPixel(dib, x, y, value);
    }
  return dib;
}

void ExpectSameImage(const picstest::RgbImage& ours, const picstest::RgbImage& reference) {
  ASSERT_EQ(ours.width, reference.width);
  ASSERT_EQ(ours.height, reference.height);
  ASSERT_EQ(ours.rgb.size(), reference.rgb.size());
  int mismatches = 0;
  for (int y = 0; y < ours.height; ++y)
    for (int x = 0; x < ours.width; ++x) {
      const std::uint8_t* a = ours.At(x, y);
      const std::uint8_t* b = reference.At(x, y);
      if ((a[0] != b[0] || a[1] != b[1] || a[2] != b[2]) && ++mismatches <= 5)
        ADD_FAILURE() << "pixel " << x << "," << y << " is " << int(a[0]) << "," << int(a[1]) << ","
                      << int(a[2]) << " but the reference has " << int(b[0]) << "," << int(b[1])
                      << "," << int(b[2]);
    }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace formatstest
