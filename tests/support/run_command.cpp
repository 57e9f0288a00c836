#include "tests/support/run_command.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/support/temp_files.h"

namespace tir::test {

int RunCommand(const std::string& command, std::string* out) {
  const TempFile capture(".out");
  const std::string line = command + " >'" + capture + "' 2>/dev/null";
  const int status = std::system(line.c_str());
  if (out != nullptr) {
    std::ifstream in(capture.path(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    *out = text.str();
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace tir::test
