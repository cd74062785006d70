#include "graphics/formats/jpeg/jpeg_error_trap.h"

#include "graphics/platform/library_trace.h"

namespace graphics {
namespace {

JpegErrorTrap& TrapOf(j_common_ptr info) { return *reinterpret_cast<JpegErrorTrap*>(info->err); }

void PrintMessage(j_common_ptr info) {
  char text[JMSG_LENGTH_MAX];
  (*info->err->format_message)(info, text);
  LibraryTrace("%s: %s", TrapOf(info).program, text);
}

[[noreturn]] void JumpBack(j_common_ptr info) {
  (*info->err->output_message)(info);
  std::longjmp(TrapOf(info).jump, 1);
}

}  // namespace

jpeg_error_mgr* InstallErrorTrap(JpegErrorTrap& trap, const char* program) {
  jpeg_std_error(&trap.manager);
  trap.manager.error_exit = JumpBack;
  trap.manager.output_message = PrintMessage;
  trap.program = program;
  return &trap.manager;
}

bool RunTrapped(JpegErrorTrap& trap, void (*body)(void* context), void* context) {
  if (setjmp(trap.jump) != 0) return false;
  body(context);
  return true;
}

}  // namespace graphics
