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
  const std::vector<Case> cases = {
      {"png24", "png", "photo", {}, 24, PicturePNG},
      {"png8", "png", "palette", {"-define", "png:format=png8"}, 8, PicturePNG},
      // Ours writes one row a strip and no predictor, as its readers expect: the
      // write reference does the same rather than differencing rows first.
      {"tif24lzw",
       "tif",
       "photo",
       {"-compress", "LZW"},
       24,
       PictureTIFF,
       {"-define", "tiff:predictor=1", "-define", "tiff:rows-per-strip=1"}},
  };
  return MeasureCases("gr_tiffpng_", cases, argc, argv);
}
