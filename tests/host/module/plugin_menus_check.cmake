# tirdex plugin menus/rights on a sample base: the administrator sees group 590 with items 600,
# 610 and 611 in Russian (--lang 1) and Ukrainian (--lang 2); a user whose own row is 0 sees none.
# Run with -DTIRDEX=... -DMODULE=... -DBASE=...
file(REMOVE ${BASE} ${BASE}-wal ${BASE}-shm)
execute_process(COMMAND ${TIRDEX} demo-base ${BASE} --goods 30 --docs 5
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "demo-base failed: ${rc}")
endif()

function(expect_output args)
  cmake_parse_arguments(E "" "" "LINES;ABSENT" ${ARGN})
  execute_process(COMMAND ${TIRDEX} plugin ${args} --module ${MODULE}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "tirdex plugin ${args} failed (${rc}): ${err}")
  endif()
  foreach(line IN LISTS E_LINES)
    string(FIND "${out}" "${line}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "tirdex plugin ${args}: missing \"${line}\" in:\n${out}")
    endif()
  endforeach()
  foreach(line IN LISTS E_ABSENT)
    string(FIND "${out}" "${line}" at)
    if(NOT at EQUAL -1)
      message(FATAL_ERROR "tirdex plugin ${args}: unexpected \"${line}\" in:\n${out}")
    endif()
  endforeach()
endfunction()

set(tab "\t")
expect_output("menus;${BASE};--user;1;--lang;1" LINES
  "1${tab}23${tab}1${tab}4000${tab}0${tab}Сервис\n"
  "2${tab}590${tab}0${tab}2500${tab}23${tab}Обмен данными\n"
  "3${tab}600${tab}0${tab}1000${tab}590${tab}Универсальный обмен данными\n"
  "4${tab}610${tab}0${tab}2000${tab}590${tab}Обмен с интернет-магазином\n"
  "5${tab}611${tab}0${tab}3000${tab}590${tab}Загрузка данных с внешнего файла\n"
  "5 menu items offered; 27 of the indexes 1..32 not offered\n"
  ABSENT "6${tab}" "32${tab}")
expect_output("menus;${BASE};--user;1;--lang;2" LINES
  "1${tab}23${tab}1${tab}4000${tab}0${tab}Сервіс\n"
  "2${tab}590${tab}0${tab}2500${tab}23${tab}Обмін даними\n"
  "3${tab}600${tab}0${tab}1000${tab}590${tab}Універсальний обім даними\n"
  "4${tab}610${tab}0${tab}2000${tab}590${tab}Обмін з інтернет-магазином\n"
  "5${tab}611${tab}0${tab}3000${tab}590${tab}Завантаження даних з зовнішнього файлу\n")
expect_output("rights;${BASE};--user;1" LINES
  "0${tab}0${tab}0${tab}Обмен данными (TirDataExchange)${tab}2147483647\n"
  "3${tab}0${tab}4${tab}Загрузка данных с файла" "user 1 type 1 mask 7\n")
expect_output("menus;${BASE};--user;9;--user-type;2" LINES "1 menu items offered" ABSENT "590")

# Bad usage and a module that cannot be loaded.
execute_process(COMMAND ${TIRDEX} plugin menus ${BASE} --user 1 --lang 3
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
if(NOT rc EQUAL 2)
  message(FATAL_ERROR "--lang 3 gave ${rc}, expected 2")
endif()
execute_process(COMMAND ${TIRDEX} plugin menus ${BASE} --user 1 --module /nonexistent/x.so
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT rc EQUAL 1 OR NOT err MATCHES "Cannot load the module")
  message(FATAL_ERROR "a missing module gave ${rc}: ${err}")
endif()
# A missing base is refused, not created.
execute_process(COMMAND ${TIRDEX} plugin menus ${BASE}.missing --user 1 --module ${MODULE}
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
if(NOT rc EQUAL 1 OR EXISTS ${BASE}.missing)
  message(FATAL_ERROR "a missing base gave ${rc} or was created")
endif()
file(REMOVE ${BASE} ${BASE}-wal ${BASE}-shm)
