#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

#include "import/json_loader.h"
#include "tests/support/temp_base.h"

namespace tir::import::test {

// The GUID text number n: "A0000000-0000-0000-0000-" + 12 digits (both halves non-zero).
std::string G(int n);

using tir::test::BaseDump;

// A loader on a fresh base with the full schema; goods loads do not pause.
class LoaderTest : public ::testing::Test {
 protected:
  LoaderTest();
  // Opens a text and runs one loader operation on it.
  template <typename Op>
  void Load(const std::string& json, Op op) {
    ASSERT_TRUE(loader.OpenAndParse(json)) << loader.mErrorText;
    op(loader);
  }
  std::int64_t Int(const std::string& sql) { return tir::test::ScalarInt(base.conn(), sql); }
  std::string Text(const std::string& sql) { return tir::test::ScalarText(base.conn(), sql); }
  double Num(const std::string& sql) { return tir::test::ScalarDouble(base.conn(), sql); }

  tir::test::TempBase base;
  TDMJsonLoader loader;
};

}  // namespace tir::import::test
