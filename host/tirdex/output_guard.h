#pragma once

#include <string>

namespace tir::tirdex {

// What a file written by a command stands in for: an output beside the base it reads (exports),
// or a new base the command creates in that place (schema, demo-base).
enum class OutputRole { kOutput, kNewBase };

// Why `output` must not be written, or "" when it may. An output is refused when it is the base
// `base` (empty or an "odbc:" string: no base file) or one of its -wal, -shm and -journal files,
// reached through any path, hard link or symbolic link; or when it is another SQLite base or a
// file of one (a new base may replace a base, as --force asks, but never its companion files).
// Existing files are compared by device and inode, files yet to be made by their folder and name.
std::string OutputRefusal(const std::string& output, const std::string& base, OutputRole role);

// Every tirdex command that writes a file checks it here before it touches the base: prints
// "tirdex COMMAND: REASON; nothing was written" to stderr and returns true when refused.
bool RefuseOutput(const char* command, const std::string& output, const std::string& base,
                  OutputRole role = OutputRole::kOutput);

}  // namespace tir::tirdex
