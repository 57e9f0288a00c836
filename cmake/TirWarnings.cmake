# Warnings as errors on the project's own targets. Call tir_target_warnings(target) for each.
function(tir_target_warnings target)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wpedantic -Werror -Wno-error=deprecated-declarations>
    $<$<COMPILE_LANGUAGE:C>:-Wall -Wextra -Werror>)
  # g++ 12 at -O2/-O3 reports a false -Wrestrict overlap inside std::string's operator+ when a
  # literal is prepended to a temporary string (GCC bug 105329); fixed in g++ 13.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-Wno-restrict>)
  endif()
endfunction()

# A unit-test executable registered with CTest: tir_add_test(name SOURCES ... LIBS ...)
function(tir_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  tir_target_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600)
endfunction()
