// Texts that end inside a UTF-8 sequence (no closing quote, no terminator after them): every
// parser refuses them without reading past their last byte. Each text lies in a buffer of exactly
// its own size, so that the address sanitizer reports any read beyond it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/exchange/exchange_commands.h"
#include "host/exchange/exchange_service.h"
#include "host/kit/host_scope.h"
#include "import/json_loader.h"
#include "import/json_loader_walk.h"
#include "json/json_array.h"
#include "json/json_error.h"
#include "json/json_object.h"
#include "tests/support/temp_base.h"

namespace {

// A request body found by fuzzing, then the same cut after the lead byte of a two-, three- and
// four-byte sequence and after a partial sequence, in a value, in a key and deep in the envelope.
std::vector<std::string> CutTexts() {
  const std::string pad = "                ";  // keeps every text out of the string's own buffer
  return {
      std::string("\x22\x34\x2e\x30\x32\x32\x32\x32\x32\x32\x32\x32\x34\x36\x36\x34\x32\x32\x34"
                  "\x36\x36\x34\x34\x20\xf0",
                  25),
      pad + "\"text \xc3",
      pad + "\"text \xe2\x82",
      pad + "\"text \xf0\x9f\x98",
      pad + "{\"key\xf0",
      pad + "[\"a\", \"b\xe2",
      pad + "{\"request\":{\"cmd\":\"getdocstirformat001\",\"token\":\"\xf4\x8f",
  };
}

TEST(TextBounds, EveryParserRefusesATextCutInsideACharacter) {
  for (const std::string& cut : CutTexts()) {
    SCOPED_TRACE(testing::PrintToString(cut));
    const std::vector<char> exact(cut.begin(), cut.end());
    const std::string_view view(exact.data(), exact.size());

    tir::import::TJsonText parsed;
    EXPECT_NE(tir::import::ParseJsonText(std::string(view), parsed), "");
    EXPECT_TRUE(parsed.members.empty());
    tir::import::TDMJsonLoader loader;
    EXPECT_FALSE(loader.OpenAndParse(std::string(view)));
    EXPECT_THROW(tir::json::Object::Parse(view), tir::json::JsonError);
    EXPECT_THROW(tir::json::Array::Parse(view), tir::json::JsonError);
    EXPECT_EQ(tir::exchange::CountAnswerRows(std::string(view)), 0);
  }
}

// The service refuses such a body as a malformed request, before it looks at any token.
TEST(TextBounds, TheServiceAnswersACutBodyWith400) {
  tir::test::TempBase base;
  const tir::hostkit::THostScope scope(base.conn());
  tir::exchange::TServiceShared shared;
  tir::exchange::TExchangeService service(base.conn(), shared);
  for (const std::string& body : CutTexts()) {
    const tir::exchange::TExchangeAnswer answer = service.Handle(body);
    EXPECT_EQ(answer.status, 400) << answer.body;
    EXPECT_NE(answer.body.find("malformed request"), std::string::npos) << answer.body;
  }
  // A whole text of the same kind still counts its rows.
  EXPECT_EQ(tir::exchange::CountAnswerRows(R"({"goods":[1,2,"\u00e9"],"docs":[{}]})"), 4);
}

}  // namespace
