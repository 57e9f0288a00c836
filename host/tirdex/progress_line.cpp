#include "host/tirdex/progress_line.h"

#include <unistd.h>

#include <iostream>

namespace tir::tirdex {

ProgressLine::ProgressLine() : terminal_(::isatty(STDERR_FILENO) != 0) {}

ProgressLine::~ProgressLine() { Finish(); }

void ProgressLine::Show(const std::string& text) {
  if (!terminal_) {
    std::cerr << text << "\n" << std::flush;
    return;
  }
  // Blanks cover the rest of a longer earlier text.
  const std::size_t pad = width_ > text.size() ? width_ - text.size() : 0;
  std::cerr << "\r" << text << std::string(pad, ' ') << std::flush;
  width_ = text.size();
  open_ = true;
}

void ProgressLine::Finish() {
  if (open_) std::cerr << "\n" << std::flush;
  open_ = false;
  width_ = 0;
}

}  // namespace tir::tirdex
