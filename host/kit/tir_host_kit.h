/* C entry points of the host kit (libtirhostkit.so) for hosts of the TirDataExchange module. */
#ifndef TIR_HOST_KIT_H
#define TIR_HOST_KIT_H

#include <stdint.h>

#if defined(__GNUC__)
#define TIR_HOSTKIT_API __attribute__((visibility("default")))
#else
#define TIR_HOSTKIT_API
#endif

#ifdef __cplusplus
extern "C" {
typedef char16_t TirChar16;
#else
typedef uint16_t TirChar16;
#endif

/* Opens the SQLite base at utf8Path (created when missing) and returns the connection to hand
   the module as fFDConnect. A new or empty file receives the full schema. A utf8Path that starts
   with "odbc:" is an ODBC connection string instead (a Microsoft SQL Server base, used as it is).
   Returns NULL and writes a message to stderr when the base cannot be opened or prepared. */
TIR_HOSTKIT_API void* TirHostOpenConnection(const char* utf8Path);

/* Closes a connection returned by TirHostOpenConnection; NULL is ignored. */
TIR_HOSTKIT_API void TirHostCloseConnection(void* connection);

/* Wide strings passed across the module boundary: a 4-byte byte count (length * 2) precedes the
   characters, a 16-bit zero follows them, and the pointer points at the first character.
   chars NULL with a length gives that many zero characters. Returns NULL when out of memory. */
TIR_HOSTKIT_API TirChar16* TirSysAllocStringLen(const TirChar16* chars, uint32_t length);

/* Frees a string of TirSysAllocStringLen; NULL is ignored. */
TIR_HOSTKIT_API void TirSysFreeString(TirChar16* text);

#ifdef __cplusplus
}
#endif

#endif /* TIR_HOST_KIT_H */
