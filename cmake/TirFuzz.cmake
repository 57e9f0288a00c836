# tir_add_fuzzer(<target> SOURCES ... LIBS ... [SEEDS <folder>] [MAX_LEN <bytes>])
# A libFuzzer target (clang only; see scripts/fuzz.sh) and its CTest test labelled "fuzz", which
# runs for 20 seconds from the seed folder and the kept corpus fuzz/corpus/<target> (what long runs
# found, minimised). New inputs go to a corpus folder in the build tree; the seeds and the kept
# corpus in the source tree change only through `scripts/fuzz.sh --long`, which reads the
# target's settings from fuzz-targets/<target>.sh in the build tree.
function(tir_add_fuzzer target)
  cmake_parse_arguments(F "" "SEEDS;MAX_LEN" "SOURCES;LIBS" ${ARGN})
  if(NOT F_MAX_LEN)
    set(F_MAX_LEN 4096)
  endif()
  add_executable(${target} ${F_SOURCES})
  target_link_libraries(${target} PRIVATE ${F_LIBS})
  target_compile_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer)
  target_link_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined)
  tir_target_warnings(${target})
  set(work_corpus ${CMAKE_CURRENT_BINARY_DIR}/corpus/${target})
  file(MAKE_DIRECTORY ${work_corpus})
  # Made when missing, so that a corpus a long run fills later is read without a new configure.
  set(kept_corpus ${CMAKE_SOURCE_DIR}/fuzz/corpus/${target})
  file(MAKE_DIRECTORY ${kept_corpus})
  set(seed_args ${kept_corpus})
  if(F_SEEDS AND EXISTS ${F_SEEDS})
    list(APPEND seed_args ${F_SEEDS})
  endif()
  add_test(NAME ${target}
           COMMAND ${target} -max_total_time=20 -rss_limit_mb=2048 -max_len=${F_MAX_LEN} ${work_corpus}
                   ${seed_args})
  set_tests_properties(${target} PROPERTIES LABELS fuzz TIMEOUT 180)
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/fuzz-targets/${target}.sh
       CONTENT "exe='$<TARGET_FILE:${target}>'\nmax_len=${F_MAX_LEN}\nseeds='${F_SEEDS}'\nkept='${kept_corpus}'\n")
endfunction()
