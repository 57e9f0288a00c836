#pragma once

#include <string>

namespace tir::test {

// A unique path in the temporary folder (nothing is created).
std::string TempPath(const std::string& suffix = ".sqlite");

// Removes a base file with its -wal and -shm companions; missing files are ignored.
void RemoveBaseFiles(const std::string& path);

// A unique temporary path that is removed when the object goes, with whatever was written there
// (a file, a folder and its contents, a base with its companions): also when a failed assertion
// ends the test early or an exception leaves it.
class TempFile {
 public:
  explicit TempFile(const std::string& suffix = ".sqlite");
  ~TempFile();
  TempFile(TempFile&& other) noexcept;  // the path goes with the object
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  TempFile& operator=(TempFile&&) = delete;

  const std::string& path() const { return path_; }
  operator const std::string&() const { return path_; }  // NOLINT: used where a path is expected

 private:
  std::string path_;
};

// A temporary path joins texts as its path does ("import '" + file + "'").
inline std::string operator+(const std::string& text, const TempFile& file) {
  return text + file.path();
}
inline std::string operator+(const char* text, const TempFile& file) { return text + file.path(); }
inline std::string operator+(const TempFile& file, const std::string& text) {
  return file.path() + text;
}
inline std::string operator+(const TempFile& file, const char* text) { return file.path() + text; }

// A temporary file holding `text`.
TempFile TempText(const std::string& text, const std::string& suffix = ".json");

// A fresh empty folder in the temporary folder, removed with its contents when the object goes.
class TempDir {
 public:
  TempDir();

  const std::string& path() const { return folder_.path(); }
  // The path of `name` inside the folder.
  std::string operator/(const std::string& name) const { return folder_.path() + "/" + name; }

 private:
  TempFile folder_;
};

}  // namespace tir::test
