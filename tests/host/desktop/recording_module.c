/* A module that records the calls a host makes (all but u3) as text, for the tests of the
   desktop host's message order. It offers one command, 600, under the host's menu 23. */
#include <stdio.h>
#include <string.h>

#include "host/kit/tir_host_loader.h"

#define EXPORT __attribute__((visibility("default")))

static char calls[4096];
static void* windowBar = NULL;
static const TirChar16 kName[] = {'C', 'o', 'm', 'm', 'a', 'n', 'd', 0};

static void Record(const char* format, long long a, long long b) {
  const size_t used = strlen(calls);
  snprintf(calls + used, sizeof calls - used, format, a, b);
}

EXPORT const char* RecordedCalls(void) { return calls; }
EXPORT void* RecordedWindowBar(void) { return windowBar; }

EXPORT int32_t u0(void) {
  Record("u0;", 0, 0);
  return 0;
}

EXPORT int32_t u1(int32_t* pIn, int32_t* pOut) {
  Record("u1 %lld;", *pIn == 0 ? 0 : 1, 0);
  if (*pIn == 77) return 0;
  *pOut = 77;
  return 1;
}

EXPORT int32_t u2(TirDllInfo* pOut) {
  Record("u2;", 0, 0);
  memset(pOut, 0, sizeof *pOut);
  pOut->fDllID = 410;
  return 0;
}

EXPORT int32_t u60(TirU6MenuParams p) {
  Record("u60 %lld/%lld;", p.fUserID, p.fUserType);
  return 0;
}

EXPORT int32_t u7(TirU7MenuParams p) {
  windowBar = p.fBarMDI;
  Record("u7 %lld;",
         (p.fFDConnect != NULL) + (p.fSearchFunc != NULL) + (p.fLogMessage != NULL) +
             (p.fSysLogDB != NULL),
         0);
  return 0;
}

EXPORT int32_t u3(int32_t* ioNumMenu, TirU3MenuParams* item) {
  if (*ioNumMenu == 0) {
    *ioNumMenu = 1;
    return 0;
  }
  if (*ioNumMenu != 1) return 2;
  item->fIdItemMenu = 600;
  item->fTypeMenu = 0;
  item->fMenuName = kName;
  item->fMenuOrder = 1;
  item->fIdParentMenu1 = 23;
  return 0;
}

EXPORT int32_t u8(TirU8Params p) {
  Record("u8 %lld;", p.fCode, 0);
  return 0;
}

EXPORT int32_t u9(TirModSearchIn in, TirModSearchOut* out) {
  memset(out, 0, sizeof *out);
  Record("u9 %lld %lld;", in.fSearchMode, in.fDataBigInt1);
  return 1;
}
