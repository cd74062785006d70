// Framework bitmaps whose pixels live in a DIB section of the drawing layer, so they
// can be drawn and blitted directly; CDrawDibBmp adds a palette for palette displays
// and stretched drawing.
#pragma once

#include <vector>

#include "Pics.h"
#include "graphics/formats/coder/framework_bitmap.h"

namespace graphics {

class CDIBSection : public CWinBmp {
 public:
  CDIBSection();  // a 16 x 16, 8-bit bitmap without alpha
  ~CDIBSection() override;
  const RuntimeClass* GetRuntimeClass() const override;

  std::size_t GetMemUsed() const override;
  HBITMAP GetHandle() const { return m_section; }
  // Copies the bitmap at its natural size to (x, y) of the context with the raster
  // operation. False when there is nothing to draw or the copy fails.
  virtual bool Draw(HDC dc, int x, int y, DWORD rop = SRCCOPY);

 protected:
  void InternalCreate(int width, int height, int bitsPerPixel, bool hasAlpha) override;
  void FreeMembers() override;
  // The 40-byte header followed by the current palette.
  const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(m_header.data()); }
  // The section's colour table follows the bitmap's palette before it is drawn.
  void SyncColorTable(HDC memoryDc) const;

 private:
  std::vector<BYTE> m_header;  // 40-byte header and colour table
  HBITMAP m_section = nullptr;
};

class CDrawDibBmp : public CDIBSection {
 public:
  CDrawDibBmp();
  ~CDrawDibBmp() override;
  const RuntimeClass* GetRuntimeClass() const override;

  // The palette drawn with: 2^bits entries of the bitmap's palette below 16 bits, the
  // standard colour cube for deeper bitmaps. Made on first use after each creation.
  HPALETTE GetPaletteObject();
  // Stretches the source rectangle (default: all) into the destination rectangle
  // (default: the source rectangle) with the given palette or the bitmap's own,
  // selected as a background palette when asked; the previous palette is put back.
  bool StretchDraw(HDC dc, const RECT* dest, const RECT* source, HPALETTE palette, bool background);

 protected:
  void FreeMembers() override;

 private:
  HPALETTE m_paletteObject = nullptr;
};

}  // namespace graphics
