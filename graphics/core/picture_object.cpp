// The picture object: construction, assignment, cached facts and palettes.
#include <utility>
#include <algorithm>
#include <cstring>
#include <memory>

#include "Pics.h"
#include "graphics/core/dib_block.h"
#include "graphics/core/palette_util.h"
#include "graphics/platform/display.h"

namespace {
constexpr std::size_t kPaletteBufferBytes = 768;

void CopyOptionString(char (&target)[260], const char* source) {
  // Longer strings are cut rather than written past the member.
  if (source == nullptr) source = "";
  std::size_t length = std::strlen(source);
  length = std::min(length, sizeof target - 1);
  std::memcpy(target, source, length);
  target[length] = '\0';
}
}  // namespace

CPics::CPics()
    : m_hPalette(nullptr),
      m_hStdPalette(nullptr),
      m_bTransparent(0),
      m_transparentColor(0),
      m_szDecoderOptions{},
      m_szEncoderOptions{},
      m_bReadFile(0),
      m_bPaletteDevice(0),
      m_planes(0),
      m_bitsPerPixel(0),
      m_numColors(0),
      m_byteWidth(0),
      m_width(0),
      m_height(0),
      m_xPos(0),
      m_yPos(0),
      m_devPlanes(0),
      m_devBitsPerPixel(0),
      m_devHorzRes(0),
      m_devVertRes(0),
      m_devColors(0),
      m_dibSize(0),
      m_type(0),
      m_dither(0),
      m_bLoaded(0),
      m_bHaveDIB(0),
      m_pWorkBuffer(nullptr),
      m_hWorkBuffer(nullptr),
      m_hDIB(nullptr),
      m_PaletteBuffer(nullptr),
      m_szFileName{},
      m_bNoDither(1),
      m_bEnabled(1) {
  m_hStdPalette = CreateStandardPalettes();
  const graphics::DisplayDescription& display = graphics::CurrentDisplay();
  m_devBitsPerPixel = static_cast<short>(display.bitsPerPixel);
  m_devPlanes = static_cast<short>(display.planes);
  m_devHorzRes = static_cast<short>(display.horzRes);
  m_devVertRes = static_cast<short>(display.vertRes);
  m_bPaletteDevice = display.paletteDevice ? 1 : 0;
  switch (display.bitsPerPixel) {
    case 1:
      m_devColors = static_cast<short>(1 << std::clamp(display.planes, 0, 14));
      break;
    case 2:
      m_devColors = 4;
      break;
    case 4:
      m_devColors = 16;
      break;
    case 8:
      m_devColors = 256;
      break;
    default:
      m_devColors = 0;
      break;
  }
}

CPics::CPics(const CPics& other) = default;

CPics::~CPics() {
  if (m_hWorkBuffer != nullptr) GlobalUnlock(m_hWorkBuffer);
  graphics::FreeDib(m_hWorkBuffer);
  graphics::FreeDib(m_hDIB);
  delete[] m_PaletteBuffer;
  if (m_hPalette != nullptr) DeleteObject(m_hPalette);
  if (m_hStdPalette != nullptr) DeleteObject(m_hStdPalette);
}

void CPics::operator=(const CPics& source) {
  if (this == &source) return;
  m_planes = source.m_planes;
  m_bitsPerPixel = source.m_bitsPerPixel;
  m_numColors = source.m_numColors;
  m_byteWidth = source.m_byteWidth;
  m_width = source.m_width;
  m_height = source.m_height;
  m_dibSize = source.m_dibSize;
  m_type = source.m_type;
  m_bTransparent = source.m_bTransparent;
  m_transparentColor = source.m_transparentColor;
  m_bPngInterlace = source.m_bPngInterlace;
  m_bPngBackground = source.m_bPngBackground;
  m_pngBackgroundColor = source.m_pngBackgroundColor;
  m_pngBitDepthLimit = source.m_pngBitDepthLimit;
  m_bLoaded = source.m_bLoaded;
  m_bHaveDIB = source.m_bHaveDIB;
  m_bPaletteDevice = source.m_bPaletteDevice;
  std::memcpy(m_szDecoderOptions, source.m_szDecoderOptions, sizeof m_szDecoderOptions);
  std::memcpy(m_szEncoderOptions, source.m_szEncoderOptions, sizeof m_szEncoderOptions);

  delete[] m_PaletteBuffer;
  m_PaletteBuffer = nullptr;
  if (source.m_PaletteBuffer != nullptr) {
    m_PaletteBuffer = new BYTE[kPaletteBufferBytes];
    std::memcpy(m_PaletteBuffer, source.m_PaletteBuffer, kPaletteBufferBytes);
  }

  graphics::FreeDib(m_hDIB);
  if (source.m_hDIB != nullptr) {
    graphics::LockedBlock from(source.m_hDIB);
    // Never read past the source's block, whatever its cached size says.
    const std::size_t bytes = from ? std::min<std::size_t>(source.m_dibSize, from.size()) : 0;
    m_hDIB = GlobalAlloc(GHND, source.m_dibSize);
    graphics::LockedBlock to(m_hDIB);
    if (to && bytes > 0) std::memcpy(to.data(), from.data(), bytes);
  }

  if (m_hPalette != nullptr) DeleteObject(m_hPalette);
  m_hPalette = nullptr;
  if (source.m_hPalette != nullptr) {
    std::vector<PALETTEENTRY> entries(256, PALETTEENTRY{0, 0, 0, 0});
    GetPaletteEntries(source.m_hPalette, 0, 256, entries.data());
    for (auto& entry : entries) entry.peFlags = 0;
    m_hPalette = graphics::MakePalette(entries);
  }
}

void CPics::AssignPicture(CPics* target) {
  if (target != nullptr) *target = *this;
}

int CPics::SavePicture(const char* /*name*/, short /*type*/) { return 1; }

int CPics::LoadPicture(short dither) {
  if (m_hDIB == nullptr) return 0;
  m_bNoDither = dither == 0 ? 1 : 0;
  if (!CreateDitherImage()) return 0;
  m_dither = dither;
  CreateImagePalette();
  m_bLoaded = 1;
  int bits = 0;
  {
    graphics::LockedBlock dib(m_hDIB);
    if (!dib) return 0;
    bits = DIBBitsPerPixel(dib.data());
  }
  if (bits == 16 || bits == 32) {
    graphics::DibHandle converted;
    {
      graphics::LockedBlock dib(m_hDIB);
      converted.reset(ConvertDIBFormat(reinterpret_cast<BITMAPINFO*>(dib.data()),
                                       static_cast<unsigned>(m_width),
                                       static_cast<unsigned>(m_height), 24, 0));
    }
    if (!converted) return 0;
    graphics::ReplaceDib(m_hDIB, std::move(converted));
    GetDIBHeader();
  }
  return 1;
}

int CPics::GetDIBHeader() {
  if (!m_bHaveDIB || m_hDIB == nullptr) return 0;
  graphics::LockedBlock dib(m_hDIB);
  if (!dib || !graphics::DibFitsBlock(dib.data(), dib.size())) return 0;
  const void* header = dib.data();
  m_width = static_cast<short>(DIBWidth(header));
  m_height = static_cast<short>(DIBHeight(header));
  m_bitsPerPixel = static_cast<short>(DIBBitsPerPixel(header));
  m_planes = static_cast<short>(DIBBitPlanes(header));
  m_numColors = static_cast<short>(DIBNumberOfColors(header));
  m_byteWidth = static_cast<int>(DIBByteWidth(header));
  m_dibSize = static_cast<DWORD>(DIBHeaderSize(header) + DIBPaletteSize(header) +
                                 std::uint64_t(m_planes) * std::uint64_t(m_byteWidth) *
                                     std::uint64_t(m_height));
  return 1;
}

void CPics::CreateImageBuffer(unsigned char* pixels) {
  const int width = std::max<int>(m_width, 0);
  const int height = std::max<int>(m_height, 0);
  const int pad = (4 - width % 4) % 4;
  const std::uint64_t imageSize = std::uint64_t(height) * std::uint64_t(width + pad);
  // The row width recorded is the one the DIB really has.
  m_byteWidth = width + pad;
  m_numColors = 256;
  m_bitsPerPixel = 8;
  const std::uint64_t dibSize = graphics::DibPixelOffset(8) + imageSize;
  graphics::DibHandle fresh = graphics::DibHandle::Allocate(dibSize);
  graphics::LockedBlock dib(fresh.get());
  m_hDIB = nullptr;  // the caller has kept or freed the old block
  if (!dib) return;
  m_dibSize = static_cast<DWORD>(dibSize);
  graphics::WriteDibHeader(dib.data(), width, height, 8);
  BYTE* table = dib.data() + graphics::kDibHeaderSize;
  for (int i = 0; i < 256 && m_PaletteBuffer != nullptr; ++i) {
    table[4 * i] = m_PaletteBuffer[3 * i + 2];
    table[4 * i + 1] = m_PaletteBuffer[3 * i + 1];
    table[4 * i + 2] = m_PaletteBuffer[3 * i];
  }
  if (pixels != nullptr) std::memcpy(dib.data() + graphics::DibPixelOffset(8), pixels, imageSize);
  m_hDIB = fresh.release();
}

void CPics::CreateImagePalette() {
  if (m_PaletteBuffer == nullptr) return;
  HPALETTE palette = graphics::MakePaletteFromTriplets(m_PaletteBuffer);
  if (m_hPalette != nullptr) DeleteObject(m_hPalette);
  m_hPalette = palette;
}

void CPics::SetDecoderOptions(const char* options) {
  CopyOptionString(m_szDecoderOptions, options);
}

void CPics::SetEncoderOptions(const char* options) {
  CopyOptionString(m_szEncoderOptions, options);
}

int CPics::IsPictureDisabled() const {
  return m_type == PictureGIF && GifImageDisplayEnable == 0 && m_bEnabled == 0 ? 1 : 0;
}

int CPics::GetDibSize() const { return static_cast<int>(GlobalSize(m_hDIB)); }

int CPics::CopyDib(unsigned char* destination) const {
  if (m_type == PictureGIF && GifImageSaveEnable == 0) return 0;
  graphics::LockedBlock dib(m_hDIB);
  if (!dib) return 0;
  const std::size_t size = dib.size();
  if (destination != nullptr) std::memcpy(destination, dib.data(), size);
  return static_cast<int>(size);
}
