#pragma once

// Records and function types shared with the host across the module boundary. Every record is
// packed (no padding, little-endian). Pointer-sized fields (PWideChar, WideString, object and
// function references) take the build's pointer size, so each one moves later offsets by 4 bytes on
// a 64-bit build; the static_asserts below pin every offset for both pointer sizes.

#include <cstddef>
#include <cstdint>

#include "frame/extended.h"
#include "frame/wide_string.h"
#include "settings/tir_codes.h"

// Entry points and host callbacks use stdcall on 32-bit x86; x86_64 has a single convention.
#if defined(__i386__)
#define TIR_STDCALL __attribute__((stdcall))
#else
#define TIR_STDCALL
#endif

namespace tir::frame {

using PWideChar = const char16_t*;

#pragma pack(push, 1)

struct TDllInfo {
  std::int32_t fDllID;
  PWideChar fDllName;
  PWideChar fDllVer;
  std::int32_t fDllType;
  std::int32_t fDllAutostart;
  std::int32_t fDllReserv1;
  std::int32_t fDllReserv2;
  std::int32_t fDllReserv3;
  std::int32_t fDllReserv4;
  std::int32_t fDllReserv5;
};

struct TModSearchIn {
  WideString fSearchStr;
  std::int32_t fModuleId;
  std::int32_t fSearchMode;
  std::int64_t fUserId;
  std::int64_t fDocId;
  std::int64_t fStoreId;
  std::int64_t fEntityId;
  std::int64_t fCurrensyId;
  std::int64_t fGoodId;
  std::int64_t fPartnerId;
  std::int64_t fDocType;
  std::int64_t fContractId;
  std::int64_t fTransactionId;
  std::int32_t fPriceId;
  std::int64_t fDataBigInt1;
  std::int64_t fDataBigInt2;
  std::int64_t fDataBigInt3;
  Extended fDataFloat1;
  Extended fDataFloat2;
  Extended fDataFloat3;
  WideString fStr1;
  WideString fStr2;
  WideString fStr3;
  std::int64_t fHandle;
};

struct TModSearchOut {
  std::int64_t fId;
  WideString fCode;
  WideString fName;
  WideString fNameFull;
  WideString fNameShowMod;
  WideString fBarCode;
  WideString fStr1;
  WideString fStr2;
  WideString fStr3;
  std::int32_t fCountDataList;
  WideString fStrDataList;
  Extended fPriceIn;
  Extended fPriceOut;
  Extended fDataFloat1;
  Extended fDataFloat2;
  Extended fDataFloat3;
  std::int32_t fCanceled;
  std::int64_t fDataBigInt1;
  std::int64_t fDataBigInt2;
  std::int64_t fDataBigInt3;
  std::int64_t fDataBigInt4;
  std::int32_t fGroupId;
  std::int32_t fDataInt1;
};

struct TU3MenuParams {
  std::int32_t fIdItemMenu;
  std::int32_t fTypeMenu;  // 1 = top-level menu of the host, 0 = item
  PWideChar fMenuName;
  std::int32_t fMenuOrder;
  std::int32_t fIdParentMenu1;
  std::int32_t fMenuImageIndex;
  std::int32_t fToolbarImageIndex;  // -1 = none
};

struct TU6MenuParams {
  std::int32_t fUserID;
  std::int32_t fUserType;
  std::int32_t fBaseType;  // 1 = MS SQL Server
  std::int32_t fPriceDigit;
  std::int32_t fCountDigit;
  char16_t fDecSeparator;
  WideString fPriceFormat;
  WideString fCountFormat;
  WideString fSettingsParamSection;
  std::int64_t fPID;
  WideString fUserName;
  WideString fResellerId;
  WideString fUserStoreId;
  WideString fUserEntId;
  WideString fSettinsFileName;
  WideString fSettinsFileNameAll;
  WideString fSettinsFolderName;
  std::int32_t fVerMainPro;
  std::int32_t fBaseReplType;  // 2 and 102: a replica that must not be changed
};

// Host request function, host message/log function and host database log function.
using TF_DllU9 = std::int32_t(TIR_STDCALL*)(TModSearchIn pIn, TModSearchOut* pOut);
using TF_DllU10 = std::int32_t(TIR_STDCALL*)(WideString pMessage, std::uint8_t pType,
                                             TDllInfo pDllInfo, std::uint8_t pIfLog);
using TF_DllU11 = std::int32_t(TIR_STDCALL*)(std::int32_t pUserId, std::int32_t pType,
                                             std::int32_t pGoodId, std::int32_t pDocId,
                                             WideString pData);

struct TU7MenuParams {
  void* fBarMDI;     // the host's window bar
  void* fFDConnect;  // the host's open connection: a tir::db::Connection*
  TF_DllU9 fSearchFunc;
  TF_DllU10 fLogMessage;
  TF_DllU11 fSysLogDB;
};

struct TU8Params {
  std::int32_t fCode;
  std::int32_t fReserv1;
  std::int32_t fReserv2;
  std::int32_t fReserv3;
  std::int32_t fReserv4;
  std::int32_t fReserv5;
};

#pragma pack(pop)

// Entry point types.
using TF_DllU0 = std::int32_t(TIR_STDCALL*)();
using TF_DllU1 = std::int32_t(TIR_STDCALL*)(std::int32_t* pIn, std::int32_t* pOut);
using TF_DllU2 = std::int32_t(TIR_STDCALL*)(TDllInfo* pOut);
using TF_DllU3 = std::int32_t(TIR_STDCALL*)(std::int32_t* ioNumMenu, TU3MenuParams* pMenuInfo);
using TF_DllU6 = std::int32_t(TIR_STDCALL*)(TU6MenuParams pGlobalAppParams);
using TF_DllU7 = std::int32_t(TIR_STDCALL*)(TU7MenuParams pGlobalAppParams);
using TF_DllU8 = std::int32_t(TIR_STDCALL*)(TU8Params inParam);

// Empties the strings (freeing them) and zeroes every other field; fPriceId becomes 1.
void Clear_TModSearchIn(TModSearchIn& rec);
// Empties every string (freeing it) and zeroes every other field.
void Clear_TModSearchOut(TModSearchOut& rec);
// Frees the strings of a record without touching the rest (a record that goes out of scope).
void Free_TModSearchIn(TModSearchIn& rec);
void Free_TModSearchOut(TModSearchOut& rec);

// A WideString field of a packed record by its offset. Fields of packed records may sit at any
// address, so they are read and written bytewise when not named directly.
WideString LoadWideField(const void* rec, std::size_t offset);
void StoreWideField(void* rec, std::size_t offset, WideString value);

// Offsets of the 32-bit layout plus 4 bytes for every pointer-sized field before the field.
namespace layout {
constexpr std::size_t kPtrExtra = sizeof(void*) - 4;
constexpr std::size_t At(std::size_t offset32, std::size_t pointersBefore) {
  return offset32 + pointersBefore * kPtrExtra;
}
}  // namespace layout

#define TIR_PIN(rec, field, off32, ptrs) \
  static_assert(offsetof(rec, field) == layout::At(off32, ptrs), #rec "." #field)

TIR_PIN(TDllInfo, fDllID, 0, 0);
TIR_PIN(TDllInfo, fDllName, 4, 0);
TIR_PIN(TDllInfo, fDllVer, 8, 1);
TIR_PIN(TDllInfo, fDllType, 12, 2);
TIR_PIN(TDllInfo, fDllAutostart, 16, 2);
TIR_PIN(TDllInfo, fDllReserv1, 20, 2);
TIR_PIN(TDllInfo, fDllReserv5, 36, 2);
static_assert(sizeof(TDllInfo) == layout::At(40, 2));

TIR_PIN(TModSearchIn, fSearchStr, 0, 0);
TIR_PIN(TModSearchIn, fModuleId, 4, 1);
TIR_PIN(TModSearchIn, fSearchMode, 8, 1);
TIR_PIN(TModSearchIn, fUserId, 12, 1);
TIR_PIN(TModSearchIn, fDocId, 20, 1);
TIR_PIN(TModSearchIn, fStoreId, 28, 1);
TIR_PIN(TModSearchIn, fEntityId, 36, 1);
TIR_PIN(TModSearchIn, fCurrensyId, 44, 1);
TIR_PIN(TModSearchIn, fGoodId, 52, 1);
TIR_PIN(TModSearchIn, fPartnerId, 60, 1);
TIR_PIN(TModSearchIn, fDocType, 68, 1);
TIR_PIN(TModSearchIn, fContractId, 76, 1);
TIR_PIN(TModSearchIn, fTransactionId, 84, 1);
TIR_PIN(TModSearchIn, fPriceId, 92, 1);
TIR_PIN(TModSearchIn, fDataBigInt1, 96, 1);
TIR_PIN(TModSearchIn, fDataBigInt2, 104, 1);
TIR_PIN(TModSearchIn, fDataBigInt3, 112, 1);
TIR_PIN(TModSearchIn, fDataFloat1, 120, 1);
TIR_PIN(TModSearchIn, fDataFloat2, 130, 1);
TIR_PIN(TModSearchIn, fDataFloat3, 140, 1);
TIR_PIN(TModSearchIn, fStr1, 150, 1);
TIR_PIN(TModSearchIn, fStr2, 154, 2);
TIR_PIN(TModSearchIn, fStr3, 158, 3);
TIR_PIN(TModSearchIn, fHandle, 162, 4);
static_assert(sizeof(TModSearchIn) == layout::At(170, 4));

TIR_PIN(TModSearchOut, fId, 0, 0);
TIR_PIN(TModSearchOut, fCode, 8, 0);
TIR_PIN(TModSearchOut, fName, 12, 1);
TIR_PIN(TModSearchOut, fNameFull, 16, 2);
TIR_PIN(TModSearchOut, fNameShowMod, 20, 3);
TIR_PIN(TModSearchOut, fBarCode, 24, 4);
TIR_PIN(TModSearchOut, fStr1, 28, 5);
TIR_PIN(TModSearchOut, fStr2, 32, 6);
TIR_PIN(TModSearchOut, fStr3, 36, 7);
TIR_PIN(TModSearchOut, fCountDataList, 40, 8);
TIR_PIN(TModSearchOut, fStrDataList, 44, 8);
TIR_PIN(TModSearchOut, fPriceIn, 48, 9);
TIR_PIN(TModSearchOut, fPriceOut, 58, 9);
TIR_PIN(TModSearchOut, fDataFloat1, 68, 9);
TIR_PIN(TModSearchOut, fDataFloat2, 78, 9);
TIR_PIN(TModSearchOut, fDataFloat3, 88, 9);
TIR_PIN(TModSearchOut, fCanceled, 98, 9);
TIR_PIN(TModSearchOut, fDataBigInt1, 102, 9);
TIR_PIN(TModSearchOut, fDataBigInt2, 110, 9);
TIR_PIN(TModSearchOut, fDataBigInt3, 118, 9);
TIR_PIN(TModSearchOut, fDataBigInt4, 126, 9);
TIR_PIN(TModSearchOut, fGroupId, 134, 9);
TIR_PIN(TModSearchOut, fDataInt1, 138, 9);
static_assert(sizeof(TModSearchOut) == layout::At(142, 9));

TIR_PIN(TU3MenuParams, fIdItemMenu, 0, 0);
TIR_PIN(TU3MenuParams, fTypeMenu, 4, 0);
TIR_PIN(TU3MenuParams, fMenuName, 8, 0);
TIR_PIN(TU3MenuParams, fMenuOrder, 12, 1);
TIR_PIN(TU3MenuParams, fIdParentMenu1, 16, 1);
TIR_PIN(TU3MenuParams, fMenuImageIndex, 20, 1);
TIR_PIN(TU3MenuParams, fToolbarImageIndex, 24, 1);
static_assert(sizeof(TU3MenuParams) == layout::At(28, 1));

TIR_PIN(TU6MenuParams, fUserID, 0, 0);
TIR_PIN(TU6MenuParams, fUserType, 4, 0);
TIR_PIN(TU6MenuParams, fBaseType, 8, 0);
TIR_PIN(TU6MenuParams, fPriceDigit, 12, 0);
TIR_PIN(TU6MenuParams, fCountDigit, 16, 0);
TIR_PIN(TU6MenuParams, fDecSeparator, 20, 0);
TIR_PIN(TU6MenuParams, fPriceFormat, 22, 0);
TIR_PIN(TU6MenuParams, fCountFormat, 26, 1);
TIR_PIN(TU6MenuParams, fSettingsParamSection, 30, 2);
TIR_PIN(TU6MenuParams, fPID, 34, 3);
TIR_PIN(TU6MenuParams, fUserName, 42, 3);
TIR_PIN(TU6MenuParams, fResellerId, 46, 4);
TIR_PIN(TU6MenuParams, fUserStoreId, 50, 5);
TIR_PIN(TU6MenuParams, fUserEntId, 54, 6);
TIR_PIN(TU6MenuParams, fSettinsFileName, 58, 7);
TIR_PIN(TU6MenuParams, fSettinsFileNameAll, 62, 8);
TIR_PIN(TU6MenuParams, fSettinsFolderName, 66, 9);
TIR_PIN(TU6MenuParams, fVerMainPro, 70, 10);
TIR_PIN(TU6MenuParams, fBaseReplType, 74, 10);
static_assert(sizeof(TU6MenuParams) == layout::At(78, 10));

TIR_PIN(TU7MenuParams, fBarMDI, 0, 0);
TIR_PIN(TU7MenuParams, fFDConnect, 4, 1);
TIR_PIN(TU7MenuParams, fSearchFunc, 8, 2);
TIR_PIN(TU7MenuParams, fLogMessage, 12, 3);
TIR_PIN(TU7MenuParams, fSysLogDB, 16, 4);
static_assert(sizeof(TU7MenuParams) == layout::At(20, 5));

TIR_PIN(TU8Params, fCode, 0, 0);
TIR_PIN(TU8Params, fReserv5, 20, 0);
static_assert(sizeof(TU8Params) == 24);

#undef TIR_PIN

}  // namespace tir::frame
