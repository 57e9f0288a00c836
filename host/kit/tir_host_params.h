/* Application parameters a substitute host passes to the module (libtirhostkit.so). Plain C. */
#ifndef TIR_HOST_PARAMS_H
#define TIR_HOST_PARAMS_H

#include "tir_host_loader.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Fills `params` for the signed-in user: the user's id, type and name, the base kind of
   `connection` (1 Microsoft SQL Server, 0 SQLite), 2 price and 3 quantity decimals, '.' as the
   decimal separator, the settings section and file names, host version 1, no replication role.
   The strings are new; TirHostFreeAppParams frees them (the module keeps its own copies). */
TIR_HOSTKIT_API void TirHostFillAppParams(TirU6MenuParams* params, void* connection, int32_t userId,
                                          int32_t userType, const char* userName);

/* Frees the strings of a record filled by TirHostFillAppParams and zeroes it. */
TIR_HOSTKIT_API void TirHostFreeAppParams(TirU6MenuParams* params);

#ifdef __cplusplus
}
#endif

#endif /* TIR_HOST_PARAMS_H */
