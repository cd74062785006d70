// Reading and writing a 4000 x 3000 (12 MP) picture as PNG and TIFF against
// ImageMagick doing the same in the same run, and the peak resident memory of each
// of our loads and saves as a multiple of the picture's DIB size.
//
// Reference for a read: "convert FILE null:" on the file ImageMagick wrote itself.
// Reference for a write: "convert in.mpc OUT" from ImageMagick's own memory-mapped
// cache, so it spends next to nothing on reading. Ours saves a picture object of the
// format (SavePicture), so the figure is the writer's own.
#include "format_bench.h"

int main(int argc, char** argv) {
  // Large blocks always come from (and go back to) the system, so the resident size
  // shows what each step really holds rather than reused heap.
  mallopt(M_MMAP_THRESHOLD, 256 * 1024);
  mallopt(M_TRIM_THRESHOLD, 256 * 1024);
  const auto dir =
      std::filesystem::temp_directory_path() / ("gr_tiffpng." + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string photo = (dir / "photo.bmp").string();
  const std::string palette = (dir / "palette.bmp").string();
  const std::string mono = (dir / "mono.bmp").string();
  {
    HGLOBAL picture = PhotoLike();
    HGLOBAL reduced = picture ? CPics::CopyDIB(GlobalLock(picture)) : nullptr;
    if (picture) GlobalUnlock(picture);
    HGLOBAL bw = picture ? BlackAndWhite(picture) : nullptr;
    if (!picture || !reduced || !bw || !CPics::ConvertTo8BPP(&reduced) ||
        !SaveBmp(picture, photo) || !SaveBmp(reduced, palette) || !SaveBmp(bw, mono)) {
      std::fprintf(stderr, "cannot make the pictures\n");
      return 1;
    }
  }

  const std::vector<Case> cases = {
      {"png24", "png", photo, {}, 24, PicturePNG},
      {"png8", "png", palette, {"-define", "png:format=png8"}, 8, PicturePNG},
      {"tif24lzw", "tif", photo, {"-compress", "LZW"}, 24, PictureTIFF},
  };
  // Names given on the command line pick cases; none runs them all.
  for (const Case& c : cases) {
    bool wanted = argc < 2;
    for (int i = 1; i < argc; ++i) wanted |= c.name == argv[i];
    if (wanted) Measure("gr_tiffpng_", c, dir);
  }
  std::filesystem::remove_all(dir);
  return failures == 0 ? 0 : 1;
}
