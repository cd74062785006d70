// Loads arbitrary bytes as a JPEG picture through the picture object: the content
// test, the decompression front end, the decoded BMP's reader and the load step.
// The first byte picks decoder switches, so quantising, scaling and the other output
// paths are reached too. Every run must leave the temporary folder as it found it.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "Pics.h"
#include "coder_fuzz.h"
#include "graphics/formats/jpeg/jpeg.h"

namespace {

std::string gFolder;  // private temporary folder of this process
std::string gInput;

const char* const kOptions[] = {"",
                                "-grayscale",
                                "-scale 1/2",
                                "-colors 64",
                                "-colors 16 -onepass -dither ordered",
                                "-nosmooth -dct fast",
                                "-dct float",
                                "-os2 -colors 200"};

bool FolderIsEmpty() {
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(gFolder))
    if (entry.path() != gInput) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char pattern[] = "/tmp/fuzz_gr_jpeg_XXXXXX";
  gFolder = ::mkdtemp(pattern);
  gInput = gFolder + "/input.jpg";
  ::setenv("TMPDIR", gFolder.c_str(), 1);
  // Small bounds keep a run quick; the paths taken are those of any size.
  graphics::JpegDecodeLimits& limits = graphics::PictureDecodeLimits();
  limits.maxOutputSide = 1024;
  limits.maxScans = 64;
  limits.maxMemory = 64L << 20;
  std::atexit([] { std::filesystem::remove_all(gFolder); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const char* options = kOptions[data[0] % (sizeof kOptions / sizeof kOptions[0])];
  {
    std::ofstream out(gInput, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
  }
  CPics* picture = nullptr;
  try {
    picture = CPics::OpenPicture(gInput.c_str(), static_cast<short>(data[0] >> 7), options);
  } catch (const CTextException&) {  // content that turns out to be TIFF
  }
  if (picture != nullptr) {
    if (picture->m_width <= 0 || picture->m_height <= 0 || picture->m_hDIB == nullptr) std::abort();
    if (*options == '\0' && data[0] >> 7 == 0) coder_fuzz::ExpectFactsOf(gInput, picture);
    CPics::ClosePicture(picture);
  }
  if (!FolderIsEmpty()) std::abort();  // a temporary file was left behind
  return 0;
}
