#pragma once

#include <string>

namespace tir::tirdex {

// Progress of a long command on stderr: one line rewritten in place on a terminal, one line per
// step elsewhere (a log file or a pipe), so that logs read line by line.
class ProgressLine {
 public:
  ProgressLine();
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  void Show(const std::string& text);
  // Ends the rewritten line on a terminal (also done by the destructor).
  void Finish();

 private:
  bool terminal_;
  bool open_ = false;
  std::size_t width_ = 0;
};

}  // namespace tir::tirdex
