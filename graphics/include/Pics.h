// Public interface of the Graphics picture library.
//
// This is the only public header. It carries the Windows-shaped types the interface
// needs, the movable memory blocks that hold DIBs, palette handles, the small file
// class, and the exported picture class CPics. Everything not marked GRAPHICS_API is
// hidden inside libGraphics.so.
//
// Later additions go into the marked sections below (one section per feature group).
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#define GRAPHICS_API __attribute__((visibility("default")))

// ---------------------------------------------------------------------------------------
// Basic types
// ---------------------------------------------------------------------------------------
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = unsigned int;
using BOOL = int;
using COLORREF = DWORD;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using HANDLE = void*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// A colour as 0x00BBGGRR: red in the low byte.
constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return COLORREF(r) | (COLORREF(g) << 8) | (COLORREF(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) { return BYTE(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return BYTE((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return BYTE((c >> 16) & 0xFF); }

// ---------------------------------------------------------------------------------------
// DIB and palette structures (exact on-disk / in-memory layouts, little-endian)
// ---------------------------------------------------------------------------------------
#pragma pack(push, 1)
struct RGBQUAD {
  BYTE rgbBlue, rgbGreen, rgbRed, rgbReserved;
};
struct RGBTRIPLE {
  BYTE rgbtBlue, rgbtGreen, rgbtRed;
};
struct BITMAPCOREHEADER {
  DWORD bcSize;  // 12
  WORD bcWidth;
  WORD bcHeight;
  WORD bcPlanes;
  WORD bcBitCount;
};
struct BITMAPINFOHEADER {
  DWORD biSize;  // 40 (or 108 for the version-4 header, which starts the same way)
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};
struct BITMAPFILEHEADER {
  WORD bfType;  // "BM"
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;
};
struct PALETTEENTRY {
  BYTE peRed, peGreen, peBlue, peFlags;
};
struct LOGPALETTE {
  WORD palVersion;  // 0x300
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[1];
};
#pragma pack(pop)
static_assert(sizeof(BITMAPINFOHEADER) == 40 && sizeof(BITMAPCOREHEADER) == 12);
static_assert(sizeof(BITMAPFILEHEADER) == 14 && sizeof(RGBTRIPLE) == 3);

constexpr DWORD BI_RGB = 0;

// ---------------------------------------------------------------------------------------
// Movable memory blocks. A DIB lives in one block, passed around by its handle.
// Blocks are always zero-filled; a freed or null handle is refused by every operation.
// ---------------------------------------------------------------------------------------
struct GlobalMemoryBlock;
using HGLOBAL = GlobalMemoryBlock*;

constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GHND = 0x0042;

GRAPHICS_API HGLOBAL GlobalAlloc(UINT flags,
                                 std::size_t bytes);  // nullptr on failure or absurd size
GRAPHICS_API void* GlobalLock(HGLOBAL h);             // nullptr for a null/freed handle
GRAPHICS_API BOOL GlobalUnlock(HGLOBAL h);            // TRUE while still locked
GRAPHICS_API std::size_t GlobalSize(HGLOBAL h);       // 0 for a null/freed handle
// New bytes are zero-filled; nullptr on failure, and then the old block stays valid.
GRAPHICS_API HGLOBAL GlobalReAlloc(HGLOBAL h, std::size_t bytes, UINT flags);
GRAPHICS_API HGLOBAL GlobalFree(HGLOBAL h);  // returns nullptr

// ---------------------------------------------------------------------------------------
// Logical palettes
// ---------------------------------------------------------------------------------------
struct PaletteObject;
using HPALETTE = PaletteObject*;

GRAPHICS_API HPALETTE CreatePalette(const LOGPALETTE* description);  // nullptr on bad input
// Copies up to count entries from start; returns the number copied. With a null
// entries pointer it returns the palette's entry count.
GRAPHICS_API UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count,
                                    PALETTEENTRY* entries);
GRAPHICS_API BOOL DeleteObject(HPALETTE palette);

// ---------------------------------------------------------------------------------------
// Files: a small binary file class over POSIX I/O. Failed writes throw CFileException.
// ---------------------------------------------------------------------------------------
class GRAPHICS_API CFileException : public std::exception {
 public:
  enum Cause {
    none = 0,
    generic = 1,
    fileNotFound = 2,
    badPath = 3,
    tooManyOpenFiles = 4,
    accessDenied = 5,
    invalidFile = 6,
    removeCurrentDir = 7,
    directoryFull = 8,
    badSeek = 9,
    hardIO = 10,
    sharingViolation = 11,
    lockViolation = 12,
    diskFull = 13,
    endOfFile = 14
  };
  CFileException(int cause = none, int osError = 0, std::string fileName = {});
  const char* what() const noexcept override;
  static int CauseFromErrno(int error);

  int m_cause;
  int m_lOsError;
  std::string m_strFileName;

 private:
  std::string m_message;
};

class GRAPHICS_API CFile {
 public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoTruncate = 0x0100,
    modeCreate = 0x1000,
    typeText = 0x4000,
    typeBinary = 0x8000
  };
  enum SeekPosition { begin = 0, current = 1, end = 2 };

  CFile();
  CFile(const char* name, UINT flags);  // throws CFileException when the file cannot be opened
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;
  virtual ~CFile();

  // Returns FALSE (and fills *error when given) when the file cannot be opened.
  virtual BOOL Open(const char* name, UINT flags, CFileException* error = nullptr);
  virtual UINT Read(void* buffer, UINT count);         // bytes read; throws on an I/O error
  virtual void Write(const void* buffer, UINT count);  // throws unless every byte is written
  virtual std::uint64_t Seek(std::int64_t offset, UINT from);
  void SeekToBegin() { Seek(0, begin); }
  std::uint64_t SeekToEnd() { return Seek(0, end); }
  virtual std::uint64_t GetPosition() const;
  virtual std::uint64_t GetLength() const;
  virtual void Flush();
  virtual void Close();  // throws when the close reports a write error
  virtual void Abort();  // closes without reporting errors
  BOOL IsOpen() const { return m_fd >= 0; }
  const std::string& GetFilePath() const { return m_strFileName; }

 protected:
  int m_fd = -1;
  std::string m_strFileName;
};

// ---------------------------------------------------------------------------------------
// Progress reporting: a host window that receives WM_COMMAND(m_progressCmd, 0) for each
// step of a long operation and may set CPics::m_bAbort from its handler.
// ---------------------------------------------------------------------------------------
constexpr UINT WM_COMMAND = 0x0111;

class GRAPHICS_API CWnd {
 public:
  virtual ~CWnd() = default;
  virtual LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) = 0;
};

// ---------------------------------------------------------------------------------------
// Geometry and filter kernels (transforms, filters, tracing)
// ---------------------------------------------------------------------------------------
struct POINT {
  LONG x;
  LONG y;
};
struct SIZE {
  LONG cx;
  LONG cy;
};
struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

// A 3 x 3 kernel: coefficients row by row (k[4] the centre), then divisor and offset.
struct IMGFILTER3X3 {
  std::int32_t k[9];
  std::int32_t divisor;
  std::int32_t offset;
};
// A 5 x 5 kernel: coefficients row by row (k[12] the centre), then divisor and offset.
struct IMGFILTER5X5 {
  std::int32_t k[25];
  std::int32_t divisor;
  std::int32_t offset;
};
static_assert(sizeof(IMGFILTER3X3) == 44 && sizeof(IMGFILTER5X5) == 108);

namespace graphics {
class AutoTrace;
}

// ---------------------------------------------------------------------------------------
// Drawing devices: a software device context with compatible bitmaps, DIB sections,
// block transfers, stretching, pens and palettes (the display operations pictures are
// drawn and captured with). Device contexts use pixel coordinates only (MM_TEXT).
// ---------------------------------------------------------------------------------------
struct DeviceContextObject;
struct BitmapObject;
struct PenObject;
struct WindowObject;
using HDC = DeviceContextObject*;
using HBITMAP = BitmapObject*;
using HPEN = PenObject*;
using HWND = WindowObject*;

#pragma pack(push, 1)
struct BITMAP {
  LONG bmType;  // 0
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;  // bytes of one row
  WORD bmPlanes;
  WORD bmBitsPixel;
  void* bmBits;  // the pixels of a DIB section, else null
};
#pragma pack(pop)
struct DIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;  // biSizeImage holds the size of the section's bits
  DWORD dsBitfields[3];
  HANDLE dshSection;
  DWORD dsOffset;
};

// Raster operations that the device context carries out.
constexpr DWORD SRCCOPY = 0x00CC0020;    // destination = source
constexpr DWORD SRCPAINT = 0x00EE0086;   // destination = source OR destination
constexpr DWORD SRCAND = 0x008800C6;     // destination = source AND destination
constexpr DWORD SRCINVERT = 0x00660046;  // destination = source XOR destination
constexpr DWORD BLACKNESS = 0x00000042;  // destination = 0 (black)
constexpr DWORD WHITENESS = 0x00FF0062;  // destination = all bits set (white)

// Stretch mode: only colour-on-colour (rows and columns dropped or repeated) is built.
constexpr int COLORONCOLOR = 3;
constexpr int STRETCH_DELETESCANS = COLORONCOLOR;

constexpr UINT DIB_RGB_COLORS = 0;  // colour tables hold RGBQUAD colours
constexpr int PS_SOLID = 0;

// GetDeviceCaps indexes and raster capability bits.
constexpr int HORZRES = 8, VERTRES = 10, BITSPIXEL = 12, PLANES = 14, NUMCOLORS = 24,
              RASTERCAPS = 38, SIZEPALETTE = 104, NUMRESERVED = 106, COLORRES = 108;
constexpr int RC_BITBLT = 0x0001, RC_BITMAP64 = 0x0008, RC_DI_BITMAP = 0x0080, RC_PALETTE = 0x0100,
              RC_DIBTODEV = 0x0200, RC_STRETCHBLT = 0x0800, RC_STRETCHDIB = 0x2000;

// Results of GetClipBox.
constexpr int RGN_ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2;

// The screen's context: GetDC(nullptr) describes the display (see the display facts) but
// has no pixels of its own; draw into memory contexts. Other windows give nullptr.
GRAPHICS_API HDC GetDC(HWND window);
GRAPHICS_API int ReleaseDC(HWND window, HDC dc);
// A memory context with the depth of the given context (the screen for nullptr); it
// holds a 1 x 1 monochrome bitmap until another bitmap is selected.
GRAPHICS_API HDC CreateCompatibleDC(HDC reference);
GRAPHICS_API BOOL DeleteDC(HDC dc);  // deletes a memory context, not its selected bitmap

// A bitmap in the format of the context's selected bitmap (a memory context) or of the
// display (the screen). nullptr for sides below 1 or absurd sizes.
GRAPHICS_API HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// A device bitmap of 1, 2, 4, 8, 16, 24 or 32 bits (one plane), bits packed in rows of an
// even number of bytes, top row first; nullptr bits leave it black (index 0).
GRAPHICS_API HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel,
                                  const void* bits);
// A DIB section: a bitmap whose pixels are a bottom-up DIB that the caller reaches
// through *bits (rows padded to 4 bytes, zero-filled). 1, 4, 8, 16, 24 and 32 bits,
// uncompressed, positive heights. The colour table is taken from info.
GRAPHICS_API HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                                      HANDLE section, DWORD offset);
// Replaces the context's bitmap (memory contexts only) and returns the previous one, or
// nullptr when refused (a bitmap selected into another context).
GRAPHICS_API HBITMAP SelectObject(HDC dc, HBITMAP bitmap);
GRAPHICS_API HPEN SelectObject(HDC dc, HPEN pen);
GRAPHICS_API BOOL DeleteObject(HBITMAP bitmap);  // FALSE while selected into a context
GRAPHICS_API BOOL DeleteObject(HPEN pen);        // FALSE while selected into a context
// Fills a BITMAP (or, for a DIB section and size >= sizeof(DIBSECTION), a DIBSECTION);
// returns the bytes written, 0 on failure.
GRAPHICS_API int GetObject(HBITMAP bitmap, int size, void* out);
GRAPHICS_API HBITMAP GetCurrentBitmap(HDC dc);
// Colour table of a DIB section of 8 bits or less; return the entries set or read.
GRAPHICS_API UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors);
GRAPHICS_API UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors);

// Reads lines [start, start + lines) (bottom-up) of a bitmap in the DIB format of
// info->bmiHeader (1, 4, 8, 24 or 32 bits). With a null bits pointer only the header is
// completed (biSizeImage). The colour table of a palette format comes from the
// context's selected palette (8 bits), the 16 VGA colours (4 bits) or black and white
// (1 bit). Returns the number of lines, 0 on failure. The bitmap must not be selected
// into another context than dc.
GRAPHICS_API int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits,
                           BITMAPINFO* info, UINT usage);

// Stretches (colour-on-colour) a packed DIB's rectangle into the context. Source y counts
// from the bottom row as stored. Sizes must be positive. Returns the number of source
// lines, 0 when nothing was drawn.
GRAPHICS_API int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight,
                               int xSrc, int ySrc, int srcWidth, int srcHeight, const void* bits,
                               const BITMAPINFO* info, UINT usage, DWORD rop);
GRAPHICS_API BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int xSrc,
                         int ySrc, DWORD rop);
GRAPHICS_API BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int xSrc,
                             int ySrc, int srcWidth, int srcHeight, DWORD rop);
GRAPHICS_API BOOL PatBlt(HDC dc, int x, int y, int width, int height,
                         DWORD rop);                   // BLACKNESS, WHITENESS
GRAPHICS_API int SetStretchBltMode(HDC dc, int mode);  // previous mode; 0 for a mode not built
GRAPHICS_API int GetStretchBltMode(HDC dc);

// Colours used when monochrome and colour bitmaps meet: colour to monochrome sets the
// pixels of the source's background colour; monochrome to colour draws 0 bits in the
// destination's text colour and 1 bits in its background colour.
GRAPHICS_API COLORREF SetTextColor(HDC dc, COLORREF color);  // previous colour
GRAPHICS_API COLORREF SetBkColor(HDC dc, COLORREF color);    // previous colour
GRAPHICS_API COLORREF GetTextColor(HDC dc);
GRAPHICS_API COLORREF GetBkColor(HDC dc);
GRAPHICS_API COLORREF GetPixel(HDC dc, int x, int y);  // 0xFFFFFFFF outside the clip box
GRAPHICS_API COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);  // colour set, or 0xFFFFFFFF

// Solid pens and lines (square pen ends; the end point is not drawn).
GRAPHICS_API HPEN CreatePen(int style, int width, COLORREF color);  // PS_SOLID only
GRAPHICS_API BOOL MoveToEx(HDC dc, int x, int y, POINT* previous);
GRAPHICS_API BOOL LineTo(HDC dc, int x, int y);

// Palettes of a context. The context keeps a copy of the selected palette's entries.
// The default palette is a stock object: never delete it.
GRAPHICS_API HPALETTE GetDefaultPalette();
GRAPHICS_API HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground);
// Maps the selected palette into the display's system palette (palette displays) and
// returns the number of entries newly mapped.
GRAPHICS_API UINT RealizePalette(HDC dc);
GRAPHICS_API HPALETTE GetCurrentPalette(HDC dc);

GRAPHICS_API int GetDeviceCaps(HDC dc, int index);
// The visible area: the selected bitmap (a memory context) or the display, cut by the
// clip rectangle; NULLREGION when empty.
GRAPHICS_API int GetClipBox(HDC dc, RECT* box);
GRAPHICS_API int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
GRAPHICS_API BOOL DPtoLP(HDC dc, POINT* points, int count);

// Framework-style wrappers that the picture class takes.
class GRAPHICS_API CPalette {
 public:
  CPalette() = default;
  explicit CPalette(HPALETTE handle, bool owned = false) : m_hObject(handle), m_bOwned(owned) {}
  CPalette(const CPalette&) = delete;
  CPalette& operator=(const CPalette&) = delete;
  ~CPalette();
  BOOL CreatePalette(const LOGPALETTE* description);
  BOOL DeleteObject();
  void Attach(HPALETTE handle) {
    m_hObject = handle;
    m_bOwned = true;
  }
  HPALETTE Detach();
  HPALETTE GetSafeHandle() const { return m_hObject; }
  operator HPALETTE() const { return m_hObject; }

  HPALETTE m_hObject = nullptr;

 private:
  bool m_bOwned = false;
};

class GRAPHICS_API CDC {
 public:
  CDC();
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;
  ~CDC();                                   // deletes a context made by CreateCompatibleDC
  BOOL CreateCompatibleDC(CDC* reference);  // nullptr: compatible with the screen
  BOOL DeleteDC();
  void Attach(HDC dc);  // borrows a context; it is not deleted by this object
  HDC Detach();
  HDC GetSafeHdc() const { return m_hDC; }
  // The returned wrapper of the previously selected palette belongs to this object.
  CPalette* SelectPalette(CPalette* palette, BOOL forceBackground);
  UINT RealizePalette();

  HDC m_hDC = nullptr;

 private:
  bool m_bOwned = false;
  struct PaletteWrappers;
  std::unique_ptr<PaletteWrappers> m_pOldPalettes;
};

// ---------------------------------------------------------------------------------------
// TIFF and PNG: decoding errors and the save options of DIB sections
// ---------------------------------------------------------------------------------------
// Error codes carried by CTextException.
enum DecoderErrorCode : int {
  DecoderErrLibrary = 1,       // the TIFF library refused the data
  DecoderErrPathNotFound = 3,  // a folder of the file's path does not exist
  DecoderErrFileNotFound = 4,  // the file does not exist (or another open error)
  DecoderErrAccessDenied = 5,  // access denied, sharing violation, or not mappable
  DecoderErrNotCompiled = 6,   // a recognised type that is not decoded here
  DecoderErrUnknownType = 8,   // the type is not recognised
  DecoderErrNoMemory = 10,     // memory for decoding ran out
  DecoderErrEndOfFile = 11,    // an embedded picture lies beyond the data
};

// A decoding error: thrown by value from TIFF decoding, through OpenPicture, to the host.
class GRAPHICS_API CTextException : public std::exception {
 public:
  CTextException(int code, const char* text);
  CTextException(const CTextException& other);
  CTextException& operator=(const CTextException& other);
  ~CTextException() override;
  int GetCode() const { return m_code; }
  const char* GetText() const { return m_text.c_str(); }
  const char* what() const noexcept override { return m_text.c_str(); }

 private:
  int m_code;
  std::string m_text;
};

// Options of CPics::SaveDIBSECTIONasPNG. Colours are 0x00BBGGRR.
struct PNGSaveOptions {
  std::int32_t interlace;    // non-zero: Adam7
  std::int32_t transparent;  // non-zero: write transparentColor as transparent
  std::int32_t background;   // non-zero: write a background chunk
  COLORREF transparentColor;
  COLORREF backgroundColor;
  std::int32_t bitDepthLimit;  // samples deeper than this are reduced to it
};

// Options of CPics::SaveDIBSECTIONasTIF.
struct TIFSaveOptions {
  std::int32_t imageType;    // 0 black and white, 1 grey 4 bits, 2 grey 8 bits, 3 RGB,
                             // 4..6 palette, 7 separated (CMYK)
  std::int32_t compression;  // 0 none, 1 PackBits, 2 CCITT MH, 3 LZW, 4 CCITT G3, 5 CCITT G4
};
static_assert(sizeof(PNGSaveOptions) == 24 && sizeof(TIFSaveOptions) == 8);

// --- GIF: options of CPics::SaveDIBSECTIONasGIF -------------------------------------------
struct GIFSaveOptions {
  std::int32_t transparent;  // non-zero: the colour below becomes the transparent index
  std::int32_t interlace;    // non-zero: rows in the four interlace passes
  std::int32_t green;        // the transparent colour: green, blue, red
  std::int32_t blue;
  std::int32_t red;
};
static_assert(sizeof(GIFSaveOptions) == 20);

// ---------------------------------------------------------------------------------------
// Picture types
// ---------------------------------------------------------------------------------------
enum PictureTypeCode : short {
  PictureByExtension = -1,  // as an argument: take the type from the file name's extension
  PictureUnknown = 0,
  PictureBMP = 1,
  PictureGIF = 2,
  PicturePCX = 3,
  PictureJPEG = 4,
  PictureTGA = 5,
  PictureTIFF = 6,
  PictureXBM = 7,
  PicturePNG = 8,
};

// ---------------------------------------------------------------------------------------
// The picture object. One object holds one picture as a packed DIB in m_hDIB. Format
// objects are made only by the factories (OpenPicture, CreatePicture) and released with
// ClosePicture.
// ---------------------------------------------------------------------------------------
class GRAPHICS_API CPics {
 public:
  CPics();
  CPics(const CPics& other);  // member-by-member: the copy shares handles with its source
  virtual ~CPics();
  void operator=(const CPics& source);  // independent copy of the picture

  // Virtual operations, in slot order after the destructor.
  virtual int SavePicture(CFile* file);  // writes a BMP file at the file's position
  virtual int SavePicture(const char* name, short type);
  virtual void AssignPicture(CPics* target);
  virtual int LoadPicture(short dither);

  // --- DIB accessors (on a locked packed DIB) -----------------------------------------
  static DWORD DIBHeaderSize(const void* dib);
  static int DIBWidth(const void* dib);
  static int DIBHeight(const void* dib);
  static int DIBBitPlanes(const void* dib);
  static int DIBBitsPerPixel(const void* dib);
  static int DIBNumberOfColors(const void* dib);
  static DWORD DIBByteWidth(const void* dib);
  static DWORD DIBPaletteSize(const void* dib);
  static BYTE* DIBPalettePtr(void* dib);
  static const BYTE* DIBPalettePtr(const void* dib);
  static BYTE* DIBImagePtr(void* dib);
  static const BYTE* DIBImagePtr(const void* dib);
  static void DIBGetPalette(const void* dib, BYTE* rgbOut);
  static void GetDIBPalette(HGLOBAL hDIB, BYTE* rgbOut);
  static HGLOBAL CopyDIB(const void* dib);
  static int GetPixel(HGLOBAL hDIB, int x, int y, BYTE* red, BYTE* green, BYTE* blue);
  static int SetPixel(HGLOBAL hDIB, int x, int y, BYTE red, BYTE green, BYTE blue);
  static int FillDIB(HGLOBAL hDIB, BYTE red, BYTE green, BYTE blue);

  // --- Factories ------------------------------------------------------------------------
  static short PictureType(const char* fileName);
  static short PictureType(CFile* file);
  static CPics* OpenPicture(const char* name, short dither = 0,
                            const char* decoderOptions = nullptr);
  static CPics* OpenPicture(CFile* file, short dither = 0, const char* decoderOptions = nullptr);
  static CPics* CreatePicture(const char* name, short type);
  static CPics* CreatePicture(HGLOBAL hDIB, short type, short dither);
  static void ClosePicture(CPics* picture);
  static short TypeFromExtension(const char* name);  // -1 when the extension is not known

  // --- Loading, saving, object facts -----------------------------------------------------
  int SavePictureAs(const char* name, short type);
  int GetDIBHeader();
  void CreateImageBuffer(unsigned char* pixels);
  void CreateImagePalette();
  void SetDecoderOptions(const char* options);
  void SetEncoderOptions(const char* options);
  HPALETTE GetHPalette() const { return m_hPalette; }
  int IsPictureDisabled() const;
  int GetDibSize() const;
  int CopyDib(unsigned char* destination) const;
  // Unpacks a packed DIB to one byte per pixel, top row first. For 24-bit pictures the
  // indices refer to a 256-colour median-cut palette, written to paletteOut (768 bytes,
  // red, green, blue triplets) when given.
  int GetPictureBits(const void* dib, void* destination, BYTE* paletteOut = nullptr);
  int Inside(int x, int y) const;
  int GetIndex(int x, int y) const;
  int GetRGB(int x, int y, unsigned char* red, unsigned char* green, unsigned char* blue) const;
  DWORD GetPixel(int x, int y) const;

  // --- Palettes for the display ---------------------------------------------------------
  static HPALETTE CreateStandardPalettes();  // the 216-colour cube; owned by the caller

  // --- Colour depth conversion and dithering ------------------------------------------------
  int ConvertTo24BPP();
  static int ConvertTo24BPP(HGLOBAL* phDIB);
  int ConvertTo8BPP();
  static int ConvertTo8BPP(HGLOBAL* phDIB);
  int ConvertToGray(int reuse);
  static int ConvertToGray(HGLOBAL* phDIB);
  int ConvertToBlackAndWhite(int threshold, int reuse);
  static int ConvertToBlackAndWhite(HGLOBAL* phDIB, int threshold);
  static int SetColorDepth(HGLOBAL* phDIB, int n, unsigned char* palette);
  static HGLOBAL ConvertDIBFormat(BITMAPINFO* source, unsigned width, unsigned height,
                                  unsigned bitCount, int stretch);
  int CreateDitherImage();
  static void SetProgressDlg(CWnd* dlg, unsigned cmd, int partdone, int partend);

  // --- Library-wide settings ----------------------------------------------------------------
  static int GifImageDisplayEnable;     // non-zero: every GIF picture is shown
  static int GifImageSaveEnable;        // 0: GIF pictures can be neither saved nor copied out
  static HGLOBAL GifImageDIB;           // placeholder shown in place of a disabled GIF
  static COLORREF GifImageFrameColor;   // frame round a disabled GIF
  static short GifImageFrameThickness;  // frame pen width; 0 or less: no frame

  // Progress reporting of long operations (see SetProgressDlg).
  static CWnd* m_pProgressDlg;
  static UINT m_progressCmd;
  static int m_bAbort;
  static int m_progress;
  static int m_total;
  static int m_partdone;
  static int m_partend;
  static int m_togo;

  // --- Transforms, filters, thinning, colour selection, contours and tracing -----------
  int RotateCW(float angle);  // any angle, clockwise on screen; the picture becomes 24-bit
  int RotateCW();             // quarter turn clockwise; the picture becomes 24-bit
  int RotateCCW();            // quarter turn counter-clockwise; the picture becomes 24-bit
  int FlipHorz();
  int FlipVert();
  int Resize(float factor);
  int Crop(POINT origin, SIZE size);
  static int Crop(HGLOBAL* phDIB, POINT origin, SIZE size);
  int ImageFilter3X3(int index, IMGFILTER3X3* kernel, int strength);
  int ImageFilter(int index, IMGFILTER5X5* kernel, int strength);
  static int ImageFilter(HGLOBAL* phDIB, int index, IMGFILTER5X5* kernel, int strength);
  int AdjustBrightnessContrast(int brightness, int contrast);
  static int ThinImage(HGLOBAL* phDIB, int passes);
  static int ColorSelection(HGLOBAL* phDIB, COLORREF replacement, COLORREF* colors, int count,
                            int tolerance);
  static int ContourDetection(HGLOBAL* phDIB, int reduce, int thresholdPercent, int mode,
                              int passes);
  static int BeginAutoTrace(HGLOBAL hDIB, int reduce, int thresholdPercent, int minLineSize,
                            int mode, int passes);
  static int GetNextLine(POINT* points, int* count, int maxCount);
  static int GetNextLine(float* xs, float* ys, int* count, int maxCount, RECT* rect,
                         int mergeLimit);
  static void EndAutoTrace();
  static graphics::AutoTrace* m_pAutoTrace;  // the one active tracer, or null

  // --- JPEG through the compression front end --------------------------------------------
  // Compresses a BMP file to JPEG with the compression command line's switches: argv[0]
  // is the program name, then the switches, the BMP file and the JPEG file. 1 on success.
  static int JpegEncoder(int argc, char** argv);

  // --- Display, palettes and capture -------------------------------------------------------
  // Selects the picture's palette (its own with m_bNoDither, else the standard one) into
  // the context and realises it; the previous palette goes to *oldPalette. Entries mapped.
  UINT SetPal(CDC* dc, CPalette** oldPalette, int background);
  static int PaintDIB(CDC* dc, HGLOBAL hDIB, const RECT* rect, int transparent,
                      DWORD transparentColor, short type, int enabled);
  int DisplayPicture(CDC* dc, const RECT* rect = nullptr);
  static int DisplayDIB(CDC* dc, HGLOBAL hDIB, const RECT* rect, const RECT* visible, short type,
                        int enabled);
  int DisplayPictureNew(CDC* dc, const RECT* rect = nullptr);
  int GetPicture(CDC* dc, RECT rect);
  static CPics* NewPicture(CDC* device, RECT rect, const char* name, short type);
  // A new DIB (owned by the caller) of a device bitmap; nullptr on failure.
  static HGLOBAL BitmapToDIB(HBITMAP bitmap, HPALETTE palette, DWORD* size);

  // --- TIFF and PNG: writing DIB sections ------------------------------------------------
  // Write a DIB section as TIFF or PNG with the given options and colour table (palette
  // images). 1 on success, 0 on failure.
  static int SaveDIBSECTIONasTIF(HBITMAP bitmap, const char* path, TIFSaveOptions* options,
                                 RGBQUAD* colors, int colorCount);
  static int SaveDIBSECTIONasPNG(HBITMAP bitmap, const char* path, PNGSaveOptions* options,
                                 RGBQUAD* colors, int colorCount);

  // --- GIF: writing DIB sections ------------------------------------------------------------
  // Writes an 8-bit DIB section as GIF with the caller's colour table. 1 on success, 0
  // for another depth or when the file cannot be written.
  static int SaveDIBSECTIONasGIF(HBITMAP bitmap, const char* path, GIFSaveOptions* options,
                                 RGBQUAD* colors, int colorCount);

  // --- The object's state ---------------------------------------------------------------
  HPALETTE m_hPalette;     // made from m_PaletteBuffer; owned
  HPALETTE m_hStdPalette;  // the standard palette; owned
  int m_bTransparent;
  COLORREF m_transparentColor;
  // PNG save settings (TIFF and PNG section): set by the host, never by the library.
  int m_bPngInterlace = 0;   // non-zero: Adam7
  int m_bPngBackground = 0;  // non-zero: write m_pngBackgroundColor as background
  COLORREF m_pngBackgroundColor = 0;
  int m_pngBitDepthLimit = 0;  // 1: write a 1-bit picture when deeper
  char m_szDecoderOptions[260];
  char m_szEncoderOptions[260];
  int m_bReadFile;       // 1: made to read an existing file
  int m_bPaletteDevice;  // the display is a palette device
  short m_planes;
  short m_bitsPerPixel;
  short m_numColors;
  int m_byteWidth;  // 32 bits: a 24-bit row may exceed 32767 bytes
  short m_width;
  short m_height;
  short m_xPos;
  short m_yPos;
  short m_devPlanes;
  short m_devBitsPerPixel;
  short m_devHorzRes;
  short m_devVertRes;
  short m_devColors;
  DWORD m_dibSize;
  short m_type;
  short m_dither;
  short m_bLoaded;
  short m_bHaveDIB;
  BYTE* m_pWorkBuffer;  // row assembly buffer of some readers; null outside a load
  HGLOBAL m_hWorkBuffer;
  HGLOBAL m_hDIB;         // the picture; owned
  BYTE* m_PaletteBuffer;  // 256 red, green, blue triplets (768 bytes, new[]); owned
  char m_szFileName[260];
  int m_bNoDither;
  int m_bEnabled;
};
