# Install layout: programs in bin, the libraries they load (the module, the service library, the
# host kit) in a private library folder, manual pages, bash completion and the docs in share.
# The programs find the private folder through their RPATH and the host kit through its own
# path, so an installed tree needs no environment variables wherever its prefix lies.
include(GNUInstallDirs)

set(TIR_INSTALL_PRIVATE_LIBDIR "${CMAKE_INSTALL_LIBDIR}/tirdex"
    CACHE STRING "Folder (under the prefix) of the module, the service library and the host kit")
set(TIR_INSTALL_DOCDIR "${CMAKE_INSTALL_DATADIR}/doc/tirdataexchange")
set(TIR_INSTALL_COMPLETIONDIR "${CMAKE_INSTALL_DATADIR}/bash-completion/completions")

# The private folder seen from bin, for the programs' RPATH and for the kit's library search.
file(RELATIVE_PATH TIR_BIN_TO_PRIVATE_LIBDIR "/prefix/${CMAKE_INSTALL_BINDIR}"
     "/prefix/${TIR_INSTALL_PRIVATE_LIBDIR}")

# A program of bin: installed with an RPATH to the private folder.
function(tir_install_program target)
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/${TIR_BIN_TO_PRIVATE_LIBDIR}")
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()

# A library of the private folder (it finds its neighbours through $ORIGIN).
function(tir_install_private_library target)
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN")
  install(TARGETS ${target} LIBRARY DESTINATION ${TIR_INSTALL_PRIVATE_LIBDIR}
)
endfunction()

# A manual page of section 1 for a program, written by help2man from the program's own help at
# build time and compressed as Debian keeps them (extra help2man options after the description).
# Without help2man the build goes on without the page and says so.
find_program(TIR_HELP2MAN help2man)
if(NOT TIR_HELP2MAN)
  message(WARNING "help2man not found: the manual pages are not built (apt-get install help2man)")
endif()
function(tir_add_man_page target description)
  if(NOT TIR_HELP2MAN)
    return()
  endif()
  set(page ${CMAKE_CURRENT_BINARY_DIR}/man/${target}.1)
  set(packed ${page}.gz)
  # Files named by --include=FILE are inputs of the page too.
  set(TIR_MAN_INCLUDES)
  foreach(arg ${ARGN})
    if(arg MATCHES "^--include=(.*)$")
      list(APPEND TIR_MAN_INCLUDES ${CMAKE_MATCH_1})
    endif()
  endforeach()
  # A Qt program builds its help text without a display.
  add_custom_command(OUTPUT ${packed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            ${TIR_HELP2MAN} --no-info --section=1 --name=${description}
            --version-string=${PROJECT_VERSION} ${ARGN}
            --output=${page} $<TARGET_FILE:${target}>
    COMMAND gzip -9nf ${page}
    DEPENDS ${target} ${TIR_MAN_INCLUDES}
    COMMENT "Writing the manual page ${target}(1)"
    VERBATIM)
  add_custom_target(${target}_man ALL DEPENDS ${packed})
  install(FILES ${packed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
