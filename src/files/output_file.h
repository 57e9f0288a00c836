#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace tir::files {

// Writes the file at `path` through `write`, which fills the stream and returns false when it
// failed. A regular file (also one reached through symbolic links) is written beside itself and
// renamed over the real file only when complete, keeping its permission bits; a device or pipe
// is written in place. Every write, flush and close error counts: a full disk is a failure.
// Returns false with `error` set ("cannot write file \"PATH\": reason") on failure.
bool WriteOutputFile(const std::string& path, const std::function<bool(std::FILE*)>& write,
                     std::string& error);

}  // namespace tir::files
