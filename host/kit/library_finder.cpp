// Finding the libraries a host loads: from the program's own path (/proc/self/exe) and the kit's
// own path (dladdr), so that an installed tree and the build tree need no environment variables.
#include <dlfcn.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "host/kit/tir_host_paths.h"

#ifndef TIR_BIN_TO_PRIVATE_LIBDIR
#define TIR_BIN_TO_PRIVATE_LIBDIR "../lib/tirdex"
#endif

namespace {

namespace fs = std::filesystem;

fs::path ProgramFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : exe.parent_path();
}

fs::path KitFolder() {
  Dl_info info{};
  // The address of a function of this file with internal linkage: an exported one may be bound
  // to another copy of the kit that the process loaded first.
  if (dladdr(reinterpret_cast<void*>(&KitFolder), &info) == 0 || info.dli_fname == nullptr) {
    return {};
  }
  std::error_code ec;
  const fs::path kit = fs::canonical(info.dli_fname, ec);
  return ec ? fs::path() : kit.parent_path();
}

std::vector<fs::path> CandidateFolders() {
  std::vector<fs::path> folders;
  if (const fs::path program = ProgramFolder(); !program.empty()) {
    folders.push_back(program);
    folders.push_back(program / TIR_BIN_TO_PRIVATE_LIBDIR);
  }
  if (const fs::path kit = KitFolder(); !kit.empty()) {
    folders.push_back(kit);
    // Build tree: the kit is built in host/kit, the module in src/module, the service library in
    // host/service.
    folders.push_back(kit / "../../src/module");
    folders.push_back(kit / "../service");
  }
  return folders;
}

}  // namespace

extern "C" size_t TirHostFindLibrary(const char* name, char* buffer, size_t bufferSize) {
  if (buffer != nullptr && bufferSize > 0) buffer[0] = '\0';
  if (name == nullptr || *name == '\0' || std::strchr(name, '/') != nullptr) return 0;
  for (const fs::path& folder : CandidateFolders()) {
    std::error_code ec;
    const fs::path candidate = (folder / name).lexically_normal();
    if (!fs::is_regular_file(candidate, ec)) continue;
    const std::string path = candidate.string();
    if (buffer == nullptr || path.size() >= bufferSize) return 0;
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return path.size();
  }
  return 0;
}
