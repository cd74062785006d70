#include "graphics/formats/coder/pic_decoder.h"

#include <cstdio>
#include <string>

#include "graphics/formats/coder/decoder_trace.h"

namespace graphics {

GRAPHICS_RUNTIME_CLASS(CPicDecoder)

CPicDecoder::~CPicDecoder() { ClearDecoderTraceFile(); }

void CPicDecoder::SetTraceConfig(int level, const char* fileName) {
  SetDecoderTrace(level, fileName);
}

void CPicDecoder::Trace(int level, const char* text) { DecoderTrace(level, text); }

void CPicDecoder::RaiseError(int code, const char* text) {
  const std::string line = std::string("Decoder error: ") + (text != nullptr ? text : "") + "\n";
  Trace(0, line.c_str());
  throw CTextException(code, line.c_str());
}

namespace {
void TraceFileStart(const std::string& name) {
  CPicDecoder::Trace(1, ("--- Decoding file " + name + ". ---\n").c_str());
}
}  // namespace

void CPicDecoder::MakeBmpFromFile(const char* fileName, CBmp* bmp, int destBPP) {
  const std::string name = fileName != nullptr ? fileName : "";
  TraceFileStart(name);
  CFileSource source;  // released on every way out
  const int code = source.Open(fileName);
  if (code != 0) RaiseError(code, ("Opening " + name + " failed").c_str());
  MakeBmp(&source, bmp, destBPP);
}

void CPicDecoder::MakeBmpFromMapped(CFileSource* file, CBmp* bmp, int destBPP) {
  TraceFileStart(file->GetName());
  MakeBmp(file, bmp, destBPP);
}

void CPicDecoder::MakeBmp(CDataSource* source, CBmp* bmp, int destBPP) {
  m_source = source;
  m_bmp = bmp;
  m_destBPP = destBPP;
  m_palette.reset();
  m_busy = true;
  try {
    DoDecode();
  } catch (...) {
    m_palette.reset();
    m_busy = false;
    throw;
  }
  m_palette.reset();
  m_busy = false;
}

void CPicDecoder::DoDecode() {
  RaiseError(DecoderErrNotCompiled, "Library not compiled for this file type.");
}

int CPicDecoder::ChooseDestBPP(int sourceBPP) {
  if (m_destBPP == 0) m_destBPP = sourceBPP > 8 ? 32 : 8;
  return m_destBPP;
}

void CPicDecoder::ExpandIndexRow(const BYTE* source, int bits, int pixels, RGBQUAD* dest) const {
  if (m_palette == nullptr || (bits != 1 && bits != 2 && bits != 4 && bits != 8)) return;
  const int perByte = 8 / bits;
  const int mask = (1 << bits) - 1;
  const int whole = pixels / perByte;
  int x = 0;
  for (int i = 0; i < whole; ++i)
    for (int k = perByte - 1; k >= 0; --k) dest[x++] = m_palette[(source[i] >> (k * bits)) & mask];
  for (int k = perByte - 1; x < pixels; --k)
    dest[x++] = m_palette[(source[whole] >> (k * bits)) & mask];
}

GRAPHICS_RUNTIME_CLASS(CAnyPicDecoder)

CAnyPicDecoder::CAnyPicDecoder() : m_tiffDecoder(std::make_unique<CTIFFDecoder>()) {}

CAnyPicDecoder::~CAnyPicDecoder() = default;

}  // namespace graphics
