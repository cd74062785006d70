// The decoder hierarchy: a decoder turns a byte source into a framework bitmap or
// throws CTextException. CAnyPicDecoder tells file types apart by their first bytes
// and hands over to the decoder of the type; only TIFF is decoded this way.
#pragma once

#include <memory>

#include "Pics.h"
#include "graphics/formats/coder/data_source.h"
#include "graphics/formats/coder/framework_bitmap.h"
#include "graphics/formats/coder/framework_object.h"

namespace graphics {

class CPicDecoder : public CObject {
 public:
  CPicDecoder() = default;
  CPicDecoder(const CPicDecoder&) = delete;
  CPicDecoder& operator=(const CPicDecoder&) = delete;
  ~CPicDecoder() override;  // also turns file tracing off
  const RuntimeClass* GetRuntimeClass() const override;

  // Decodes the file into bmp; destBPP 0 keeps the decoded depth.
  virtual void MakeBmpFromFile(const char* fileName, CBmp* bmp, int destBPP = 0);
  // Decodes a file mapped already (CFileSource::Map) from its start.
  void MakeBmpFromMapped(CFileSource* file, CBmp* bmp, int destBPP = 0);
  // Decodes an open source from its read pointer.
  virtual void MakeBmp(CDataSource* source, CBmp* bmp, int destBPP = 0);

  static void SetTraceConfig(int level, const char* fileName);
  static void Trace(int level, const char* text);
  // Traces "Decoder error: <text>" at level 0 and throws it with the code.
  [[noreturn]] static void RaiseError(int code, const char* text);

  bool IsBusy() const { return m_busy; }

 protected:
  // The format step: reads m_source and fills m_bmp.
  virtual void DoDecode();

  // The depth to decode to: the caller's, or 32 above 8 source bits and 8 otherwise.
  int ChooseDestBPP(int sourceBPP);
  // Expands one row of `pixels` palette indices of 1, 2, 4 or 8 bits (first pixel in
  // the high bits) to 32-bit pixels through the run's palette table.
  void ExpandIndexRow(const BYTE* source, int bits, int pixels, RGBQUAD* dest) const;

  CDataSource* m_source = nullptr;
  CBmp* m_bmp = nullptr;
  std::unique_ptr<RGBQUAD[]> m_palette;  // the run's palette table, null outside a run
  int m_destBPP = 0;
  bool m_busy = false;
};

class CTIFFDecoder : public CPicDecoder {
 public:
  const RuntimeClass* GetRuntimeClass() const override;

 protected:
  void DoDecode() override;

 private:
  void DecodeLowColor(void* tiff);
  void DecodeHighColor(void* tiff);
  bool DecodeChunkyRgb(void* tiff);
};

class CAnyPicDecoder : public CPicDecoder {
 public:
  CAnyPicDecoder();
  ~CAnyPicDecoder() override;
  const RuntimeClass* GetRuntimeClass() const override;

  void MakeBmp(CDataSource* source, CBmp* bmp, int destBPP = 0) override;

 private:
  std::unique_ptr<CTIFFDecoder> m_tiffDecoder;
};

}  // namespace graphics
