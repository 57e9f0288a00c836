#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tir {

// The text of an INI file held as lines: "[section]" headers and "key=value" lines; other lines
// (comments, blank lines, lines without "=") are kept as they are. Section and key names compare
// without regard to ASCII letter case; names and values are trimmed of spaces and tabs. Where a
// section or key appears twice, the first one counts.
class TIniText {
 public:
  TIniText() = default;
  explicit TIniText(std::string_view aText);

  // The value, or nullopt when the section or key is missing.
  std::optional<std::string> Read(std::string_view aSection, std::string_view aKey) const;
  // Replaces the key's line or adds one at the end of the section (adding the section at the end
  // of the text when missing). Line breaks in the value become spaces.
  void Write(std::string_view aSection, std::string_view aKey, std::string_view aValue);
  bool SectionExists(std::string_view aSection) const;
  // Removes every header of the section with its lines.
  void EraseSection(std::string_view aSection);
  std::vector<std::string> SectionNames() const;

  std::string Text() const;

 private:
  // Index of the first header line of the section, or npos.
  std::size_t FindSection(std::string_view aSection) const;
  // End (exclusive) of the section body that starts after header line `header`.
  std::size_t SectionEnd(std::size_t header) const;

  std::vector<std::string> lines_;
  std::string newline_ = "\n";
};

// Whole-file helpers. ReadIniFileText gives nullopt for a missing or unreadable file.
// WriteIniFileText replaces the file through a temporary file in the same folder; false when the
// file cannot be written.
std::optional<std::string> ReadIniFileText(const std::string& aPath);
bool WriteIniFileText(const std::string& aPath, const std::string& aText);

}  // namespace tir
