#include "transport/send_json.h"

#include <dlfcn.h>

#include <cstdlib>
#include <mutex>
#include <vector>

#include "frame/app_globals.h"
#include "frame/dm_lang.h"
#include "transport/upload_failure_text.h"

namespace tir::transport {

namespace {

using U7Func = std::int32_t (*)(const char* url, const char* jsonPath, std::int32_t mode,
                                char* response, std::int32_t* responseLength);

constexpr std::int32_t kResponseCapacity = 100001;

std::mutex gLibraryLock;
std::string gLibraryPath;
void* gLibrary = nullptr;
U7Func gU7 = nullptr;

std::string ModuleFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&ModuleFolder), &info) == 0 || info.dli_fname == nullptr) {
    return {};
  }
  const std::string path = info.dli_fname;
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Loads the library once; on failure returns null and the reason.
U7Func LoadU7(std::string& why) {
  std::lock_guard<std::mutex> lock(gLibraryLock);
  if (gU7 != nullptr) return gU7;
  std::vector<std::string> candidates;
  if (!gLibraryPath.empty()) {
    candidates.push_back(gLibraryPath);
  } else {
    if (const char* env = std::getenv("TIR_SERVICE_LIBRARY"); env != nullptr && *env != '\0') {
      candidates.emplace_back(env);
    }
    candidates.emplace_back("libtirvalosm.so");
    candidates.push_back(ModuleFolder() + "libtirvalosm.so");
  }
  for (const std::string& path : candidates) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      const char* err = dlerror();
      why = err != nullptr ? err : ("cannot load " + path);
      continue;
    }
    auto u7 = reinterpret_cast<U7Func>(dlsym(handle, "u7"));
    if (u7 == nullptr) {
      why = path + ": the service library has no u7";
      dlclose(handle);
      continue;
    }
    gLibrary = handle;
    gU7 = u7;
    return gU7;
  }
  return nullptr;
}

}  // namespace

void SetServiceLibraryPath(const std::string& aPath) {
  std::lock_guard<std::mutex> lock(gLibraryLock);
  if (aPath == gLibraryPath) return;
  gLibraryPath = aPath;
  if (gLibrary != nullptr) dlclose(gLibrary);
  gLibrary = nullptr;
  gU7 = nullptr;
}

std::string ReplaceLibraryWord(const std::string& aText) {
  static const std::string kWord = "chilkat";
  std::string out;
  out.reserve(aText.size());
  std::size_t i = 0;
  while (i < aText.size()) {
    bool match = i + kWord.size() <= aText.size();
    for (std::size_t k = 0; match && k < kWord.size(); ++k) {
      char c = aText[i + k];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      match = c == kWord[k];
    }
    if (match) {
      out += "TirR";
      i += kWord.size();
    } else {
      out += aText[i++];
    }
  }
  return out;
}

std::int32_t tirSendJson(const std::string& aURL, const std::string& aFilePath, std::int32_t aMode,
                         std::string& aResponse) {
  std::string why;
  const U7Func u7 = LoadU7(why);
  if (u7 == nullptr) {
    aResponse = (frame::CurrentLang() == frame::kLangUa ? "Бібліотека сервісу недоступна: "
                                                        : "Библиотека сервиса недоступна: ") +
                why;
    return -1;
  }
  std::vector<char> buffer(kResponseCapacity, '\0');
  std::int32_t length = kResponseCapacity;
  const std::int32_t result = u7(aURL.c_str(), aFilePath.c_str(), aMode, buffer.data(), &length);
  if (length < 0) length = 0;
  if (length > kResponseCapacity) length = kResponseCapacity;
  aResponse = ReplaceLibraryWord(std::string(buffer.data(), static_cast<std::size_t>(length)));
  // Inside a host that chose a language the user reads a failure in it; the command line keeps
  // the library's own text.
  if (result != 0 && frame::DMLang != nullptr) {
    aResponse = UploadFailureText(result, aResponse, aURL, aFilePath, frame::CurrentLang());
  }
  return result;
}

}  // namespace tir::transport
