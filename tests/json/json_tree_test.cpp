#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

#include "json/json_array.h"
#include "json/json_error.h"
#include "json/json_object.h"
#include "tests/support/temp_files.h"

namespace tir::json {
namespace {

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(JsonObject, KeysKeepFirstSetOrderAndReplaceInPlace) {
  Object o;
  o.SetString("b", "x");
  o.SetInt64("a", 1);
  o.SetNumber("c", 2.5);
  o.SetInt64("b", 7);  // replaced where it stands, with its new type
  EXPECT_EQ(o.ToText(false), R"({"b":7,"a":1,"c":2.5})");
  ASSERT_EQ(o.Size(), 3u);
  EXPECT_EQ(o.KeyAt(0), "b");
  EXPECT_EQ(o.KeyAt(2), "c");
  EXPECT_EQ(o.KeyAt(3), "");

  // A second section of the same name replaces the first one at its old place.
  Array first = o.SetNewArray("a");
  first.AppendInt64(1);
  Array second = o.SetNewArray("a");
  second.AppendInt64(2);
  EXPECT_EQ(o.ToText(false), R"({"b":7,"a":[2],"c":2.5})");
}

TEST(JsonObject, HandlesStayValidWhileParentsGrow) {
  Object root;
  Array list = root.SetNewArray("list");
  Object firstItem = list.AppendNewObject();
  for (int i = 0; i < 500; ++i) {
    root.SetInt64("k" + std::to_string(i), i);
    list.AppendNewObject().SetInt64("n", i);
  }
  firstItem.SetString("late", "yes");
  list.AppendInt64(-1);
  EXPECT_EQ(root.GetArray("list").Size(), 502u);
  EXPECT_EQ(root.GetArray("list").GetObject(0).GetString("late"), "yes");
  EXPECT_EQ(root.GetArray("list").GetObject(500).GetInt64("n"), 499);
  EXPECT_EQ(root.GetInt64("k499"), 499);
  EXPECT_EQ(root.Size(), 501u);
}

TEST(JsonObject, ValuesFromOtherTreesAreCopied) {
  Object source;
  source.SetString("name", "група");
  Object target;
  target.SetObject("inner", source);
  source.SetString("name", "changed");
  EXPECT_EQ(target.GetObject("inner").GetString("name"), "група");

  target.SetObject("self", target);  // copying an object into itself takes its old state
  EXPECT_EQ(target.ToText(false),
            R"({"inner":{"name":"група"},"self":{"inner":{"name":"група"}}})");

  Array arr = Array::Parse("[]");
  arr.AppendObject(source);
  arr.AppendString("s");
  arr.AppendNumber(0.5);
  target.SetArray("arr", arr);
  EXPECT_EQ(target.GetArray("arr").ToText(false), R"([{"name":"changed"},"s",0.5])");
}

TEST(JsonObject, GettersGiveEmptyValuesForMissingOrOtherKinds) {
  Object o = Object::Parse(
      R"({"s":"12","i":42,"d":2.75,"neg":-3.9,"b":true,"n":null,"o":{"x":1},"a":[1,"two",{"y":2}]})");
  EXPECT_EQ(o.GetString("missing"), "");
  EXPECT_EQ(o.GetInt64("missing"), 0);
  EXPECT_EQ(o.GetNumber("missing"), 0.0);
  EXPECT_EQ(o.GetObject("missing").Size(), 0u);
  EXPECT_EQ(o.GetArray("missing").Size(), 0u);
  EXPECT_EQ(o.GetObject("a").Size(), 0u);  // an array is not an object
  EXPECT_EQ(o.GetArray("o").Size(), 0u);
  EXPECT_EQ(o.KindOf("missing"), Kind::kNull);
  EXPECT_EQ(o.KindOf("o"), Kind::kObject);
  EXPECT_EQ(o.KindOf("d"), Kind::kNumber);
  EXPECT_EQ(o.KindOf("i"), Kind::kInt);

  EXPECT_EQ(o.GetInt64("s"), 12);
  EXPECT_EQ(o.GetInt64("d"), 2);
  EXPECT_EQ(o.GetInt64("neg"), -3);
  EXPECT_EQ(o.GetNumber("i"), 42.0);
  EXPECT_EQ(o.GetString("i"), "42");
  EXPECT_EQ(o.GetString("d"), "2.75");
  EXPECT_TRUE(o.GetBool("b"));
  EXPECT_EQ(o.GetString("n"), "");
  EXPECT_EQ(o.GetObject("o").GetInt64("x"), 1);

  Array a = o.GetArray("a");
  ASSERT_EQ(a.Size(), 3u);
  EXPECT_EQ(a.GetInt64(0), 1);
  EXPECT_EQ(a.GetString(1), "two");
  EXPECT_EQ(a.GetObject(2).GetInt64("y"), 2);
  EXPECT_EQ(a.GetObject(1).Size(), 0u);
  EXPECT_EQ(a.GetObject(9).Size(), 0u);
  EXPECT_EQ(a.KindAt(9), Kind::kNull);
  EXPECT_EQ(a.GetString(9), "");

  // Writing into an empty stand-in never reaches the tree.
  o.GetObject("missing").SetInt64("x", 1);
  EXPECT_FALSE(o.Has("missing"));
}

TEST(JsonObject, NumbersKeepTheirKindAndRange) {
  Object o;
  o.SetInt64("max", std::numeric_limits<std::int64_t>::max());
  o.SetInt64("min", std::numeric_limits<std::int64_t>::min());
  o.SetNumber("zero", 0.0);
  o.SetNumber("price", 12.35);
  o.SetNumber("nan", std::numeric_limits<double>::quiet_NaN());
  const std::string text = o.ToText(false);
  EXPECT_EQ(text,
            R"({"max":9223372036854775807,"min":-9223372036854775808,"zero":0.0,"price":12.35,)"
            R"("nan":null})");
  Object back = Object::Parse(text);
  EXPECT_EQ(back.GetInt64("max"), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(back.GetInt64("min"), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(back.KindOf("zero"), Kind::kNumber);
  EXPECT_EQ(back.GetNumber("price"), 12.35);

  Object big = Object::Parse(R"({"u":18446744073709551615})");
  EXPECT_EQ(big.KindOf("u"), Kind::kNumber);

  // Zero with a large exponent is zero, a tiny value rounds to zero, a huge one is refused.
  Object zeros = Object::Parse(R"({"a":0e+308,"c":1e-400,"d":-2.5E2,"e":-0})");
  EXPECT_EQ(zeros.GetNumber("a"), 0.0);
  EXPECT_EQ(zeros.GetNumber("c"), 0.0);
  EXPECT_EQ(zeros.GetNumber("d"), -250.0);
  EXPECT_EQ(zeros.KindOf("e"), Kind::kInt);
  EXPECT_THROW(Object::Parse(R"({"a":1e400})"), JsonError);
}

TEST(JsonObject, TextIsUtf8AndControlCharactersAreEscaped) {
  Object o;
  o.SetString("name", "Кава \"Львів\"\\\t\x01/");
  o.SetString("broken", std::string("a\xC3") + "b\xFF");  // ill-formed input is repaired
  EXPECT_EQ(o.ToText(false),
            "{\"name\":\"Кава \\\"Львів\\\"\\\\\\t\\u0001/\",\"broken\":\"a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD\"}");
  // A lone surrogate escape gives no UTF-8; in a key as in a value it becomes U+FFFD, so the
  // written text reads back.
  Object lone = Object::Parse(R"({"k\ude00":"v\ude00"})");
  const std::string loneText = lone.ToText(false);
  EXPECT_EQ(Object::Parse(loneText).ToText(false), loneText);
  EXPECT_EQ(lone.KeyAt(0).substr(0, 4), "k\xEF\xBF\xBD");
  Object indented = Object::Parse(R"({"a":[1,{"b":"c"}],"e":{}})");
  EXPECT_EQ(indented.ToText(true),
            "{\n  \"a\": [\n    1,\n    {\n      \"b\": \"c\"\n    }\n  ],\n  \"e\": {}\n}");
}

TEST(JsonObject, DuplicateKeysInTextKeepTheFirstPlaceAndTheLastValue) {
  Object o = Object::Parse(R"({"a":1,"b":2,"a":3})");
  EXPECT_EQ(o.ToText(false), R"({"a":3,"b":2})");
  Object empty = Object::Parse(R"({"":1,"b":2,"":3})");  // the empty key is a key like others
  EXPECT_EQ(empty.ToText(false), R"({"":3,"b":2})");
}

TEST(JsonObject, LargeObjectsKeepOrderAndFindTheirKeys) {
  std::string text = "{";
  for (int i = 0; i < 100000; ++i)
    text += "\"k" + std::to_string(i) + "\":" + std::to_string(i) + ",";
  text += "\"k5\":-5,\"k99999\":-1}";  // repeated keys replace their values in place
  Object o = Object::Parse(text);
  ASSERT_EQ(o.Size(), 100000u);
  EXPECT_EQ(o.KeyAt(0), "k0");
  EXPECT_EQ(o.KeyAt(99999), "k99999");
  EXPECT_EQ(o.GetInt64("k5"), -5);
  EXPECT_EQ(o.GetInt64("k99999"), -1);
  EXPECT_EQ(o.GetInt64("k77777"), 77777);
  EXPECT_FALSE(o.Has("k100000"));
  o.SetString("new", "v");
  o.SetInt64("k6", 66);
  EXPECT_EQ(o.KeyAt(100000), "new");
  EXPECT_EQ(o.GetString("new"), "v");
  EXPECT_EQ(o.GetInt64("k6"), 66);
  EXPECT_EQ(o.Size(), 100001u);
}

TEST(JsonObject, BadTextRaisesAClearError) {
  const char* bad[] = {"",      "{",        R"({"a":1,})",  R"({"a":tru})",
                       "[1,2]", "\"text\"", R"({"a":1} x)", "{\"a\":\"\xC3\"}"};
  for (const char* text : bad) {
    EXPECT_THROW(Object::Parse(text), JsonError) << text;
  }
  EXPECT_THROW(Object::Parse(std::string("{\"a\":\"x\0y\"}", 11)), JsonError);
  EXPECT_THROW(Array::Parse("{}"), JsonError);
  EXPECT_EQ(Array::Parse("[]").Size(), 0u);

  try {
    Object::Parse("{\n  \"a\": 1,\n  \"b\" 2\n}");
    FAIL();
  } catch (const JsonError& e) {
    EXPECT_NE(std::string(e.what()).find("line 3"), std::string::npos) << e.what();
  }

  std::string deep(5000, '[');
  deep = "{\"a\":" + deep;
  EXPECT_THROW(Object::Parse(deep), JsonError);
}

TEST(JsonObject, FilesSaveWithoutBomAndReadBack) {
  const tir::test::TempDir dir;
  Object o;
  o.SetString("назва", "Чай");
  o.SetNewArray("list").AppendNewObject().SetInt64("lid", 5);
  const auto path = dir / "out.json";
  o.SaveToFile(path, false);
  EXPECT_EQ(ReadAll(path), R"({"назва":"Чай","list":[{"lid":5}]})");
  EXPECT_FALSE(std::filesystem::exists(dir / "out.json.tmp"));
  EXPECT_EQ(Object::ParseFile(path).ToText(false), o.ToText(false));

  o.SaveToFile(path, true);
  EXPECT_EQ(ReadAll(path).substr(0, 4), "{\n  ");

  std::ofstream(dir / "bom.json", std::ios::binary) << "\xEF\xBB\xBF{\"a\":1}";
  EXPECT_EQ(Object::ParseFile(dir / "bom.json").GetInt64("a"), 1);

  std::ofstream(dir / "cut.json", std::ios::binary) << R"({"a":[1,2)";
  EXPECT_THROW(Object::ParseFile(dir / "cut.json"), JsonError);
  EXPECT_THROW(Object::ParseFile(dir / "none.json"), JsonError);
}

TEST(JsonObject, FailedSaveLeavesTheOldFile) {
  const tir::test::TempDir dir;
  Object o;
  o.SetInt64("a", 1);
  EXPECT_THROW(o.SaveToFile(dir / "no/such/dir.json", false), JsonError);

  const auto path = dir / "keep.json";
  o.SaveToFile(path, false);
  // A write that fails half-way (the file size limit stands in for a full disk).
  o.SetString("a", std::string(100, 'x'));
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 20;
  const auto handler = std::signal(SIGXFSZ, SIG_IGN);
  ::setrlimit(RLIMIT_FSIZE, &small);
  EXPECT_THROW(o.SaveToFile(path, false), JsonError);
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, handler);
  EXPECT_EQ(ReadAll(path), R"({"a":1})");
}

}  // namespace
}  // namespace tir::json
