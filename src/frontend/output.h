// output.h: emit, the one way the front end writes text.
//
// emit formats like printf onto the run's output stream and flushes it at
// once, so progress appears as it happens even when the stream is a pipe or
// a file. A failed write is not reported: the tool has nowhere else to say
// it (nothing goes to standard error). The caller keeps the stream.
#pragma once

#include <cstdio>

namespace cfgsnap::frontend {

void emit(std::FILE* out, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace cfgsnap::frontend
