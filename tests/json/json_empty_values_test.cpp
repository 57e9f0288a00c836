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

TEST(JsonEmptyValues, MissingMembersCostNoAllocationAndStayEmpty) {
  const Object root = Object::Parse(R"({"a":[{"x":1},2],"o":{"s":"t"},"n":5})");
  std::size_t sizes = root.GetObject("warm-up").Size();  // the stand-ins are made on first use
  const long before = gAllocations.load();
  for (int i = 0; i < 100; ++i) {
    sizes += root.GetObject("missing").Size() + root.GetArray("missing").Size() +
             root.GetObject("n").GetArray("deeper").Size() +
             root.GetArray("a").GetObject(1).Size() +
             root.GetArray("a").GetObject(99).GetString("x").size() +
             root.GetObject("o").GetString("missing").size();
  }
  EXPECT_EQ(gAllocations.load() - before, 0);
  EXPECT_EQ(sizes, 0u);

  // Writing into a stand-in gives that handle a tree of its own; the shared one stays empty.
  root.GetObject("missing").SetString("k", "v");
  root.GetArray("missing").AppendNewObject().SetInt64("x", 1);
  EXPECT_EQ(root.GetObject("other").Size() + root.GetArray("other").Size(), 0u);
}

}  // namespace
}  // namespace tir::json
