// Recognition and hand-over: TIFF files (also the preview inside an EPS file) go to
// the TIFF decoder; every other type is refused with its own error.
#include "graphics/formats/coder/pic_decoder.h"
#include "graphics/formats/coder/pic_type_recognizer.h"

namespace graphics {

void CAnyPicDecoder::MakeBmp(CDataSource* source, CBmp* bmp, int destBPP) {
  const std::size_t used = static_cast<std::size_t>(source->ReadPos() - source->StartPos());
  switch (RecognizeType(source->ReadPos(), source->Size() - used)) {
    case DecoderFileType::kUnknown:
      RaiseError(DecoderErrUnknownType, "Unknown file type.");
    case DecoderFileType::kTiff:
      Trace(2, "TIFF file recognized.\n");
      m_tiffDecoder->MakeBmp(source, bmp, destBPP);
      return;
    case DecoderFileType::kEpsTiff: {
      Trace(2, "TIFF preview in EPS file recognized.\n");
      const BYTE* p = source->ReadPos() + 20;
      const std::size_t offset = std::size_t(p[0]) | std::size_t(p[1]) << 8 |
                                 std::size_t(p[2]) << 16 | std::size_t(p[3]) << 24;
      if (!source->Skip(offset))
        throw CTextException(DecoderErrEndOfFile, "End of file reached while decoding.\n");
      m_tiffDecoder->MakeBmp(source, bmp, destBPP);
      return;
    }
    default:
      RaiseError(DecoderErrNotCompiled, "Library not compiled for this file type.");
  }
}

}  // namespace graphics
