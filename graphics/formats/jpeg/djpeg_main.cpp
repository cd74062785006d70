#include "graphics/formats/jpeg/djpeg_main.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "graphics/formats/jpeg/djpeg_switches.h"
#include "graphics/formats/jpeg/djpeg_writer.h"
#include "graphics/formats/jpeg/jpeg_color_map_file.h"
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
               "  -colors N      Reduce image to no more than N colors\n"
               "  -gif           Select GIF output format\n"
               "  -os2           Select BMP output format (OS/2 style)\n"
               "  -pnm           Select PBMPLUS (PPM/PGM) output format (default)\n"
               "  -targa         Select Targa output format\n"
               "  -bmp           Select BMP output format (Windows style)\n"
               "  -scale M/N     Scale output image by fraction M/N, eg, 1/8\n"
               "  -grayscale     Force grayscale output\n"
               "  -dct int|fast|float  Choose the inverse DCT method\n"
               "  -dither fs|none|ordered  Choose dithering of colour quantization\n"
               "  -map FILE      Map to colors used in named image file\n"
               "  -nosmooth      Don't use high-quality upsampling\n"
               "  -onepass       Use 1-pass quantization (fast, low quality)\n"
               "  -maxmemory N   Maximum memory to use (in kbytes)\n"
               "  -outfile name  Specify name for output file\n"
               "  -verbose  or  -debug   Emit debug output\n",
               program);
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

struct DecodeJob;

// The progress hook that bounds the number of scans; the library hands back only
// the hook, so it carries the job.
struct ScanGuard {
  jpeg_progress_mgr hook{};  // first, so the library's pointer is also ours
  DecodeJob* job = nullptr;
};

// Everything one decompression holds. The trapped body keeps its state here, since
// a fatal library error leaves the body's frame without unwinding it.
struct DecodeJob {
  JpegErrorTrap trap;
  jpeg_decompress_struct info{};
  ScanGuard scanGuard;
  bool created = false;
  std::FILE* input = nullptr;
  const DjpegSettings* settings = nullptr;
  const JpegDecodeLimits* limits = nullptr;
  std::vector<MapColour> mapColours;
  DecodedImageWriter* writer = nullptr;
  std::string failure;  // set when the body stops on a check of its own
  bool done = false;
};

void StopAfterTooManyScans(j_common_ptr common) {
  auto* info = reinterpret_cast<j_decompress_ptr>(common);
  DecodeJob* job = reinterpret_cast<ScanGuard*>(info->progress)->job;
  if (info->input_scan_number > job->limits->maxScans) {
    job->failure = "too many scans in the JPEG file";
    std::longjmp(job->trap.jump, 1);
  }
}

void UseMapColours(DecodeJob& job) {
  jpeg_decompress_struct& info = job.info;
  const int count = static_cast<int>(job.mapColours.size());
  info.colormap =
      (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE, 256, 3);
  for (int i = 0; i < count; ++i)
    for (int c = 0; c < 3; ++c) info.colormap[c][i] = job.mapColours[i][c];
  info.actual_number_of_colors = count;
  info.quantize_colors = TRUE;
}

void Decode(void* context) {
  DecodeJob& job = *static_cast<DecodeJob*>(context);
  jpeg_decompress_struct& info = job.info;
  jpeg_create_decompress(&info);
  job.created = true;
  if (job.limits->maxScans > 0) {
    job.scanGuard.hook.progress_monitor = StopAfterTooManyScans;
    job.scanGuard.job = &job;
    info.progress = &job.scanGuard.hook;
  }
  if (job.limits->maxMemory > 0) info.mem->max_memory_to_use = job.limits->maxMemory;
  jpeg_stdio_src(&info, job.input);
  jpeg_read_header(&info, TRUE);
  ApplyDjpegSettings(*job.settings, info);
  if (job.limits->maxMemory > 0 && info.mem->max_memory_to_use > job.limits->maxMemory)
    info.mem->max_memory_to_use = job.limits->maxMemory;
  if (!job.mapColours.empty()) UseMapColours(job);

  jpeg_calc_output_dimensions(&info);
  const long side = job.limits->maxOutputSide;
  if (side > 0 && (long(info.output_width) > side || long(info.output_height) > side)) {
    job.failure = "picture too large (" + std::to_string(info.output_width) + " x " +
                  std::to_string(info.output_height) + ")";
    return;
  }
  if (!job.writer->Prepare(info, &job.failure)) return;

  jpeg_start_decompress(&info);
  job.writer->Begin(info);
  JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                             info.output_width * info.output_components, 1);
  while (info.output_scanline < info.output_height) {
    const JDIMENSION y = info.output_scanline;
    JSAMPROW target = job.writer->RowTarget(y);
    JSAMPROW into = target != nullptr ? target : row[0];
    if (jpeg_read_scanlines(&info, &into, 1) != 1) break;
    if (target == nullptr) job.writer->WriteRow(info, y, into);
  }
  job.writer->Finish(info);
  jpeg_finish_decompress(&info);
  job.done = true;
}

// Decodes the open JPEG input through the writer; false after a trace line.
bool RunDecode(const char* program, const DjpegSettings& settings, const JpegDecodeLimits& limits,
               std::FILE* input, DecodedImageWriter& writer, const char* outputName) {
  DecodeJob job;
  job.settings = &settings;
  job.limits = &limits;
  std::string error;
  if (!settings.mapFile.empty() && !ReadColourMapFile(settings.mapFile, &job.mapColours, &error)) {
    LibraryTrace("%s: %s", program, error.c_str());
    return false;
  }
  job.input = input;
  job.writer = &writer;
  InstallErrorTrap(job.trap, program);
  job.info.err = &job.trap.manager;

  bool finished = false;
  try {
    finished = RunTrapped(job.trap, Decode, &job) && job.done;
  } catch (const CFileException& failure) {
    job.failure = std::string("can't write ") + outputName + ": " + failure.what();
  }
  if (job.created) jpeg_destroy_decompress(&job.info);
  if (!finished && !job.failure.empty()) LibraryTrace("%s: %s", program, job.failure.c_str());
  return finished;
}

// Parses the command line; false after a trace line and the usage.
bool ParseCommandLine(int argc, char** argv, const char* program, DjpegSettings* settings,
                      int* fileIndex) {
  std::string error;
  if (!ParseDjpegSwitches(argc, argv, settings, fileIndex, &error)) {
    LibraryTrace("%s: %s", program, error.c_str());
    Usage(program);
    return false;
  }
  if (settings->verbosity > 0)
    LibraryTrace("%s: JPEG library interface version %d", program, JPEG_LIB_VERSION);
  const int filesWanted = settings->outFile.empty() ? 2 : 1;
  bool filesNamed = argc - *fileIndex == filesWanted;
  for (int i = *fileIndex; filesNamed && i < argc; ++i) filesNamed = argv[i] != nullptr;
  if (!filesNamed) {
    LibraryTrace("%s: %s", program,
                 filesWanted == 2 ? "must name one input and one output file"
                                  : "must name one input file when -outfile is given");
    Usage(program);
    return false;
  }
  return true;
}

// Opens the named input; false after a trace line.
bool OpenInput(const char* program, const char* name,
               std::unique_ptr<std::FILE, FileCloser>* opened) {
  opened->reset(std::fopen(name, "rb"));
  if (*opened) return true;
  LibraryTrace("%s: can't open %s", program, name);
  return false;
}

const char* ProgramName(int argc, char** argv) {
  return argc > 0 && argv[0] != nullptr && argv[0][0] != '\0' ? argv[0] : "djpeg";
}

}  // namespace

int DjpegMain(int argc, char** argv) { return DjpegMain(argc, argv, JpegDecodeLimits{}); }

int DjpegMain(int argc, char** argv, const JpegDecodeLimits& limits, std::FILE* input) {
  const char* program = ProgramName(argc, argv);
  DjpegSettings settings;
  int fileIndex = 0;
  if (!ParseCommandLine(argc, argv, program, &settings, &fileIndex)) return 0;
  if (settings.rle) {
    LibraryTrace("%s: RLE output format is not available", program);
    return 0;
  }
  const char* inputName = argv[fileIndex];
  const char* outputName =
      settings.outFile.empty() ? argv[fileIndex + 1] : settings.outFile.c_str();

  std::unique_ptr<std::FILE, FileCloser> opened;
  if (input == nullptr && !OpenInput(program, inputName, &opened)) return 0;
  ReplacingFile output;  // the output appears only once it is complete
  if (!output.Open(outputName)) {
    LibraryTrace("%s: can't open %s", program, outputName);
    return 0;
  }
  std::unique_ptr<DecodedImageWriter> writer =
      MakeDecodedImageWriter(settings.format, output.File());
  if (!RunDecode(program, settings, limits, input != nullptr ? input : opened.get(), *writer,
                 outputName))
    return 0;
  try {
    output.Commit();
  } catch (const CFileException& failure) {
    LibraryTrace("%s: can't write %s: %s", program, outputName, failure.what());
    return 0;
  }
  return 1;
}

HGLOBAL DjpegToDib(int argc, char** argv, const JpegDecodeLimits& limits, bool* handled,
                   std::FILE* input) {
  const char* program = ProgramName(argc, argv);
  DjpegSettings settings;
  int fileIndex = 0;
  std::string ignored;
  *handled = false;
  // Only the Windows BMP output has a DIB of the same pixels; the rest (and every
  // message about a bad command line) stays with the command line.
  if (!ParseDjpegSwitches(argc, argv, &settings, &fileIndex, &ignored) ||
      settings.format != DecodedFormat::WindowsBmp || settings.rle || !settings.outFile.empty() ||
      argc - fileIndex != 2 || argv[fileIndex] == nullptr)
    return nullptr;
  *handled = true;
  std::unique_ptr<std::FILE, FileCloser> opened;
  if (input == nullptr && !OpenInput(program, argv[fileIndex], &opened)) return nullptr;
  std::unique_ptr<DecodedImageWriter> writer = MakeDibWriter();
  if (!RunDecode(program, settings, limits, input != nullptr ? input : opened.get(), *writer,
                 "memory"))
    return nullptr;
  return writer->Take();
}

}  // namespace graphics
