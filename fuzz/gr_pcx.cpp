// Fuzzes PCX loading through its decoder and the factories.
#include "coder_fuzz.h"
#include "graphics/formats/pcx/pcx_reader.h"
#include "graphics/formats/pcx/pcx_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const coder_fuzz::Coder coder{
      graphics::ReadPcxFile,
      [](CFile& sink, CPics& p) { graphics::WritePcxFile(sink, p.m_hDIB, p.m_PaletteBuffer); },
      PicturePCX};
  return coder_fuzz::FuzzOneInput(coder, data, size);
}
