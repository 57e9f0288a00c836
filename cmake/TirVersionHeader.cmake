# Run at build time (cmake -P): writes OUT, a header with the commit the tree was built from, and
# touches it only when the text changes, so that a rebuild without a new commit recompiles nothing.
# Inputs: SOURCE_DIR, OUT, VERSION, QT_VERSION (empty when the build has no Qt).
set(commit "unknown")
find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} describe --always --dirty --abbrev=12
                  OUTPUT_VARIABLE described RESULT_VARIABLE rc OUTPUT_STRIP_TRAILING_WHITESPACE
                  ERROR_QUIET)
  if(rc EQUAL 0 AND NOT described STREQUAL "")
    set(commit "${described}")
  endif()
endif()
set(text "// Generated at build time.\n#pragma once\n#define TIR_VERSION \"${VERSION}\"\n#define TIR_COMMIT \"${commit}\"\n#define TIR_BUILT_QT_VERSION \"${QT_VERSION}\"\n")
if(EXISTS ${OUT})
  file(READ ${OUT} old)
  if(old STREQUAL text)
    return()
  endif()
endif()
file(WRITE ${OUT} "${text}")
