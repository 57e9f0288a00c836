#pragma once

#include <string>

namespace tir::exchange {

// A new, empty file of this process in pFolder, or in the temporary folder when pFolder is empty
// (made with mkstemp, so no other user can place a link there first), removed when the object
// goes. Path() is empty when none could be made.
class TTempFile {
 public:
  explicit TTempFile(const std::string& pPrefix, const std::string& pFolder = {});
  ~TTempFile();
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;

  const std::string& Path() const { return mPath; }

 private:
  std::string mPath;
};

// Removes the files pPrefix-* in pFolder that nobody has written for pMaxAgeSeconds: what a
// process killed before its TTempFile went left behind. Returns how many were removed.
int RemoveStaleTempFiles(const std::string& pPrefix, const std::string& pFolder,
                         double pMaxAgeSeconds);

}  // namespace tir::exchange
