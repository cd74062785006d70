// Reading and writing 4000 x 3000 pictures as PCX (256 colours and true colour), TGA
// (true colour, raw and run-length coded) and XBM against ImageMagick doing the same
// in the same run, and the peak resident memory of each of our loads and saves as a
// multiple of the picture's DIB size.
//
// Reference for a read: "convert FILE null:" on the file ImageMagick wrote itself.
// Reference for a write: "convert in.mpc OUT" from ImageMagick's own memory-mapped
// cache, so it spends next to nothing on reading. Ours saves a picture object of the
// format (SavePicture), so the figure is the writer's own and not the copy that
// SavePictureAs makes of the picture first.
#include "format_bench.h"

int main() {
  // Large blocks always come from (and go back to) the system, so the resident size
  // shows what each step really holds rather than reused heap.
  mallopt(M_MMAP_THRESHOLD, 256 * 1024);
  mallopt(M_TRIM_THRESHOLD, 256 * 1024);
  const auto dir =
      std::filesystem::temp_directory_path() / ("gr_formats." + std::to_string(getpid()));
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
      {"pcx8", "pcx", palette, {"-type", "Palette"}, 8, PicturePCX},
      {"pcx24", "pcx", photo, {}, 24, PicturePCX},
      {"tga24", "tga", photo, {}, 24, PictureTGA},
      {"tga24rle", "tga", photo, {"-compress", "RLE"}, 24, PictureTGA},
      {"xbm", "xbm", mono, {}, 1, PictureXBM},
  };
  for (const Case& c : cases) Measure("gr_formats_", c, dir);
  std::filesystem::remove_all(dir);
  return failures == 0 ? 0 : 1;
}
