# Helpers of the test scripts that drive tirdex (cmake -P). The including script sets TIRDEX and,
# for `sql`, SQLITE3 and `base`.

# Runs tirdex with the remaining arguments and fails unless it exits with `expected_rc`; leaves
# its standard output in `out` and its error output in `err`.
function(run expected_rc)
  execute_process(COMMAND ${TIRDEX} ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out
                  ERROR_VARIABLE err)
  if(NOT rc EQUAL expected_rc)
    message(FATAL_ERROR "tirdex ${ARGN}: exit ${rc}, expected ${expected_rc}\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

function(expect text pattern)
  if(NOT text MATCHES "${pattern}")
    message(FATAL_ERROR "expected /${pattern}/ in:\n${text}")
  endif()
endfunction()

# Runs `query` (or a dot command) in the sqlite3 shell on `base`; its output, without trailing
# white space, goes to `value`.
function(sql query)
  execute_process(COMMAND ${SQLITE3} "${base}" "${query}" RESULT_VARIABLE rc
                  OUTPUT_VARIABLE value OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "sqlite3 failed on ${query}")
  endif()
  set(value "${value}" PARENT_SCOPE)
endfunction()
