// Shared by the single-file format benchmarks: a 4000 x 3000 photo-like picture, timing
// of our read and write against ImageMagick in the same run, and peak resident memory
// as a multiple of the DIB size. Each benchmark program includes it once.
#pragma once
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

constexpr int kWidth = 4000, kHeight = 3000;
constexpr int kRounds = 2;

inline std::size_t DibSize(int bits) {
  const std::size_t stride = ((std::size_t(kWidth) * bits + 31) / 32) * 4;
  return 40 + (bits <= 8 ? (4u << bits) : 0) + stride * kHeight;
}

// Gradients, a few shapes and grain (seed >> grainShift, less grainOffset), like a
// photograph.
inline HGLOBAL PhotoLike(int grainShift = 29, int grainOffset = 4) {
  const std::size_t stride = ((std::size_t(kWidth) * 24 + 31) / 32) * 4;
  HGLOBAL h = GlobalAlloc(GHND, DibSize(24));
  if (!h) return nullptr;
  auto* p = static_cast<uint8_t*>(GlobalLock(h));
  BITMAPINFOHEADER header{};
  header.biSize = 40, header.biWidth = kWidth, header.biHeight = kHeight, header.biPlanes = 1,
  header.biBitCount = 24;
  std::memcpy(p, &header, sizeof header);
  uint32_t seed = 2024;
  for (int y = 0; y < kHeight; ++y) {
    uint8_t* row = p + 40 + size_t(y) * stride;
    const double fy = double(y) / kHeight;
    for (int x = 0; x < kWidth; ++x) {
      seed = seed * 1664525 + 1013904223;
      const int grain = int(seed >> grainShift) - grainOffset;
      const double fx = double(x) / kWidth;
      double r = 40 + 200 * fx * (1 - fy), g = 120 + 90 * std::sin(5 * fy + 4 * fx),
             b = 230 * (1 - fy) + 20 * fx;
      const double dx = fx - 0.6, dy = fy - 0.4;
      if (dx * dx + dy * dy < 0.03) r = 240 - 300 * (dx * dx + dy * dy), g = 190, b = 80 + 100 * dy;
      if (std::sin(40 * fx) * std::cos(30 * fy) > 0.9) r *= 0.5, g *= 0.6, b *= 0.4;
      uint8_t* px = row + 3 * x;
      px[0] = uint8_t(std::clamp(int(b) + grain, 0, 255));
      px[1] = uint8_t(std::clamp(int(g) + grain, 0, 255));
      px[2] = uint8_t(std::clamp(int(r) + grain, 0, 255));
    }
  }
  GlobalUnlock(h);
  return h;
}

// The photo in black and white (grey level below 128 is black).
inline HGLOBAL BlackAndWhite(HGLOBAL photo) {
  const std::size_t stride24 = ((std::size_t(kWidth) * 24 + 31) / 32) * 4;
  const std::size_t stride1 = ((std::size_t(kWidth) + 31) / 32) * 4;
  HGLOBAL h = GlobalAlloc(GHND, DibSize(1));
  if (!h) return nullptr;
  auto* p = static_cast<uint8_t*>(GlobalLock(h));
  const auto* in = static_cast<const uint8_t*>(GlobalLock(photo)) + 40;
  BITMAPINFOHEADER header{};
  header.biSize = 40, header.biWidth = kWidth, header.biHeight = kHeight, header.biPlanes = 1,
  header.biBitCount = 1;
  std::memcpy(p, &header, sizeof header);
  const uint8_t white[4] = {255, 255, 255, 0};
  std::memcpy(p + 44, white, 4);
  for (int y = 0; y < kHeight; ++y) {
    const uint8_t* px = in + y * stride24;
    uint8_t* row = p + 48 + y * stride1;
    for (int x = 0; x < kWidth; ++x, px += 3)
      if ((30 * px[2] + 59 * px[1] + 11 * px[0]) / 100 >= 128)
        row[x / 8] |= uint8_t(0x80 >> (x % 8));
  }
  GlobalUnlock(photo);
  GlobalUnlock(h);
  return h;
}

struct CloseAfter {
  CPics* picture;
  ~CloseAfter() { CPics::ClosePicture(picture); }
};

struct Case {
  std::string name;                    // BENCH name part
  std::string ext;                     // file extension
  std::string source;                  // the picture: "photo", "palette" or "mono"
  std::vector<std::string> imOptions;  // ImageMagick options for writing the format
  int bits;                            // depth of the loaded picture
  short type;                          // picture type code of the format
  // More ImageMagick options for the write reference only, where its file would
  // otherwise be laid out unlike ours (and so compress other bytes).
  std::vector<std::string> imWriteLayout = {};
};

inline void Measure(const std::string& prefix, const Case& c, const std::filesystem::path& dir) {
  const std::string mpc = (dir / (c.name + ".mpc")).string();
  const std::string theirs = (dir / (c.name + "_im." + c.ext)).string();
  const std::string imOut = (dir / (c.name + "_im_out." + c.ext)).string();
  const std::string ours = (dir / (c.name + "_ours." + c.ext)).string();
  // ImageMagick's cache of the picture, and its own file of the format.
  const std::string source = (dir / (c.source + ".bmp")).string();
  if (!Run({"/usr/bin/convert", source, mpc})) {
    std::printf("%s: cannot prepare the pictures\n", c.name.c_str());
    ++failures;
    return;
  }
  std::vector<std::string> write = {"/usr/bin/convert", mpc};
  write.insert(write.end(), c.imOptions.begin(), c.imOptions.end());
  write.push_back(theirs);
  if (!Run(write)) {
    ++failures;
    return;
  }

  // Reading.
  const double referenceRead = Best(kRounds, [&] {
    return Run({"/usr/bin/convert", theirs, "null:"});
  });
  long baseline = StatusKb("VmRSS:");
  const bool measure = ResetPeak();
  double ourRead = Best(kRounds, [&] {
    CPics* picture = CPics::OpenPicture(theirs.c_str());
    CloseAfter closer{picture};
    return picture != nullptr && picture->m_bitsPerPixel == c.bits;
  });
  if (measure) ReportMemory(prefix + c.name + "_read_memory", baseline, DibSize(c.bits));
  Report(prefix + c.name + "_read", ourRead, referenceRead);

  // Writing. The resident memory before the picture exists is the baseline, so the
  // peak counts the picture itself.
  write.back() = imOut;
  write.insert(write.end() - 1, c.imWriteLayout.begin(), c.imWriteLayout.end());
  const double referenceWrite = Best(kRounds, [&] { return Run(write); });
  baseline = StatusKb("VmRSS:");
  CPics* picture = nullptr;
  {
    CPics* original = CPics::OpenPicture(source.c_str());
    CloseAfter closer{original};
    HGLOBAL copy = original ? CPics::CopyDIB(GlobalLock(original->m_hDIB)) : nullptr;
    if (original) GlobalUnlock(original->m_hDIB);
    if (copy) picture = CPics::CreatePicture(copy, c.type, 0);
  }
  CloseAfter closer{picture};
  if (picture == nullptr) {
    ++failures;
    return;
  }
  const bool measureWrite = ResetPeak();
  const double ourWrite =
      Best(kRounds, [&] { return picture->SavePicture(ours.c_str(), -1) == 1; });
  if (measureWrite) ReportMemory(prefix + c.name + "_write_memory", baseline, DibSize(c.bits));
  Report(prefix + c.name + "_write", ourWrite, referenceWrite);
}

inline bool SaveBmp(HGLOBAL dib, const std::string& path) {
  CPics* picture = CPics::CreatePicture(dib, PictureBMP, 0);
  if (picture == nullptr) return false;
  CloseAfter closer{picture};
  return picture->SavePicture(path.c_str(), -1) == 1;
}

// A DIB block as a BMP file, for ImageMagick to read.
inline bool WriteBmpOf(const std::string& path, HGLOBAL dib, std::size_t dibSize) {
  const bool written = WriteBmp(path, GlobalLock(dib), dibSize, 40);
  GlobalUnlock(dib);
  return written;
}

// The whole run of a format benchmark: the photo, its 256-colour and black-and-white
// forms as BMP files in a scratch folder, then each case (those named on the command
// line, or all). The program's exit status.
inline int MeasureCases(const std::string& prefix, const std::vector<Case>& cases, int argc,
                        char** argv) {
  // Large blocks always come from (and go back to) the system, so the resident size
  // shows what each step really holds rather than reused heap.
  mallopt(M_MMAP_THRESHOLD, 256 * 1024);
  mallopt(M_TRIM_THRESHOLD, 256 * 1024);
  const auto dir = std::filesystem::temp_directory_path() / (prefix + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  {
    HGLOBAL picture = PhotoLike();
    HGLOBAL reduced = picture ? CPics::CopyDIB(GlobalLock(picture)) : nullptr;
    if (picture) GlobalUnlock(picture);
    HGLOBAL bw = picture ? BlackAndWhite(picture) : nullptr;
    if (!picture || !reduced || !bw || !CPics::ConvertTo8BPP(&reduced) ||
        !SaveBmp(picture, (dir / "photo.bmp").string()) ||
        !SaveBmp(reduced, (dir / "palette.bmp").string()) ||
        !SaveBmp(bw, (dir / "mono.bmp").string())) {
      std::fprintf(stderr, "cannot make the pictures\n");
      std::filesystem::remove_all(dir);
      return 1;
    }
  }
  for (const Case& c : cases) {
    bool wanted = argc < 2;
    for (int i = 1; i < argc; ++i) wanted |= c.name == argv[i];
    if (wanted) Measure(prefix, c, dir);
  }
  std::filesystem::remove_all(dir);
  return failures == 0 ? 0 : 1;
}

}  // namespace
