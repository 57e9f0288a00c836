/* The kit header used from C: allocate, inspect and free a wide string. */
#include <string.h>

#include "host/kit/tir_host_kit.h"

int TirKitCRoundTrip(void) {
  const uint16_t hello[3] = {0x041F, 0x0440, 0x0438}; /* "При" */
  TirChar16* text = TirSysAllocStringLen(hello, 3);
  uint32_t bytes = 0;
  int ok;
  if (text == NULL) return 0;
  memcpy(&bytes, (const unsigned char*)text - 4, 4);
  ok = bytes == 6 && text[0] == 0x041F && text[2] == 0x0438 && text[3] == 0;
  TirSysFreeString(text);
  TirSysFreeString(NULL);
  return ok;
}
