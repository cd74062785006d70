#include "graphics/formats/jpeg/jpeg.h"

#include <dlfcn.h>

#include <cstring>
#include <memory>
#include <vector>

#include "graphics/core/dib_block.h"
#include "graphics/core/dib_file_writer.h"
#include "graphics/formats/jpeg/cjpeg_main.h"
#include "graphics/formats/jpeg/jpeg_temp_file.h"

namespace graphics {
namespace {

struct PictureCloser {
  void operator()(CPics* picture) const { CPics::ClosePicture(picture); }
};

// Copies what the open file holds from its position on into a new file.
void CopyToFile(CFile& source, const std::string& target) {
  CFile copy(target.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
  std::vector<BYTE> buffer(1 << 16);
  for (;;) {
    const UINT got = source.Read(buffer.data(), static_cast<UINT>(buffer.size()));
    if (got == 0) break;
    copy.Write(buffer.data(), got);
  }
  copy.Close();
}

}  // namespace

CPics* MakeJpegByName(const char* name, int readFlag, const char* decoderOptions) {
  return new CJPG(name, readFlag, decoderOptions);
}

CPics* MakeJpegByFile(CFile* file, int readFlag, const char* decoderOptions) {
  return new CJPG(file, readFlag, decoderOptions);
}

int LoadJpegFromFile(CPics* picture, CFile* /*file*/, short dither) {
  return picture->LoadPicture(dither);  // the constructor already decoded the open file
}

ArgumentVector DecodeArguments(const char* options, const std::string& jpegName,
                               const std::string& bmpName) {
  ArgumentVector args;
  args.Add("Corvane");
  args.Add("-bmp");
  args.Add(SplitOptionWords(options));
  args.Add(jpegName);
  args.Add(bmpName);
  return args;
}

JpegDecodeLimits& PictureDecodeLimits() {
  // A real progressive file has a few dozen scans at most; thousands of near-empty
  // scans only make a small file take minutes to decode.
  static JpegDecodeLimits limits{32767, 1000, 0};
  return limits;
}

std::string LibraryModulePath() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&LibraryModulePath), &info) == 0 ||
      info.dli_fname == nullptr)
    return "Graphics";
  return info.dli_fname;
}

CJPG::CJPG(const char* name, int readFlag, const char* decoderOptions) {
  m_bReadFile = readFlag;
  m_type = PictureJPEG;
  if (decoderOptions != nullptr && *decoderOptions != '\0') SetDecoderOptions(decoderOptions);
  if (name != nullptr) std::strncpy(m_szFileName, name, sizeof m_szFileName - 1);
}

CJPG::CJPG(CFile* file, int readFlag, const char* decoderOptions) {
  m_bReadFile = readFlag;
  m_type = PictureJPEG;
  if (decoderOptions != nullptr && *decoderOptions != '\0') SetDecoderOptions(decoderOptions);
  if (file != nullptr && readFlag) DecodeOpenFile(*file);
  m_type = PictureJPEG;
}

CJPG::~CJPG() = default;

int CJPG::LoadOpenedFile(PictureFile& file, short dither) {
  {
    const TemporaryFile bmp("_W_");
    if (!bmp.Created()) return 0;
    const PictureFile::Stream input = file.StreamFromStart();
    if (!input) return 0;
    DecodeThrough(m_szFileName, bmp.Name(), input.get());
  }
  m_type = PictureJPEG;  // the decoded BMP picture's type was assigned in on the way
  return LoadPicture(dither);
}

void CJPG::DecodeOpenFile(CFile& file) {
  file.SeekToBegin();
  const TemporaryFile bmp("_W_");
  const TemporaryFile jpeg("_JP");
  if (!bmp.Created() || !jpeg.Created()) return;
  CopyToFile(file, jpeg.Name());
  DecodeThrough(jpeg.Name(), bmp.Name());
  file.SeekToBegin();
}

bool& JpegInProcess() {
  static bool inProcess = true;
  return inProcess;
}

bool CJPG::DecodeThrough(const std::string& jpegName, const std::string& bmpName,
                         std::FILE* input) {
  ArgumentVector args = DecodeArguments(m_szDecoderOptions, jpegName, bmpName);
  if (JpegInProcess()) {
    bool handled = false;
    HGLOBAL dib = DjpegToDib(args.Count(), args.Pointers(), PictureDecodeLimits(), &handled, input);
    if (handled) return dib != nullptr && TakeDecodedDib(dib);
  }
  if (!DjpegMain(args.Count(), args.Pointers(), PictureDecodeLimits(), input)) return false;
  std::unique_ptr<CPics, PictureCloser> decoded(OpenPicture(bmpName.c_str(), 0, nullptr));
  if (!decoded) return false;
  // The assignment copies the decoded BMP picture's option strings too; the object
  // keeps the ones it was given.
  const std::string decoderOptions = m_szDecoderOptions, encoderOptions = m_szEncoderOptions;
  decoded->AssignPicture(this);
  decoded.reset();
  SetDecoderOptions(decoderOptions.c_str());
  SetEncoderOptions(encoderOptions.c_str());
  m_bHaveDIB = 1;
  GetDIBHeader();
  return true;
}

bool CJPG::TakeDecodedDib(HGLOBAL dib) {
  // What the BMP picture's assignment would leave: the DIB and its facts; loading
  // then makes the palettes from it.
  ReplaceDib(m_hDIB, DibHandle(dib));
  m_bHaveDIB = 1;
  return GetDIBHeader() != 0;
}

int CJPG::LoadPicture(short dither) {
  if (!m_bHaveDIB || m_hDIB == nullptr) return 0;
  return CPics::LoadPicture(dither);
}

int CJPG::SavePicture(const char* name, short /*type*/) {
  if (!m_bLoaded || m_hDIB == nullptr) return 0;
  const std::string output = name != nullptr ? name : m_szFileName;
  // The compressor's command line, with the BMP file when there is one.
  const auto arguments = [&](const std::string* bmp) {
    ArgumentVector args;
    args.Add(LibraryModulePath());
    args.Add(SplitOptionWords(m_szEncoderOptions));
    if (bmp != nullptr) args.Add(*bmp);
    args.Add(output);
    return args;
  };
  if (JpegInProcess()) {
    ArgumentVector args = arguments(nullptr);
    bool handled = false;
    const int saved = CjpegFromDib(args.Count(), args.Pointers(), m_hDIB, &handled);
    if (handled) return saved != 0 ? 1 : 0;
  }
  const TemporaryFile bmp("_W_");
  if (!bmp.Created()) return 0;
  {
    CFile file;
    if (!file.Open(bmp.Name().c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary))
      return 0;
    if (!WriteDibAsBmp(file, m_hDIB)) return 0;  // write failures throw CFileException
    file.Close();
  }
  ArgumentVector args = arguments(&bmp.Name());
  return JpegEncoder(args.Count(), args.Pointers()) != 0 ? 1 : 0;
}

}  // namespace graphics

int CPics::JpegEncoder(int argc, char** argv) { return graphics::CjpegMain(argc, argv); }
