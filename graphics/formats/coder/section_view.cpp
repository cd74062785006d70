#include "graphics/formats/coder/section_view.h"

namespace graphics {

bool ViewOfSection(HBITMAP bitmap, SectionView& view) {
  DIBSECTION section{};
  if (bitmap == nullptr || GetObject(bitmap, int(sizeof section), &section) != int(sizeof section))
    return false;
  if (section.dsBm.bmBits == nullptr) return false;  // a device bitmap, not a section
  view.width = section.dsBmih.biWidth;
  view.height = section.dsBmih.biHeight;
  view.bits = section.dsBmih.biBitCount;
  view.stride = section.dsBm.bmWidthBytes > 0 ? std::size_t(section.dsBm.bmWidthBytes) : 0;
  view.pixels = static_cast<const BYTE*>(section.dsBm.bmBits);
  return view.Valid();
}

}  // namespace graphics
