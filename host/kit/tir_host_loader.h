/* Host side of the TirDataExchange module: the records of the module boundary as a host declares
   them, the module loader and the substitute host's callbacks (libtirhostkit.so). Plain C. */
#ifndef TIR_HOST_LOADER_H
#define TIR_HOST_LOADER_H

#include <stddef.h>
#include <stdint.h>

#include "tir_host_kit.h"

#if defined(__i386__)
#define TIR_HOST_STDCALL __attribute__((stdcall))
#else
#define TIR_HOST_STDCALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Records of the module boundary: packed, little-endian; pointers take the build's size. */
#pragma pack(push, 1)

typedef struct TirExtended {
  uint8_t bytes[10];
} TirExtended; /* x87 80-bit value */

typedef struct TirDllInfo {
  int32_t fDllID;
  const TirChar16* fDllName;
  const TirChar16* fDllVer;
  int32_t fDllType;
  int32_t fDllAutostart;
  int32_t fDllReserv1, fDllReserv2, fDllReserv3, fDllReserv4, fDllReserv5;
} TirDllInfo;

typedef struct TirModSearchIn {
  TirChar16* fSearchStr;
  int32_t fModuleId;
  int32_t fSearchMode;
  int64_t fUserId, fDocId, fStoreId, fEntityId, fCurrensyId, fGoodId, fPartnerId, fDocType,
      fContractId, fTransactionId;
  int32_t fPriceId;
  int64_t fDataBigInt1, fDataBigInt2, fDataBigInt3;
  TirExtended fDataFloat1, fDataFloat2, fDataFloat3;
  TirChar16* fStr1;
  TirChar16* fStr2;
  TirChar16* fStr3;
  int64_t fHandle;
} TirModSearchIn;

typedef struct TirModSearchOut {
  int64_t fId;
  TirChar16* fCode;
  TirChar16* fName;
  TirChar16* fNameFull;
  TirChar16* fNameShowMod;
  TirChar16* fBarCode;
  TirChar16* fStr1;
  TirChar16* fStr2;
  TirChar16* fStr3;
  int32_t fCountDataList;
  TirChar16* fStrDataList;
  TirExtended fPriceIn, fPriceOut, fDataFloat1, fDataFloat2, fDataFloat3;
  int32_t fCanceled;
  int64_t fDataBigInt1, fDataBigInt2, fDataBigInt3, fDataBigInt4;
  int32_t fGroupId;
  int32_t fDataInt1;
} TirModSearchOut;

typedef struct TirU3MenuParams {
  int32_t fIdItemMenu;
  int32_t fTypeMenu;
  const TirChar16* fMenuName;
  int32_t fMenuOrder;
  int32_t fIdParentMenu1;
  int32_t fMenuImageIndex;
  int32_t fToolbarImageIndex;
} TirU3MenuParams;

typedef struct TirU6MenuParams {
  int32_t fUserID, fUserType, fBaseType, fPriceDigit, fCountDigit;
  TirChar16 fDecSeparator;
  TirChar16* fPriceFormat;
  TirChar16* fCountFormat;
  TirChar16* fSettingsParamSection;
  int64_t fPID;
  TirChar16* fUserName;
  TirChar16* fResellerId;
  TirChar16* fUserStoreId;
  TirChar16* fUserEntId;
  TirChar16* fSettinsFileName;
  TirChar16* fSettinsFileNameAll;
  TirChar16* fSettinsFolderName;
  int32_t fVerMainPro;
  int32_t fBaseReplType;
} TirU6MenuParams;

typedef int32_t(TIR_HOST_STDCALL* TirSearchFunc)(TirModSearchIn pIn, TirModSearchOut* pOut);
typedef int32_t(TIR_HOST_STDCALL* TirLogMessageFunc)(TirChar16* pMessage, uint8_t pType,
                                                     TirDllInfo pDllInfo, uint8_t pIfLog);
typedef int32_t(TIR_HOST_STDCALL* TirSysLogDBFunc)(int32_t pUserId, int32_t pType, int32_t pGoodId,
                                                   int32_t pDocId, TirChar16* pData);

typedef struct TirU7MenuParams {
  void* fBarMDI;
  void* fFDConnect;
  TirSearchFunc fSearchFunc;
  TirLogMessageFunc fLogMessage;
  TirSysLogDBFunc fSysLogDB;
} TirU7MenuParams;

typedef struct TirU8Params {
  int32_t fCode;
  int32_t fReserv1, fReserv2, fReserv3, fReserv4, fReserv5;
} TirU8Params;

/* The layout the module expects, for 32- and 64-bit pointers (P: bytes a pointer adds). */
#define TIR_P (sizeof(void*) - 4)
#ifdef __cplusplus
#define TIR_LAYOUT(e) static_assert(e, #e)
#else
#define TIR_LAYOUT(e) _Static_assert(e, #e)
#endif
TIR_LAYOUT(sizeof(TirDllInfo) == 40 + 2 * TIR_P);
TIR_LAYOUT(sizeof(TirModSearchIn) == 170 + 4 * TIR_P);
TIR_LAYOUT(sizeof(TirModSearchOut) == 142 + 9 * TIR_P);
TIR_LAYOUT(sizeof(TirU3MenuParams) == 28 + TIR_P);
TIR_LAYOUT(sizeof(TirU6MenuParams) == 78 + 10 * TIR_P);
TIR_LAYOUT(sizeof(TirU7MenuParams) == 20 + 5 * TIR_P);
TIR_LAYOUT(sizeof(TirU8Params) == 24);
TIR_LAYOUT(offsetof(TirModSearchIn, fModuleId) == 4 + TIR_P);
TIR_LAYOUT(offsetof(TirModSearchIn, fPriceId) == 92 + TIR_P);
TIR_LAYOUT(offsetof(TirModSearchIn, fDataFloat1) == 120 + TIR_P);
TIR_LAYOUT(offsetof(TirModSearchIn, fHandle) == 162 + 4 * TIR_P);
TIR_LAYOUT(offsetof(TirModSearchOut, fCanceled) == 98 + 9 * TIR_P);
TIR_LAYOUT(offsetof(TirModSearchOut, fDataInt1) == 138 + 9 * TIR_P);
TIR_LAYOUT(offsetof(TirU6MenuParams, fPID) == 34 + 3 * TIR_P);
TIR_LAYOUT(offsetof(TirU6MenuParams, fVerMainPro) == 70 + 10 * TIR_P);
#undef TIR_LAYOUT
#undef TIR_P

#pragma pack(pop)

/* Entry points of the module. */
typedef int32_t(TIR_HOST_STDCALL* TirU0Fn)(void);
typedef int32_t(TIR_HOST_STDCALL* TirU1Fn)(int32_t* pIn, int32_t* pOut);
typedef int32_t(TIR_HOST_STDCALL* TirU2Fn)(TirDllInfo* pOut);
typedef int32_t(TIR_HOST_STDCALL* TirU60Fn)(TirU6MenuParams pGlobalAppParams);
typedef int32_t(TIR_HOST_STDCALL* TirU7Fn)(TirU7MenuParams pGlobalAppParams);
typedef int32_t(TIR_HOST_STDCALL* TirU3Fn)(int32_t* ioNumMenu, TirU3MenuParams* pMenuInfo);
typedef int32_t(TIR_HOST_STDCALL* TirU8Fn)(TirU8Params inParam);
typedef int32_t(TIR_HOST_STDCALL* TirU9Fn)(TirModSearchIn pIn, TirModSearchOut* pOut);

/* ---- Module loader. */

typedef struct TirHostModule {
  void* handle; /* of dlopen */
  TirU0Fn u0;
  TirU1Fn u1;
  TirU2Fn u2;
  TirU60Fn u60;
  TirU7Fn u7;
  TirU3Fn u3;
  TirU8Fn u8;
  TirU9Fn u9;
  TirDllInfo info; /* from u2 after a successful start */
  int32_t started; /* -160 was sent and -170 not yet */
} TirHostModule;

/* dlopen()s the module and resolves the eight entry points. Returns NULL with a message in
   `error` (when given) when the file cannot be loaded or an entry point is missing. */
TIR_HOSTKIT_API TirHostModule* TirHostLoadModule(const char* path, char* error, size_t errorSize);

/* Starts a loaded module as a host does: u0, u1 (challenge), u1 (answer), u2, u60 with
   `appParams`, u7 with `services`, u9 -160 with `language`. Returns 0, or the number of the step
   that failed (1 u0, 2 handshake, 3 u2, 4 u60, 5 u7) with a message in `error`. */
TIR_HOSTKIT_API int32_t TirHostStartModule(TirHostModule* module, const TirU6MenuParams* appParams,
                                           const TirU7MenuParams* services, int32_t language,
                                           char* error, size_t errorSize);

/* Sends u9 -170 when the module was started. */
TIR_HOSTKIT_API void TirHostStopModule(TirHostModule* module);

/* Stops (when started) and unloads the module; NULL is ignored. */
TIR_HOSTKIT_API void TirHostUnloadModule(TirHostModule* module);

/* Clears a request record as the module does: strings freed, fields zeroed, fPriceId 1. */
TIR_HOSTKIT_API void TirHostClearSearchIn(TirModSearchIn* rec);
/* Frees the strings of a reply record and zeroes it. */
TIR_HOSTKIT_API void TirHostClearSearchOut(TirModSearchOut* rec);

/* Note for direct calls of u9: the module clears the reply record first, freeing the strings it
   holds, so a reply record must be zeroed or hold only strings of TirSysAllocStringLen. */

/* Sends a message to the module's u9: `pIn` fModuleId 410, fSearchMode `mode`, fDataBigInt1
   `data1`; the reply goes to `pOut` (cleared before). Returns u9's result. */
TIR_HOSTKIT_API int32_t TirHostSendMessage(TirHostModule* module, int32_t mode, int64_t data1,
                                           TirModSearchOut* pOut);

/* Wide string helpers for hosts: a new wide string from UTF-8 (NULL for ""), and the UTF-8 text
   of a wide string or of a zero-terminated wide text, written to `buffer` (always terminated;
   returns the full length in bytes). */
TIR_HOSTKIT_API TirChar16* TirHostWideFromUtf8(const char* utf8);
TIR_HOSTKIT_API size_t TirHostWideToUtf8(const TirChar16* wide, char* buffer, size_t bufferSize);
TIR_HOSTKIT_API size_t TirHostPWideToUtf8(const TirChar16* text, char* buffer, size_t bufferSize);

/* Extended values for hosts. */
TIR_HOSTKIT_API TirExtended TirHostExtendedFromDouble(double value);
TIR_HOSTKIT_API double TirHostExtendedToDouble(TirExtended value);

/* ---- The substitute host's callbacks. */

/* Fills `services` with the substitute host's callbacks and `connection` (a connection of
   TirHostOpenConnection); the callbacks read and write that base. fBarMDI is NULL. */
TIR_HOSTKIT_API void TirHostDefaultServices(void* connection, TirU7MenuParams* services);

/* fSearchFunc: answers module 20 (888020 group picker, 888023 group names, 888046 catalog changed),
   170 (5000 arrears of a contract, 1024 settlements changed), 330 (888014 scales count and tare,
   888015 weight, 888025 barcode from the scanner) and the module's own 888026; anything else is
   answered 1 with fCanceled set. */
TIR_HOSTKIT_API int32_t TIR_HOST_STDCALL TirHostSearchFunc(TirModSearchIn pIn,
                                                           TirModSearchOut* pOut);
/* fLogMessage: one line "[<module name>] <type>: <text>" to the log sink (stderr by default). */
TIR_HOSTKIT_API int32_t TIR_HOST_STDCALL TirHostLogMessage(TirChar16* pMessage, uint8_t pType,
                                                           TirDllInfo pDllInfo, uint8_t pIfLog);
/* fSysLogDB: appends a row to tirSysLog of the callbacks' base; 1 when that fails. */
TIR_HOSTKIT_API int32_t TIR_HOST_STDCALL TirHostSysLogDB(int32_t pUserId, int32_t pType,
                                                         int32_t pGoodId, int32_t pDocId,
                                                         TirChar16* pData);

/* The base the callbacks use (TirHostDefaultServices sets it). */
TIR_HOSTKIT_API void TirHostSetCallbackConnection(void* connection);
/* The base the callbacks use on the calling thread only, ahead of the one above (NULL: that one).
   A server whose workers each hold their own connection sets it in every worker. */
TIR_HOSTKIT_API void TirHostSetThreadCallbackConnection(void* connection);

/* Configured answers of module 330 and of the group picker. `chosenGroups` NULL: the picker keeps
   the list it was given. */
TIR_HOSTKIT_API void TirHostConfigureScales(int32_t count, int32_t tareGrams, double weight,
                                            const char* barcode);
TIR_HOSTKIT_API void TirHostConfigureGroupPicker(const char* chosenGroups);

/* Where fLogMessage writes: NULL restores stderr. The sink receives UTF-8 text. */
typedef void (*TirHostLogSink)(const char* utf8, uint8_t type, uint8_t ifLog, void* context);
TIR_HOSTKIT_API void TirHostSetLogSink(TirHostLogSink sink, void* context);

/* How many requests with this module id and code fSearchFunc has received; -1, -1 resets. */
TIR_HOSTKIT_API int32_t TirHostRequestCount(int32_t moduleId, int32_t searchMode);

#ifdef __cplusplus
}
#endif

#endif /* TIR_HOST_LOADER_H */
