#include "host/tirdex/terminal_output.h"

#include <rapidjson/document.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>
#include <unistd.h>

#include <cstdio>

namespace tir::tirdex {

void FlushEveryLine() { std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ); }

bool StdoutIsTerminal() { return ::isatty(STDOUT_FILENO) != 0; }

namespace {

// Cuts at a character boundary: never inside a UTF-8 sequence.
void ShortenLongStrings(rapidjson::Value& value, rapidjson::Document::AllocatorType& allocator) {
  if (value.IsObject()) {
    for (auto& member : value.GetObject()) ShortenLongStrings(member.value, allocator);
  } else if (value.IsArray()) {
    for (auto& item : value.GetArray()) ShortenLongStrings(item, allocator);
  } else if (value.IsString() && value.GetStringLength() > kReadableStringLimit) {
    const std::string text(value.GetString(), value.GetStringLength());
    std::size_t cut = kReadableStringLimit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    const std::string shown = text.substr(0, cut) + "... (" + std::to_string(text.size()) +
                              " bytes; the whole text goes to a file or a pipe)";
    value.SetString(shown.c_str(), static_cast<rapidjson::SizeType>(shown.size()), allocator);
  }
}

}  // namespace

std::string ReadableJson(const std::string& json) {
  rapidjson::Document doc;
  doc.Parse<rapidjson::kParseIterativeFlag>(json.c_str(), json.size());
  if (doc.HasParseError()) return json;
  ShortenLongStrings(doc, doc.GetAllocator());
  rapidjson::StringBuffer buffer;
  // UTF-8 in and out: characters outside ASCII are written as they are, not escaped.
  rapidjson::PrettyWriter<rapidjson::StringBuffer> writer(buffer);
  writer.SetIndent(' ', 2);
  doc.Accept(writer);
  return std::string(buffer.GetString(), buffer.GetSize());
}

void PrintJsonAnswer(std::ostream& out, const std::string& json) {
  out << (StdoutIsTerminal() ? ReadableJson(json) : json) << "\n";
}

}  // namespace tir::tirdex
