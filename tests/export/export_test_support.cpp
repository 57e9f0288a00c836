#include "tests/export/export_test_support.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "frame/app_globals.h"
#include "frame/wide_string.h"

namespace tir::test {

namespace {

std::vector<std::string> gLog;

std::int32_t TIR_STDCALL CaptureLog(frame::WideString pMessage, std::uint8_t, frame::TDllInfo,
                                    std::uint8_t) {
  gLog.push_back(frame::WideToUtf8(pMessage));
  return 0;
}

}  // namespace

void SetUserLists(const std::string& entIds, const std::string& storeIds) {
  frame::TU6MenuParams params{};
  params.fPriceDigit = 2;
  params.fCountDigit = 3;
  params.fDecSeparator = u'.';
  params.fUserEntId = frame::WideAllocUtf8(entIds);
  params.fUserStoreId = frame::WideAllocUtf8(storeIds);
  frame::StoreAppParams(params);
  // The stored copies sit in a packed record where the leak checker cannot see them: free them
  // when the test program ends.
  static const bool freedAtExit = std::atexit([] { frame::ResetAppGlobals(); }) == 0;
  (void)freedAtExit;
  frame::WideFree(params.fUserEntId);
  frame::WideFree(params.fUserStoreId);
}

void StartLogCapture() {
  gLog.clear();
  frame::gAppPackParams.fLogMessage = &CaptureLog;
}

void StopLogCapture() { frame::gAppPackParams.fLogMessage = nullptr; }

const std::vector<std::string>& CapturedLog() { return gLog; }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string SmallGuid(int guid1) {
  char buf[40];
  std::snprintf(buf, sizeof(buf), "00000000-0000-%04X-0000-000000000000", guid1);
  return buf;
}

std::string KeyLine(const json::Object& object) {
  std::string line;
  for (std::size_t i = 0; i < object.Size(); ++i)
    line.append(i == 0 ? "" : " ").append(object.KeyAt(i));
  return line;
}

}  // namespace tir::test
