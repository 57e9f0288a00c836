# Checks the include graph of src/ and host/ under ROOT against the layer order below: a file may
# include headers of its own folder and of folders in lower layers only, never of a folder beside
# or above its own, nor of tests, benchmarks or fuzz targets.
#   cmake -DROOT=<source tree> -P check_layers.cmake
# Fails (listing every offending line) on a violation, or when a folder is missing from the order.

cmake_minimum_required(VERSION 3.25)

if(NOT ROOT)
  message(FATAL_ERROR "usage: cmake -DROOT=<source tree> -P check_layers.cmake")
endif()

# The layers from the bottom up; the folders of one entry stand beside each other.
set(TIR_LAYERS
  "src/files src/db"
  "src/json src/settings"
  "src/frame"
  "src/tree"
  "src/posting"
  "src/export"
  "src/transport src/import"
  "src/ui"
  "src/module"
  "host/version host/schema host/service"
  "host/kit"
  "host/demo"
  "host/exchange"
  "host/tirdex host/desktop")

set(level 0)
foreach(layer IN LISTS TIR_LAYERS)
  separate_arguments(folders UNIX_COMMAND "${layer}")
  foreach(folder IN LISTS folders)
    set(LEVEL_${folder} ${level})
  endforeach()
  math(EXPR level "${level} + 1")
endforeach()

file(GLOB_RECURSE sources RELATIVE ${ROOT}
     ${ROOT}/src/*.h ${ROOT}/src/*.c ${ROOT}/src/*.cpp ${ROOT}/src/*.in
     ${ROOT}/host/*.h ${ROOT}/host/*.c ${ROOT}/host/*.cpp ${ROOT}/host/*.in)
if(NOT sources)
  message(FATAL_ERROR "no sources under ${ROOT}/src or ${ROOT}/host")
endif()

set(problems "")
set(includes 0)
foreach(source IN LISTS sources)
  string(REGEX MATCH "^[a-z]+/[^/]+" folder "${source}")
  if(NOT DEFINED LEVEL_${folder})
    string(APPEND problems "\n  ${source}: folder ${folder} has no place in the layer order")
    continue()
  endif()
  file(STRINGS ${ROOT}/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" target "${line}")
    math(EXPR includes "${includes} + 1")
    if(NOT target MATCHES "/")
      continue()  # a header beside the file
    endif()
    string(REGEX REPLACE "^src/" "" target "${target}")
    string(REGEX MATCH "^[^/]+" top "${target}")
    if(top MATCHES "^(tests|bench|fuzz)$")
      string(APPEND problems "\n  ${source}: includes \"${target}\" of ${top}/")
      continue()
    elseif(top STREQUAL "host")
      string(REGEX MATCH "^host/[^/]+" used "${target}")
    elseif(DEFINED LEVEL_src/${top})
      set(used src/${top})
    else()
      continue()  # a library's header
    endif()
    if(used STREQUAL folder)
      continue()
    endif()
    if(NOT DEFINED LEVEL_${used})
      string(APPEND problems "\n  ${source}: includes \"${target}\" of ${used}, not in the layer order")
    elseif(NOT ${LEVEL_${used}} LESS ${LEVEL_${folder}})
      if(${LEVEL_${used}} EQUAL ${LEVEL_${folder}})
        set(where "beside")
      else()
        set(where "above")
      endif()
      string(APPEND problems "\n  ${source}: includes \"${target}\" of ${used}, ${where} ${folder}")
    endif()
  endforeach()
endforeach()

if(problems)
  message(FATAL_ERROR "includes against the layer order:${problems}")
endif()
list(LENGTH sources count)
message(STATUS "layer order kept: ${count} files, ${includes} includes")
