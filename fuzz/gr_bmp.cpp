// Fuzzes BMP loading: the reader on its own and through the public factories (by name
// and from an open file, dithered), then touches the loaded picture the way a host
// would: pixel lookups and a save.
#include "coder_fuzz.h"
#include "graphics/formats/bmp/bmp_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const coder_fuzz::Coder coder{[](CFile& file) { return graphics::ReadBmpFile(file).dib; },
                                       [](CFile& sink, CPics& p) { p.SavePicture(&sink); },
                                       PictureBMP, 1};
  return coder_fuzz::FuzzOneInput(coder, data, size);
}
