// captured_output.h: CapturedOutput, a temporary stream that stands in for
// standard output in tests, and its text.
//
// The stream is an anonymous temporary file, removed when the object goes.
// text() reads back everything written so far. Construction throws
// std::runtime_error when no temporary file can be made.
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>

namespace cfgsnap::testing {

class CapturedOutput {
 public:
  CapturedOutput() : file_(std::tmpfile()) {
    if (file_ == nullptr) throw std::runtime_error("no temporary file");
  }
  ~CapturedOutput() { std::fclose(file_); }
  CapturedOutput(const CapturedOutput&) = delete;
  CapturedOutput& operator=(const CapturedOutput&) = delete;

  std::FILE* stream() const { return file_; }

  std::string text() const {
    std::fflush(file_);
    const long end = std::ftell(file_);
    std::string text(static_cast<std::size_t>(end < 0 ? 0 : end), '\0');
    std::rewind(file_);
    const std::size_t read = std::fread(text.data(), 1, text.size(), file_);
    text.resize(read);
    std::fseek(file_, 0, SEEK_END);
    return text;
  }

 private:
  std::FILE* file_;
};

}  // namespace cfgsnap::testing
