// Look-ups of missing members must not allocate: this executable counts every operator new.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "json/json_array.h"
#include "json/json_object.h"

namespace {
std::atomic<long> gAllocations{0};
}  // namespace

void* operator new(std::size_t size) {
  ++gAllocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace tir::json {
namespace {

TEST(JsonEmptyValues, MissingMembersCostNoAllocation) {
  const Object root = Object::Parse(R"({"a":[{"x":1},2],"o":{"s":"t"},"n":5})");
  long sizes = 0;
  (void)root.GetObject("warm-up").Size();  // the shared stand-ins are built on first use
  const long before = gAllocations.load();
  for (int i = 0; i < 100; ++i) {
    sizes += static_cast<long>(root.GetObject("missing").Size());
    sizes += static_cast<long>(root.GetArray("missing").Size());
    sizes += static_cast<long>(root.GetObject("n").GetArray("deeper").Size());
    sizes += static_cast<long>(root.GetArray("a").GetObject(1).Size());  // not an object
    sizes += static_cast<long>(root.GetArray("a").GetObject(99).GetString("x").size());
    sizes += static_cast<long>(root.GetArray("a").GetArray(0).Size());
    sizes += static_cast<long>(root.GetObject("o").GetString("missing").size());
  }
  EXPECT_EQ(gAllocations.load() - before, 0);
  EXPECT_EQ(sizes, 0);
}

TEST(JsonEmptyValues, WritingIntoTheStandInLeavesItEmpty) {
  const Object root = Object::Parse(R"({"o":{}})");
  Object stray = root.GetObject("missing");
  stray.SetString("k", "v");
  Array list = root.GetArray("missing");
  list.AppendNewObject().SetInt64("x", 1);
  // The written handles hold trees of their own; every later look-up is still empty.
  EXPECT_EQ(stray.ToText(false), R"({"k":"v"})");
  EXPECT_EQ(list.ToText(false), R"([{"x":1}])");
  EXPECT_EQ(root.GetObject("other").Size(), 0u);
  EXPECT_EQ(root.GetArray("other").Size(), 0u);
  EXPECT_EQ(root.ToText(false), R"({"o":{}})");
}

}  // namespace
}  // namespace tir::json
