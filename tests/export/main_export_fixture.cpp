#include <gtest/gtest.h>

#include "tests/export/main_export_fixture.h"

#include "db/date_time.h"
#include "tests/export/small_base.h"

namespace tir::test {

MainExportTest::MainExportTest() : builder(base.conn()) {
  FillSmallBase(base.conn());
  builder.SetClock([] { return db::EncodeDateTime({2024, 3, 6, 12, 0, 0, 0}); });
  builder.SetRunMode(kRunInteractive);
}

const rapidjson::Document& MainExportTest::Run() {
  builder.RunBuildProcess();
  EXPECT_EQ(builder.ErrorText(), "");
  text = builder.Text();
  doc.Parse(text.c_str(), text.size());
  EXPECT_FALSE(doc.HasParseError()) << text.substr(0, 300);
  return doc;
}

const rapidjson::Value* MainExportTest::Top(const char* key) const {
  if (!doc.IsObject()) return nullptr;
  const auto it = doc.FindMember(key);
  return it == doc.MemberEnd() ? nullptr : &it->value;
}

const rapidjson::Value& MainExportTest::Row(const char* key, std::int64_t lid) const {
  static const rapidjson::Value kNone(rapidjson::kObjectType);
  const rapidjson::Value* rows = Top(key);
  if (rows == nullptr || !rows->IsArray()) return kNone;
  for (const auto& row : rows->GetArray()) {
    if (row.HasMember("lid") && row["lid"].GetInt64() == lid) return row;
  }
  return kNone;
}

std::vector<std::string> MainExportTest::Keys(const rapidjson::Value& object) {
  std::vector<std::string> keys;
  for (const auto& m : object.GetObject()) keys.emplace_back(m.name.GetString());
  return keys;
}

}  // namespace tir::test
