// The picture files the decompression front end writes. Each writer is told the
// decompression settings before the library starts (so it can ask for what its
// format needs), then gets the header facts, the rows top to bottom, and the end.
#pragma once

#include <memory>
#include <string>

#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>

#include "Pics.h"

namespace graphics {

enum class DecodedFormat { WindowsBmp, Os2Bmp, Gif, Pnm, Targa };

class DecodedImageWriter {
 public:
  virtual ~DecodedImageWriter() = default;
  // Called after the header is read and the switches are applied. False (with a
  // message in *error) when the format cannot hold this output.
  virtual bool Prepare(jpeg_decompress_struct& info, std::string* error) = 0;
  // Called once the library has started (dimensions and colour map are final).
  virtual void Begin(const jpeg_decompress_struct& info) = 0;
  // Where the library may decode row y (top row 0) in place; null: into a scratch row
  // that WriteRow then gets.
  virtual JSAMPLE* RowTarget(JDIMENSION /*y*/) { return nullptr; }
  // Row y (top row 0) of output_components samples a pixel.
  virtual void WriteRow(const jpeg_decompress_struct& info, JDIMENSION y, const JSAMPLE* row) = 0;
  virtual void Finish(const jpeg_decompress_struct& info) = 0;
  // The picture a memory writer made (owned by the caller from then on); null for the
  // file writers and before Finish.
  virtual HGLOBAL Take() { return nullptr; }
};

// Writers over an open output file; write failures throw CFileException.
std::unique_ptr<DecodedImageWriter> MakeBmpWriter(CFile& file, bool os2);
std::unique_ptr<DecodedImageWriter> MakeGifWriter(CFile& file);
std::unique_ptr<DecodedImageWriter> MakePnmWriter(CFile& file);
std::unique_ptr<DecodedImageWriter> MakeTargaWriter(CFile& file);

std::unique_ptr<DecodedImageWriter> MakeDecodedImageWriter(DecodedFormat format, CFile& file);
// The Windows BMP output as the packed DIB that reading that file gives (Take).
std::unique_ptr<DecodedImageWriter> MakeDibWriter();

// Helpers shared by the writers.
namespace decoded {

// True when the output is grey or RGB (the only kinds the writers take).
bool IsGreyOrRgb(const jpeg_decompress_struct& info);
// The colour of one output sample: a map index when quantising, a grey level or an
// RGB triple otherwise.
void SampleColour(const jpeg_decompress_struct& info, const JSAMPLE* pixel, BYTE rgb[3]);
// Collects small writes into larger ones.
class BufferedOutput {
 public:
  explicit BufferedOutput(CFile& file) : m_file(file) {}
  void Put(const void* data, std::size_t size);
  void PutByte(BYTE value) { Put(&value, 1); }
  void Flush();

 private:
  CFile& m_file;
  std::string m_buffer;
};

}  // namespace decoded
}  // namespace graphics
