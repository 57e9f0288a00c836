#pragma once

// The user's documents folder, where the export window proposes its file when no profile is
// stored yet.

#include <string>

namespace tir::ui {

// As xdg-user-dir DOCUMENTS finds it: $XDG_DOCUMENTS_DIR, else the XDG_DOCUMENTS_DIR line of
// user-dirs.dirs in $XDG_CONFIG_HOME (default ~/.config), else ~/Documents. "$HOME" in the
// line stands for the home folder.
std::string DocumentsFolder();

// The export file proposed when no profile is stored: the default's file name in the documents
// folder (on Windows the default as it is).
std::string DefaultExportFile(const std::string& aDefault);

}  // namespace tir::ui
