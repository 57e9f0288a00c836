#include "host/version/version_text.h"

#include <sqlite3.h>

#include "tir_build_commit.h"

namespace tir::version {

std::string VersionText(const std::string& program, const std::string& qtRuntime) {
  std::string text = program + " " + TIR_VERSION + " (TirDataExchange)\n";
  text += std::string("commit: ") + TIR_COMMIT + "\n";
  text += std::string("SQLite: ") + sqlite3_libversion();
  if (std::string(sqlite3_libversion()) != SQLITE_VERSION) {
    text += std::string(" (built with ") + SQLITE_VERSION + ")";
  }
  text += "\n";
  const std::string builtQt = TIR_BUILT_QT_VERSION;
  if (!qtRuntime.empty()) {
    text += "Qt: " + qtRuntime;
    if (!builtQt.empty() && builtQt != qtRuntime) text += " (built with " + builtQt + ")";
  } else {
    text += "Qt: " + (builtQt.empty() ? std::string("none (built without windows)")
                                      : builtQt + " (the module's windows)");
  }
  text += "\n";
  return text;
}

}  // namespace tir::version
