#include "tree/tree_path.h"

namespace tir::tree {
namespace {

std::string Trim(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

}  // namespace

std::vector<std::string> SplitGroupPath(const std::string& aPath) {
  std::string path = Trim(aPath);
  for (char& c : path) {
    if (c == '/') {
      c = '\\';
    } else if (c == '\t' || c == '\n' || c == '\r') {
      c = ' ';
    }
  }
  std::vector<std::string> segments;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t stop = path.find('\\', start);
    if (stop == std::string::npos) stop = path.size();
    std::string segment = Trim(path.substr(start, stop - start));
    if (!segment.empty()) segments.push_back(std::move(segment));
    start = stop + 1;
  }
  return segments;
}

std::string JoinGroupPath(const std::vector<std::string>& aSegments) {
  std::string path;
  for (const std::string& segment : aSegments) {
    if (!path.empty()) path += '\\';
    path += segment;
  }
  return path;
}

}  // namespace tir::tree
