/* libtirvalosm.so: the host's service library. Plain C. */
#ifndef TIRVALOSM_H
#define TIRVALOSM_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes of u7. */
enum {
  TIRVALOSM_OK = 0,         /* delivered: the server answered 2xx; the buffer holds its answer */
  TIRVALOSM_BAD_ARGS = 1,   /* no URL, no file name or no length pointer */
  TIRVALOSM_NO_FILE = 2,    /* the file cannot be read */
  TIRVALOSM_TRANSFER = 3,   /* no answer: "Error: ", curl's text, " (curl N)" */
  TIRVALOSM_HTTP_STATUS = 4 /* the server answered, not 2xx: status line, a line break, body */
};

/* Uploads the file `jsonPath` to `url` as a multipart form POST (file field "file"), following
   redirects, with a 60-second timeout (the environment variable TIRVALOSM_TIMEOUT_MS overrides it,
   in milliseconds). `mode` is 1 when the background timer sends, 2 when the user sends from a
   window. The answer (or the error text) goes to `response`: at most *responseLength bytes (the
   capacity on entry), followed by a zero byte when there is room for it; *responseLength is set to
   the number of text bytes written. */
__attribute__((visibility("default"))) int32_t u7(const char* url, const char* jsonPath,
                                                  int32_t mode, char* response,
                                                  int32_t* responseLength);

#ifdef __cplusplus
}
#endif

#endif /* TIRVALOSM_H */
