// Fuzzes TGA loading through its decoder and the factories.
#include "coder_fuzz.h"
#include "graphics/formats/tga/tga_reader.h"
#include "graphics/formats/tga/tga_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const coder_fuzz::Coder coder{
      graphics::ReadTgaFile,
      [](CFile& sink, CPics& p) { graphics::WriteTgaFile(sink, p.m_hDIB, p.m_PaletteBuffer); },
      PictureTGA};
  return coder_fuzz::FuzzOneInput(coder, data, size);
}
