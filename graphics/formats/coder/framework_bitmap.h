// The bitmaps the decoder framework fills: 8-bit palette or 32-bit colour rows with
// a line array (line 0 is the top of the picture). CWinBmp keeps header, palette and
// rows in one packed DIB (40-byte header) so the result can be handed on as a DIB.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "Pics.h"
#include "graphics/formats/coder/framework_object.h"

namespace graphics {

class CBmp : public CObject {
 public:
  CBmp() = default;
  CBmp(const CBmp&) = delete;
  CBmp& operator=(const CBmp&) = delete;
  ~CBmp() override = default;

  // Throws CTextException (out of memory) when the sizes are out of range or the
  // memory cannot be had.
  void Create(int width, int height, int bitsPerPixel, bool hasAlpha);
  // A copy of source at the given depth (0: the source's depth). 8 to 32 bits looks
  // every index up in the source's palette.
  void CreateCopy(const CBmp& source, int bitsPerPixel);
  void SetPalette(const RGBQUAD* entries);  // 256 entries
  void SetGreyPalette();
  // Byte 3 of every pixel of a 32-bit bitmap from the same pixel of an 8-bit one.
  void SetAlphaChannel(const CBmp& alpha);

  BYTE** GetLineArray() const { return m_lines.get(); }
  RGBQUAD* GetPalette() const { return m_palette; }
  int GetWidth() const { return m_width; }
  int GetHeight() const { return m_height; }
  int GetBitsPerPixel() const { return m_bitsPerPixel; }
  bool HasAlpha() const { return m_hasAlpha; }

  virtual std::size_t GetMemUsed() const = 0;
  virtual std::size_t GetBytesPerLine() const = 0;

 protected:
  virtual void InternalCreate(int width, int height, int bitsPerPixel, bool hasAlpha) = 0;
  virtual void FreeMembers() = 0;
  virtual void InitLineArray() = 0;

  std::int32_t m_width = 0;
  std::int32_t m_height = 0;
  std::int16_t m_bitsPerPixel = 0;
  RGBQUAD* m_palette = nullptr;  // 256 entries below 16 bits, else null
  BYTE* m_bits = nullptr;
  bool m_hasAlpha = false;
  std::unique_ptr<BYTE*[]> m_lines;
};

class CWinBmp : public CBmp {
 public:
  CWinBmp();  // a 16 x 16, 8-bit bitmap without alpha
  ~CWinBmp() override;
  const RuntimeClass* GetRuntimeClass() const override;

  std::size_t GetMemUsed() const override;
  std::size_t GetBytesPerLine() const override;
  // The packed DIB: 40-byte header, palette below 16 bits, bottom-up rows.
  const BYTE* GetDib() const { return m_dib.data(); }
  std::size_t GetDibSize() const { return m_dib.size(); }

 protected:
  void InternalCreate(int width, int height, int bitsPerPixel, bool hasAlpha) override;
  void FreeMembers() override;
  void InitLineArray() override;

 private:
  std::vector<BYTE> m_dib;
};

// Bytes per line of the framework's bitmaps: ((width x bits) / 8 + 3) & ~3, in 64 bits.
constexpr std::uint64_t FrameworkLineBytes(std::uint64_t width, unsigned bits) {
  return ((width * bits) / 8 + 3) & ~std::uint64_t(3);
}

}  // namespace graphics
