// Fuzzes XBM loading through its decoder and the factories.
#include "coder_fuzz.h"
#include "graphics/formats/xbm/xbm_reader.h"
#include "graphics/formats/xbm/xbm_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const coder_fuzz::Coder coder{
      graphics::ReadXbmFile, [](CFile& sink, CPics& p) { graphics::WriteXbmFile(sink, p.m_hDIB); },
      PictureXBM};
  return coder_fuzz::FuzzOneInput(coder, data, size);
}
