// With the host kit in the process the module's wide strings come from the kit's allocator, so
// either side frees what the other made.
#include <gtest/gtest.h>

#include <cstring>

#include "frame/wide_string.h"
#include "host/kit/tir_host_kit.h"

namespace tir::frame {
namespace {

TEST(WideStringsWithHostKit, ModuleAndHostShareTheAllocator) {
  // Refer to the kit so that the linker keeps it in the process.
  char16_t* fromHost = TirSysAllocStringLen(u"host", 4);
  ASSERT_TRUE(WideUsesHostAllocator());
  EXPECT_EQ(WideToUtf8(fromHost), "host");
  WideFree(fromHost);  // the module frees a host string

  WideString fromModule = WideAllocUtf8("модуль");
  std::uint32_t prefix = 0;
  std::memcpy(&prefix, reinterpret_cast<const unsigned char*>(fromModule) - 4, 4);
  EXPECT_EQ(prefix, 12u);
  TirSysFreeString(fromModule);  // and the host a module string
}

}  // namespace
}  // namespace tir::frame
