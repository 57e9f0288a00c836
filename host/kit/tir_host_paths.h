/* Where the substitute host's programs find the libraries they load at run time (the module
   libTirDataExchange.so and the service library libtirvalosm.so), with no environment variable
   set: the same rules hold in the build tree and in an installed tree. Plain C. */
#ifndef TIR_HOST_PATHS_H
#define TIR_HOST_PATHS_H

#include <stddef.h>

#include "tir_host_kit.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Looks for the library file `name` (no folder) in, in this order: the running program's folder,
   the installed tree's private library folder seen from the program's folder, the folder of
   libtirhostkit.so itself (installed, the kit lies beside the module and the service library),
   and the build tree's module and service folders seen from the kit's folder. Writes the first
   existing path to `buffer` (always terminated) and returns its length in bytes; returns 0 and
   writes "" when none exists, or when the path does not fit. */
TIR_HOSTKIT_API size_t TirHostFindLibrary(const char* name, char* buffer, size_t bufferSize);

#ifdef __cplusplus
}
#endif

#endif /* TIR_HOST_PATHS_H */
