// Where the host kit finds the libraries a host loads: the build tree from the kit built there,
// and an installed tree (the kit in a private library folder beside the module) wherever it lies.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "host/kit/tir_host_paths.h"
#include "tests/support/temp_base.h"

namespace {

namespace fs = std::filesystem;

std::string Find(const char* name) {
  char buffer[4096];
  const std::size_t n = TirHostFindLibrary(name, buffer, sizeof(buffer));
  EXPECT_EQ(n, std::string(buffer).size());
  return buffer;
}

TEST(HostKitPaths, FindsTheModuleAndTheServiceLibraryInTheBuildTree) {
  EXPECT_EQ(fs::canonical(Find("libTirDataExchange.so")), fs::canonical(TIR_MODULE_PATH));
  EXPECT_EQ(fs::canonical(Find("libtirvalosm.so")), fs::canonical(TIR_SERVICE_PATH));
  EXPECT_EQ(Find("libNoSuchModule.so"), "");
  EXPECT_EQ(Find("../src/module/libTirDataExchange.so"), "");  // names only, no folders
  char tiny[4] = "xyz";
  EXPECT_EQ(TirHostFindLibrary("libTirDataExchange.so", tiny, sizeof(tiny)), 0u);
  EXPECT_STREQ(tiny, "");
}

TEST(HostKitPaths, AKitInAnInstalledTreeFindsTheLibrariesBesideIt) {
  // PREFIX/lib/tirdex holds the kit and the module; nothing of it is in the build tree.
  const tir::test::TempDir prefixDir;
  const fs::path prefix = prefixDir.path();
  const fs::path libdir = prefix / "lib" / "tirdex";
  fs::create_directories(libdir);
  fs::copy_file(TIR_HOSTKIT_LIBRARY_PATH, libdir / "libtirhostkit.so");
  std::ofstream(libdir / "libTirDataExchange.so") << "module";
  void* kit = dlopen((libdir / "libtirhostkit.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(kit, nullptr) << dlerror();
  auto find = reinterpret_cast<decltype(&TirHostFindLibrary)>(dlsym(kit, "TirHostFindLibrary"));
  ASSERT_NE(find, nullptr);
  ASSERT_NE(reinterpret_cast<void*>(find), reinterpret_cast<void*>(&TirHostFindLibrary));
  char buffer[4096];
  ASSERT_GT(find("libTirDataExchange.so", buffer, sizeof(buffer)), 0u);
  EXPECT_EQ(fs::path(buffer), libdir / "libTirDataExchange.so");
  // The service library is not installed there, and the kit looks nowhere else for it (the
  // caller then leaves the bare name to the dynamic loader).
  EXPECT_EQ(find("libtirvalosm.so", buffer, sizeof(buffer)), 0u);
  dlclose(kit);
}

}  // namespace
