#include "tests/import/json_loader_fixture.h"

#include <cstdio>

#include "db/query.h"

namespace tir::import::test {

std::string G(int n) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "A0000000-0000-0000-0000-%012d", n);
  return buf;
}

LoaderTest::LoaderTest() {
  loader.SetConnection(&base.conn());
  loader.mGoodsPauseMs = 0;
}

}  // namespace tir::import::test
