#include "graphics/formats/jpeg/cjpeg_main.h"

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "graphics/formats/jpeg/cjpeg_bmp_input.h"
#include "graphics/formats/jpeg/cjpeg_switches.h"
#include "graphics/formats/jpeg/jpeg_error_trap.h"
#include "graphics/platform/library_trace.h"
#include "graphics/platform/replacing_file.h"

namespace graphics {
namespace {

void Usage(const char* program) {
  if (!LibraryTraceOn()) return;
  std::fprintf(stderr,
               "usage: %s [switches] inputfile outputfile\n"
               "Switches (names may be abbreviated):\n"
               "  -quality N     Compression quality (0..100; 5-95 is useful range)\n"
               "  -grayscale     Create monochrome JPEG file\n"
               "  -optimize      Optimize Huffman table (smaller file, but slow compression)\n"
               "  -progressive   Create progressive JPEG file\n"
               "  -arithmetic    Use arithmetic coding\n"
               "  -dct int|fast|float  Choose the DCT method\n"
               "  -restart N     Set restart interval in rows, or in blocks with B\n"
               "  -smooth N      Smooth dithered input (N=1..100 is strength)\n"
               "  -maxmemory N   Maximum memory to use (in kbytes)\n"
               "  -outfile name  Specify name for output file\n"
               "  -verbose  or  -debug   Emit debug output\n"
               "  -baseline      Force baseline quantization tables\n"
               "  -qtables file  Use quantization tables given in file\n"
               "  -qslots N[,...]    Set component quantization tables\n"
               "  -sample HxV[,...]  Set component sampling factors\n"
               "  -scans file    Create multi-scan JPEG per script file\n",
               program);
}

// Everything one compression holds; see the note on the trapped body in jpeg_error_trap.h.
struct EncodeJob {
  JpegErrorTrap trap;
  jpeg_compress_struct info{};
  bool created = false;
  const CjpegSettings* settings = nullptr;
  const CjpegScripts* scripts = nullptr;
  const BmpInput* input = nullptr;
  std::vector<std::uint8_t> row;
  unsigned char* jpeg = nullptr;  // the compressed file, malloc'd by the library
  unsigned long jpegSize = 0;
  bool done = false;
};

void Encode(void* context) {
  EncodeJob& job = *static_cast<EncodeJob*>(context);
  jpeg_compress_struct& info = job.info;
  const BmpInput& input = *job.input;
  jpeg_create_compress(&info);
  job.created = true;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  info.image_width = static_cast<JDIMENSION>(input.Width());
  info.image_height = static_cast<JDIMENSION>(input.Height());
  info.input_components = input.Components();
  // Full-colour rows go to the library as they are stored, blue first.
  info.in_color_space = input.Grey() ? JCS_GRAYSCALE : input.StoredRow(0) ? JCS_EXT_BGR : JCS_RGB;
  jpeg_default_colorspace(&info);
  if (input.XPerMetre() > 0 && input.YPerMetre() > 0) {
    // The file's resolution, in dots per centimetre.
    info.X_density = static_cast<UINT16>(input.XPerMetre() / 100);
    info.Y_density = static_cast<UINT16>(input.YPerMetre() / 100);
    info.density_unit = 2;
  }
  ApplyCjpegSettings(*job.settings, *job.scripts, info);

  jpeg_mem_dest(&info, &job.jpeg, &job.jpegSize);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    const int y = static_cast<int>(info.next_scanline);
    JSAMPROW row = const_cast<JSAMPROW>(input.StoredRow(y));
    if (row == nullptr) {
      input.GetRow(y, job.row.data());
      row = job.row.data();
    }
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  job.done = true;
}

bool ReadInput(const char* program, const char* name, const CjpegSettings& settings,
               BmpInput* input) {
  CFile file;
  if (!file.Open(name, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary)) {
    LibraryTrace("%s: can't open %s", program, name);
    return false;
  }
  BYTE first = 0;
  std::string error;
  try {
    if (settings.targaInput) {
      error = "Targa input is not supported";
    } else if (file.Read(&first, 1) != 1 || first != 'B') {
      error = "unrecognized input file format (only BMP files are read)";
    } else {
      file.SeekToBegin();
      if (input->Read(file, &error)) return true;
    }
  } catch (const CFileException& failure) {
    error = failure.what();
  }
  LibraryTrace("%s: %s: %s", program, name, error.c_str());
  return false;
}

// The command line over a BMP file, or over a DIB in memory (then argv names no input).
int Run(int argc, char** argv, HGLOBAL dib) {
  const char* program = argc > 0 && argv[0] != nullptr && argv[0][0] != '\0' ? argv[0] : "cjpeg";
  CjpegSettings settings;
  int fileIndex = 0;
  std::string error;
  if (!ParseCjpegSwitches(argc, argv, &settings, &fileIndex, &error)) {
    LibraryTrace("%s: %s", program, error.c_str());
    Usage(program);
    return 0;
  }
  if (settings.verbosity > 0)
    LibraryTrace("%s: JPEG library interface version %d", program, JPEG_LIB_VERSION);
  const int inputs = dib != nullptr ? 0 : 1;
  const int filesWanted = (settings.outFile.empty() ? 1 : 0) + inputs;
  bool filesNamed = argc - fileIndex == filesWanted;
  for (int i = fileIndex; filesNamed && i < argc; ++i) filesNamed = argv[i] != nullptr;
  if (!filesNamed) {
    LibraryTrace("%s: %s", program,
                 filesWanted == 2 ? "must name one input and one output file"
                                  : "must name one input file when -outfile is given");
    Usage(program);
    return 0;
  }
  const char* inputName = inputs ? argv[fileIndex] : "memory";
  const char* outputName =
      settings.outFile.empty() ? argv[fileIndex + inputs] : settings.outFile.c_str();

  CjpegScripts scripts;
  if (!LoadCjpegScripts(settings, &scripts, &error)) {
    LibraryTrace("%s: %s", program, error.c_str());
    return 0;
  }
  BmpInput input;
  if (dib == nullptr) {
    if (!ReadInput(program, inputName, settings, &input)) return 0;
  } else if (settings.targaInput || !input.Use(dib, &error)) {
    if (settings.targaInput) error = "Targa input is not supported";
    LibraryTrace("%s: %s: %s", program, inputName, error.c_str());
    return 0;
  }

  EncodeJob job;
  job.settings = &settings;
  job.scripts = &scripts;
  job.input = &input;
  job.row.resize(std::size_t(input.Width()) * input.Components());
  InstallErrorTrap(job.trap, program);
  job.info.err = &job.trap.manager;
  const bool compressed = RunTrapped(job.trap, Encode, &job) && job.done;
  if (job.created) jpeg_destroy_compress(&job.info);
  struct MallocFree {
    void operator()(unsigned char* p) const { std::free(p); }
  };
  const std::unique_ptr<unsigned char, MallocFree> jpeg(job.jpeg);
  if (!compressed) return 0;

  ReplacingFile output;  // the output appears only once it is complete
  if (!output.Open(outputName)) {
    LibraryTrace("%s: can't open %s", program, outputName);
    return 0;
  }
  try {
    for (unsigned long done = 0; done < job.jpegSize;) {
      const unsigned long piece = std::min(job.jpegSize - done, 1ul << 30);
      output.File().Write(jpeg.get() + done, static_cast<UINT>(piece));
      done += piece;
    }
    output.Commit();
  } catch (const CFileException& failure) {
    LibraryTrace("%s: can't write %s: %s", program, outputName, failure.what());
    return 0;
  }
  return 1;
}

}  // namespace

int CjpegMain(int argc, char** argv) { return Run(argc, argv, nullptr); }

int CjpegFromDib(int argc, char** argv, HGLOBAL dib, bool* handled) {
  *handled = BmpInput::Takes(dib);
  return *handled ? Run(argc, argv, dib) : 0;
}

}  // namespace graphics
