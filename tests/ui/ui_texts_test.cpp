// The wordings the windows give to what comes from below them (a load's report lines, a failed
// upload): every kind has one in each language, in that language, and keeps its arguments.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/dm_lang.h"
#include "import/load_note.h"
#include "tests/ui/english_words.h"
#include "transport/upload_failure_text.h"
#include "ui/load_report_texts.h"

namespace tir::test {
namespace {

using import::TLoadNote;
using import::TLoadNoteKind;

constexpr std::int32_t kLanguages[] = {frame::kLangRu, frame::kLangUa};

TEST(UiTexts, EveryLoadNoteKindIsWordedInBothLanguagesWithItsArguments) {
  // Names and values as a load gives them: positions, GUIDs, a column, a table, a number.
  const std::vector<std::string> args = {"docs[4].date", "0a000000-0000-4000-8000-000000000001",
                                         "fStoreId", "\"20241399\"", "tirStores"};
  for (int k = 0; k < static_cast<int>(TLoadNoteKind::kCount); ++k) {
    const TLoadNote note{static_cast<TLoadNoteKind>(k), args};
    const std::string english = note.Text();
    for (const std::int32_t language : kLanguages) {
      const QString text = ui::LoadNoteText(note, language);
      SCOPED_TRACE("kind " + std::to_string(k) + ", language " + std::to_string(language) + ": " +
                   text.toStdString());
      if (text.isEmpty()) {
        ADD_FAILURE() << "no wording";
        continue;
      }
      EXPECT_TRUE(EnglishWords(text).isEmpty()) << EnglishWords(text).join(' ').toStdString();
      // Every argument the English text shows is shown here too (a section by its own name).
      for (std::size_t i = k == static_cast<int>(TLoadNoteKind::kRefNotFound) ? 1 : 0;
           i < args.size(); ++i) {
        if (english.find(args[i]) != std::string::npos) {
          EXPECT_TRUE(text.contains(QString::fromStdString(args[i]))) << args[i];
        }
      }
    }
  }
  // The kinds of JSON values a damaged file mixes up are named in the language.
  for (const char* found : {"a text", "a number", "a whole number", "an object", "an array",
                            "a boolean", "null", "a value"}) {
    const TLoadNote damage{TLoadNoteKind::kWrongType, {"goods[2].name", "a text", found}};
    for (const std::int32_t language : kLanguages) {
      const QString text = ui::LoadNoteText(damage, language);
      EXPECT_TRUE(EnglishWords(text).isEmpty()) << text.toStdString();
    }
  }
  // A reference's section is named in the language, not as the file calls it.
  const TLoadNote ref{TLoadNoteKind::kRefNotFound,
                      {"contracts", args[1], "partner", args[1], "tirPartners"}};
  EXPECT_TRUE(ui::LoadNoteText(ref, frame::kLangRu).startsWith(QString::fromUtf8("Договоры ")));
  EXPECT_TRUE(ui::LoadNoteText(ref, frame::kLangUa).startsWith(QString::fromUtf8("Договори ")));
}

TEST(UiTexts, UploadFailuresAreWordedWithTheAddressAndTheServersOwnText) {
  const std::string url = "http://127.0.0.1:1/upload";
  const std::string file = "/tmp/tirjsinet-1.json";
  for (const std::int32_t language : kLanguages) {
    std::vector<std::pair<std::int32_t, std::string>> answers = {
        {1, "Error: no URL or file name given."},
        {2, "Error: cannot read the file " + file},
        {4, "HTTP/1.1 503 Service Unavailable\n"}};
    for (const int curl : {1, 3, 5, 6, 7, 26, 28, 35, 47, 52, 55, 56, 60, 77}) {
      answers.emplace_back(3, "Error: Some text: of libcurl (curl " + std::to_string(curl) + ")");
    }
    for (const auto& [result, answer] : answers) {
      const QString text =
          QString::fromStdString(transport::UploadFailureText(result, answer, url, file, language));
      SCOPED_TRACE(answer + " -> " + text.toStdString());
      EXPECT_TRUE(EnglishWords(text).isEmpty()) << EnglishWords(text).join(' ').toStdString();
      EXPECT_FALSE(text.contains("Error"));
      if (result >= 3) {
        EXPECT_TRUE(text.contains(QString::fromStdString(url)));
      }
    }
    const std::string status = transport::UploadFailureText(
        4, "HTTP/1.1 500 Internal Server Error\nТовар 12 отклонен", url, file, language);
    EXPECT_NE(status.find("500"), std::string::npos) << status;
    EXPECT_NE(status.find("\nТовар 12 отклонен"), std::string::npos) << status;
    const std::string refused = transport::UploadFailureText(
        3, "Error: Failed to connect to 127.0.0.1 port 1: Connection refused (curl 7)", url, file,
        language);
    EXPECT_NE(refused.find("(код 7)"), std::string::npos) << refused;
  }
  // Answers of another form, or of a result this library does not give, are passed on as they are.
  for (const auto& [result, answer] :
       std::vector<std::pair<std::int32_t, std::string>>{{3, "Timeout (curl seven)"},
                                                         {3, "refused (curl 7) later"},
                                                         {4, "503"},
                                                         {9, "Error: disk full"}}) {
    EXPECT_EQ(transport::UploadFailureText(result, answer, url, file, frame::kLangUa), answer);
  }
}

}  // namespace
}  // namespace tir::test
