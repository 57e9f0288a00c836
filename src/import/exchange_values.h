#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tir::import {

// Incoming values remember whether the JSON carried them: a loader compares and writes only the
// values that were set. A cleared wrapper is unset and holds the zero value of its type.
template <typename T>
struct TJSValue {
  bool isSet = false;
  T rawValue{};

  void uSetValue(T p_Value) {
    rawValue = std::move(p_Value);
    isSet = true;
  }
  void Clear() {
    rawValue = T{};
    isSet = false;
  }
};

struct TJSString : TJSValue<std::u16string> {
  // Called on the stored value with the incoming one: an unset incoming value never differs.
  bool IsIdent_TestOnlySet(const TJSString& pParam) const;
};

struct TJSInt64 : TJSValue<std::int64_t> {
  bool IsIdent_TestOnlySet(const TJSInt64& pParam) const;
};

struct TJSInteger : TJSValue<std::int32_t> {
  bool IsIdent_TestOnlySet(const TJSInteger& pParam) const;
};

struct TJSExtended : TJSValue<long double> {
  // Equal within the float tolerance of the value forms.
  bool IsIdent_TestOnlySet(const TJSExtended& pParam) const;
};

// A GUID as its database pair; absent when "empty" (both halves 0).
struct TJSGIUD {
  std::int64_t fGUID1 = 0;
  std::int64_t fGUID2 = 0;

  // Parses the 36-character text; any other text leaves both halves 0. A 36-character text that
  // is not a GUID raises EConvertError.
  void uSetValue(std::string_view p_Value);
  void Clear() { fGUID1 = fGUID2 = 0; }
  bool isEmpty() const { return fGUID1 == 0 && fGUID2 == 0; }
  // An incoming GUID with either half 0 counts as not sent.
  bool IsIdent_TestOnlySet(const TJSGIUD& pParam) const;
};

}  // namespace tir::import
