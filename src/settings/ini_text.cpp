#include "settings/ini_text.h"

#include "files/output_file.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace tir {

namespace {

constexpr std::size_t kNpos = std::string::npos;

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == kNpos) return {};
  const auto last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

// The section name of a header line, or nullopt for another line.
std::optional<std::string_view> HeaderName(std::string_view line) {
  const std::string_view t = Trim(line);
  if (t.empty() || t.front() != '[') return std::nullopt;
  const auto close = t.find(']');
  if (close == kNpos) return std::nullopt;
  return Trim(t.substr(1, close - 1));
}

bool IsComment(std::string_view line) {
  const std::string_view t = Trim(line);
  return !t.empty() && (t.front() == ';' || t.front() == '#');
}

// Key and value of a "key=value" line.
bool SplitKeyLine(std::string_view line, std::string_view& key, std::string_view& value) {
  if (IsComment(line) || HeaderName(line)) return false;
  const auto eq = line.find('=');
  if (eq == kNpos) return false;
  key = Trim(line.substr(0, eq));
  value = Trim(line.substr(eq + 1));
  return !key.empty();
}

std::string OneLine(std::string_view value) {
  std::string out(Trim(value));
  for (char& c : out) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return std::string(Trim(out));
}

}  // namespace

TIniText::TIniText(std::string_view aText) {
  // Byte-order marks are dropped, repeated ones too (editors that add one to a file that already
  // has one), so that the text written back parses to the same sections.
  while (aText.substr(0, 3) == "\xEF\xBB\xBF") aText.remove_prefix(3);
  if (aText.find("\r\n") != kNpos) newline_ = "\r\n";
  std::size_t start = 0;
  while (start < aText.size()) {
    std::size_t end = aText.find('\n', start);
    if (end == kNpos) end = aText.size();
    std::string_view line = aText.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines_.emplace_back(line);
    start = end + 1;
  }
}

std::size_t TIniText::FindSection(std::string_view aSection) const {
  const std::string_view wanted = Trim(aSection);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const auto name = HeaderName(lines_[i]);
    if (name && SameName(*name, wanted)) return i;
  }
  return kNpos;
}

std::size_t TIniText::SectionEnd(std::size_t header) const {
  std::size_t i = header + 1;
  while (i < lines_.size() && !HeaderName(lines_[i])) ++i;
  return i;
}

std::optional<std::string> TIniText::Read(std::string_view aSection, std::string_view aKey) const {
  const std::size_t header = FindSection(aSection);
  if (header == kNpos) return std::nullopt;
  const std::string_view wantedKey = Trim(aKey);
  const std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    std::string_view key, value;
    if (SplitKeyLine(lines_[i], key, value) && SameName(key, wantedKey)) return std::string(value);
  }
  return std::nullopt;
}

void TIniText::Write(std::string_view aSection, std::string_view aKey, std::string_view aValue) {
  const std::string key = OneLine(aKey);
  const std::string line = key + "=" + OneLine(aValue);
  std::size_t header = FindSection(aSection);
  if (header == kNpos) {
    lines_.push_back("[" + OneLine(aSection) + "]");
    lines_.push_back(line);
    return;
  }
  const std::size_t end = SectionEnd(header);
  std::size_t insertAt = header + 1;
  for (std::size_t i = header + 1; i < end; ++i) {
    std::string_view k, v;
    if (SplitKeyLine(lines_[i], k, v)) {
      if (SameName(k, key)) {
        lines_[i] = line;
        return;
      }
    }
    if (!Trim(lines_[i]).empty()) insertAt = i + 1;  // after the last non-blank line
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), line);
}

bool TIniText::SectionExists(std::string_view aSection) const {
  return FindSection(aSection) != kNpos;
}

void TIniText::EraseSection(std::string_view aSection) {
  for (std::size_t header = FindSection(aSection); header != kNpos;
       header = FindSection(aSection)) {
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header),
                 lines_.begin() + static_cast<std::ptrdiff_t>(SectionEnd(header)));
  }
}

std::vector<std::string> TIniText::SectionNames() const {
  std::vector<std::string> names;
  for (const std::string& line : lines_) {
    if (const auto name = HeaderName(line)) names.emplace_back(*name);
  }
  return names;
}

std::string TIniText::Text() const {
  std::string text;
  for (const std::string& line : lines_) {
    text += line;
    text += newline_;
  }
  return text;
}

std::optional<std::string> ReadIniFileText(const std::string& aPath) {
  std::ifstream in(aPath, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return text.str();
}

bool WriteIniFileText(const std::string& aPath, const std::string& aText) {
  std::string error;
  return files::WriteOutputFile(
      aPath,
      [&aText](std::FILE* file) {
        return std::fwrite(aText.data(), 1, aText.size(), file) == aText.size();
      },
      error);
}

}  // namespace tir
