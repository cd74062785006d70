// GIF decoding and encoding of a 2000 x 1500 picture of 256 colours against
// ImageMagick doing the same in the same run, and the peak resident memory of our
// load and save as a multiple of the picture's DIB size.
//
// Reference for a read: "convert FILE null:" on the GIF ImageMagick wrote itself (ours
// reads that same file). Reference for a write: "convert in.mpc OUT.gif" from
// ImageMagick's own memory-mapped cache, so it spends next to nothing on reading.

#include <malloc.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "Pics.h"
#include "bench_harness.h"

namespace {

constexpr int kWidth = 2000, kHeight = 1500;
constexpr int kRounds = 3;

std::size_t DibSize() { return 40 + 1024 + std::size_t((kWidth + 3) / 4 * 4) * kHeight; }

// Smooth regions with edges and some grain, in 256 colours: what a reduced photograph
// or a drawing with gradients looks like.
HGLOBAL PaletteLike() {
  const std::size_t stride = std::size_t((kWidth + 3) / 4 * 4);
  HGLOBAL h = GlobalAlloc(GHND, DibSize());
  if (!h) return nullptr;
  auto* p = static_cast<uint8_t*>(GlobalLock(h));
  BITMAPINFOHEADER header{};
  header.biSize = 40, header.biWidth = kWidth, header.biHeight = kHeight, header.biPlanes = 1,
  header.biBitCount = 8;
  std::memcpy(p, &header, sizeof header);
  for (int i = 0; i < 256; ++i) {
    p[40 + 4 * i] = uint8_t(i);                        // blue
    p[40 + 4 * i + 1] = uint8_t((i * 7) % 256);        // green
    p[40 + 4 * i + 2] = uint8_t(255 - (i * 3) % 256);  // red
  }
  uint32_t seed = 77;
  for (int y = 0; y < kHeight; ++y) {
    uint8_t* row = p + 40 + 1024 + std::size_t(y) * stride;
    for (int x = 0; x < kWidth; ++x) {
      seed = seed * 1664525 + 1013904223;
      const double fx = double(x) / kWidth, fy = double(y) / kHeight;
      int v = int(120 + 100 * std::sin(3 * fx + 2 * fy));
      const double dx = fx - 0.4, dy = fy - 0.5;
      if (dx * dx + dy * dy < 0.05) v = 30 + int(200 * (dx * dx + dy * dy));
      if ((seed >> 28) == 0) v += int(seed >> 24 & 7);  // sparse grain
      row[x] = uint8_t(std::clamp(v, 0, 255));
    }
  }
  GlobalUnlock(h);
  return h;
}

struct CloseAfter {
  CPics* picture;
  ~CloseAfter() { CPics::ClosePicture(picture); }
};

}  // namespace

int main() {
  // Large blocks always come from (and go back to) the system, so the resident size
  // shows what each step really holds rather than reused heap.
  mallopt(M_MMAP_THRESHOLD, 256 * 1024);
  mallopt(M_TRIM_THRESHOLD, 256 * 1024);
  const auto dir = std::filesystem::temp_directory_path() / ("gr_gif." + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string bmp = (dir / "source.bmp").string();
  const std::string mpc = (dir / "source.mpc").string();
  const std::string theirs = (dir / "theirs.gif").string();
  const std::string theirsOut = (dir / "theirs_out.gif").string();
  const std::string ours = (dir / "ours.gif").string();
  {
    CPics* source = CPics::CreatePicture(PaletteLike(), PictureBMP, 0);
    CloseAfter closer{source};
    if (source == nullptr || source->SavePicture(bmp.c_str(), -1) != 1 ||
        !Run({"/usr/bin/convert", bmp, mpc}) || !Run({"/usr/bin/convert", mpc, theirs})) {
      std::fprintf(stderr, "cannot make the pictures\n");
      std::filesystem::remove_all(dir);
      return 1;
    }
  }

  // Decoding the file ImageMagick wrote.
  const double referenceRead = Best(kRounds, [&] {
    return Run({"/usr/bin/convert", theirs, "null:"});
  });
  long baseline = StatusKb("VmRSS:");
  const bool measureRead = ResetPeak();
  const double ourRead = Best(kRounds, [&] {
    CPics* picture = CPics::OpenPicture(theirs.c_str());
    CloseAfter closer{picture};
    return picture != nullptr && picture->m_bitsPerPixel == 8 && picture->m_width == kWidth;
  });
  if (measureRead) ReportMemory("gr_gif_decode_memory", baseline, DibSize());
  Report("gr_gif_decode", ourRead, referenceRead);

  // Encoding. The resident memory before the picture exists is the baseline, so the
  // peak counts the picture itself.
  const double referenceWrite = Best(kRounds, [&] {
    return Run({"/usr/bin/convert", mpc, theirsOut});
  });
  baseline = StatusKb("VmRSS:");
  CPics* picture = CPics::CreatePicture(PaletteLike(), PictureGIF, 0);
  CloseAfter closer{picture};
  if (picture == nullptr) {
    std::filesystem::remove_all(dir);
    return 1;
  }
  const bool measureWrite = ResetPeak();
  const double ourWrite =
      Best(kRounds, [&] { return picture->SavePicture(ours.c_str(), -1) == 1; });
  if (measureWrite) ReportMemory("gr_gif_encode_memory", baseline, DibSize());
  Report("gr_gif_encode", ourWrite, referenceWrite);
  std::printf("file sizes: ours %ju bytes, ImageMagick %ju bytes\n",
              std::uintmax_t(std::filesystem::file_size(ours)),
              std::uintmax_t(std::filesystem::file_size(theirsOut)));
  std::filesystem::remove_all(dir);
  return failures == 0 ? 0 : 1;
}
