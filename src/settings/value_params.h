#pragma once

#include <functional>
#include <string>

namespace tir {

// The host's number conventions as the value forms use them. The frame copies fPriceDigit,
// fCountDigit and fDecSeparator of the application parameters in here when the host hands them
// over (u60); until then the defaults below hold. Meant for the user-interface thread.
struct TValueParams {
  int fPriceDigit = 2;                 // decimals of prices and sums
  int fCountDigit = 3;                 // decimals of quantities
  char16_t fDecSeparator = u'.';       // decimal separator of the text forms
  char16_t fThousandSeparator = u' ';  // grouping character of the text forms; 0 = no grouping
};

extern TValueParams gValueParams;

// Where the value forms show an error dialog (one OK button) with a message. The frame installs
// its dialog here at start; without one the message goes to standard error.
using TErrorDialogFunc = std::function<void(const std::string& message)>;
void SetErrorDialogFunc(TErrorDialogFunc func);
void ShowValueErrorDialog(const std::string& message);

}  // namespace tir
