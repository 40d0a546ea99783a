#include "frontend/output.h"

#include <cstdarg>

namespace cfgsnap::frontend {

void emit(std::FILE* out, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::vfprintf(out, format, arguments);
  va_end(arguments);
  // Dots of the polling loop are one second apart: without the flush a pipe
  // or a file would show them only when the run ends.
  std::fflush(out);
}

}  // namespace cfgsnap::frontend
