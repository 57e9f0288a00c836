#include "import/exchange_values.h"

#include "settings/guid_forms.h"
#include "settings/number_forms.h"

namespace tir::import {

bool TJSString::IsIdent_TestOnlySet(const TJSString& pParam) const {
  return !pParam.isSet || rawValue == pParam.rawValue;
}

bool TJSInt64::IsIdent_TestOnlySet(const TJSInt64& pParam) const {
  return !pParam.isSet || rawValue == pParam.rawValue;
}

bool TJSInteger::IsIdent_TestOnlySet(const TJSInteger& pParam) const {
  return !pParam.isSet || rawValue == pParam.rawValue;
}

bool TJSExtended::IsIdent_TestOnlySet(const TJSExtended& pParam) const {
  return !pParam.isSet || IsFloatIdent(rawValue, pParam.rawValue);
}

void TJSGIUD::uSetValue(std::string_view p_Value) { gGetGUIDSFromSTR(p_Value, fGUID1, fGUID2); }

bool TJSGIUD::IsIdent_TestOnlySet(const TJSGIUD& pParam) const {
  if (pParam.fGUID1 == 0 || pParam.fGUID2 == 0) return true;
  return fGUID1 == pParam.fGUID1 && fGUID2 == pParam.fGUID2;
}

}  // namespace tir::import
