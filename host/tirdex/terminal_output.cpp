#include "host/tirdex/terminal_output.h"

#include <rapidjson/document.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>
#include <unistd.h>

#include <cstdio>

namespace tir::tirdex {

void FlushEveryLine() { std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ); }

bool StdoutIsTerminal() { return ::isatty(STDOUT_FILENO) != 0; }

std::string ReadableJson(const std::string& json) {
  rapidjson::Document doc;
  doc.Parse(json.c_str(), json.size());
  if (doc.HasParseError()) return json;
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
