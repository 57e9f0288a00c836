#pragma once

#include <rapidjson/document.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "db/query.h"
#include "export/dn_json_builder.h"
#include "tests/support/temp_base.h"

namespace tir::test {

// A temporary base with the small hand-built content, a builder on it with a fixed clock
// (2024-03-06 12:00:00), and readers of what a run wrote.
class MainExportTest : public ::testing::Test {
 protected:
  MainExportTest();

  void Exec(const std::string& sql) { base.conn().ExecScript(sql); }
  std::int64_t Int(const std::string& sql) { return ScalarInt(base.conn(), sql); }
  // Runs the builder, expects no error and returns the parsed text (kept in `doc`).
  const rapidjson::Document& Run();
  // The member `key` of the top level (the first one when it repeats); null when absent.
  const rapidjson::Value* Top(const char* key) const;
  // The object of the array `key` whose "lid" is `lid`.
  const rapidjson::Value& Row(const char* key, std::int64_t lid) const;
  static std::vector<std::string> Keys(const rapidjson::Value& object);

  TempBase base;
  exporting::TDNJSonBuilder builder;
  rapidjson::Document doc;
  std::string text;
};

}  // namespace tir::test
