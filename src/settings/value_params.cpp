#include "settings/value_params.h"

#include <cstdio>
#include <utility>

namespace tir {

TValueParams gValueParams;

namespace {
TErrorDialogFunc& ErrorDialogFunc() {
  static TErrorDialogFunc func;
  return func;
}
}  // namespace

void SetErrorDialogFunc(TErrorDialogFunc func) { ErrorDialogFunc() = std::move(func); }

void ShowValueErrorDialog(const std::string& message) {
  if (ErrorDialogFunc()) {
    ErrorDialogFunc()(message);
  } else {
    std::fprintf(stderr, "%s\n", message.c_str());
  }
}

}  // namespace tir
