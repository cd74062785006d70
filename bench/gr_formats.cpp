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

int main(int argc, char** argv) {
  const std::vector<Case> cases = {
      {"pcx8", "pcx", "palette", {"-type", "Palette"}, 8, PicturePCX},
      {"pcx24", "pcx", "photo", {}, 24, PicturePCX},
      {"tga24", "tga", "photo", {}, 24, PictureTGA},
      {"tga24rle", "tga", "photo", {"-compress", "RLE"}, 24, PictureTGA},
      {"xbm", "xbm", "mono", {}, 1, PictureXBM},
  };
  return MeasureCases("gr_formats_", cases, argc, argv);
}
