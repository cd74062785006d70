// Writing DIB sections as TIFF or PNG files.
#include "Pics.h"
#include "graphics/formats/png/png_writer.h"
#include "graphics/formats/coder/section_view.h"
#include "graphics/formats/tiff/tiff_writer.h"

int CPics::SaveDIBSECTIONasTIF(HBITMAP bitmap, const char* path, TIFSaveOptions* options,
                               RGBQUAD* colors, int colorCount) {
  graphics::SectionView view;
  if (options == nullptr || !graphics::ViewOfSection(bitmap, view)) return 0;
  return graphics::WriteSectionAsTiff(view, path, *options, colors, colorCount);
}

int CPics::SaveDIBSECTIONasPNG(HBITMAP bitmap, const char* path, PNGSaveOptions* options,
                               RGBQUAD* colors, int colorCount) {
  graphics::SectionView view;
  if (options == nullptr || !graphics::ViewOfSection(bitmap, view)) return 0;
  return graphics::WriteSectionAsPng(view, path, *options, colors, colorCount);
}
