# Runs tirdex import, import-mobile and cook-status on a fresh base and checks exit codes, the
# report and that refused loads leave the base as it was (sqlite3 .dump).
# Arguments: -DTIRDEX=<tirdex> -DSQLITE3=<sqlite3 shell> -DWORK=<scratch folder>.
set(base "${WORK}/import.sqlite")
file(MAKE_DIRECTORY "${WORK}")
file(REMOVE "${base}" "${base}-wal" "${base}-shm")

include(${CMAKE_CURRENT_LIST_DIR}/../support/tirdex_script_helpers.cmake)

set(g1 "D0000000-0000-0000-0000-000000000001")
set(g2 "D0000000-0000-0000-0000-000000000002")
set(g3 "D0000000-0000-0000-0000-000000000003")
set(g4 "D0000000-0000-0000-0000-000000000004")
file(WRITE "${WORK}/good.json" "{\"stores\":[{\"guid\":\"${g1}\",\"name\":\"S\"}],
 \"entities\":[{\"guid\":\"${g2}\",\"name\":\"E\"}],
 \"goods\":[{\"guid\":\"${g3}\",\"name\":\"Bread\",\"p1\":10}],
 \"docs\":[{\"guid\":\"${g4}\",\"num\":1,\"type\":1,\"state\":0,\"store\":\"${g1}\",\"entity\":\"${g2}\",
   \"docgoods\":[{\"guid\":\"${g3}\",\"qtty\":3,\"sum\":30}]}]}")

run(0 schema "${base}")
run(0 import "${base}" "${WORK}/good.json")
expect("${out}" "goods: 1 inserted")
expect("${out}" "docs: 1 inserted")
expect("${err}" "loading goods")
run(0 import "${base}" "${WORK}/good.json" --goods --dry-run)
expect("${out}" "goods: 0 inserted, 0 updated, 1 identical")

sql(".dump")
set(before "${value}")
file(READ "${WORK}/good.json" text)
string(REPLACE "\"store\":\"${g1}\"" "\"store\":\"D0000000-0000-0000-0000-000000000009\""
       refused "${text}")
file(WRITE "${WORK}/refused.json" "${refused}")
run(1 import "${base}" "${WORK}/refused.json")
expect("${err}" "fStoreId; DocNum=1")
string(SUBSTRING "${text}" 0 100 truncated)
file(WRITE "${WORK}/truncated.json" "${truncated}")
run(1 import "${base}" "${WORK}/truncated.json")
expect("${err}" "Помилка відкриття файла")
sql(".dump")
set(after "${value}")
if(NOT before STREQUAL after)
  message(FATAL_ERROR "a refused load changed the base")
endif()

file(WRITE "${WORK}/order.json" "{\"docs\":[{\"guid\":\"D0000000-0000-0000-0000-000000000005\",\"sum\":7,\"type\":6,\"docgoods\":[{\"guid\":\"${g3}\",\"qtty\":1,\"sum\":7}]}]}")
run(0 import-mobile "${base}" "${WORK}/order.json")
expect("${out}" "mobile orders: 1 inserted")
file(WRITE "${WORK}/cook.json" "{\"ordercookdoc\":{\"orderstatus\":2,\"orderposindoc\":0,\"lid\":1}}")
run(0 cook-status "${base}" "${WORK}/cook.json")
expect("${out}" "cook status: 0 inserted, 1 updated")
file(WRITE "${WORK}/cook-none.json" "{\"ordercookdoc\":{\"orderstatus\":2,\"orderposindoc\":0,\"lid\":999}}")
run(1 cook-status "${base}" "${WORK}/cook-none.json")
expect("${err}" "document 999 not found")
file(WRITE "${WORK}/cook-array.json" "{\"ordercookdoc\":[{\"orderstatus\":2,\"orderposindoc\":0,\"lid\":1}]}")
run(1 cook-status "${base}" "${WORK}/cook-array.json")
expect("${err}" "one object \\(lid, orderposindoc, orderstatus\\) was expected")
run(1 cook-status "${base}" "${WORK}/good.json")
expect("${err}" "none of the asked sections \\(cook status\\)")

# Files that hold nothing the command reads, and universal files, are refused by name.
sql(".dump")
set(before "${value}")
foreach(empty "{}" "[1,2]")
  file(WRITE "${WORK}/empty.json" "${empty}")
  run(1 import "${base}" "${WORK}/empty.json")
  expect("${err}" "none of the asked sections \\(catalogs, partners, goods, documents\\)")
endforeach()
file(WRITE "${WORK}/universal.json" "{\"goodsgroups\":[],\"goods\":[],\"docs\":[{\"docgoods\":
 [{\"guid\":\"${g3}\",\"parentid\":0}]}],\"info\":{\"ver\":1,\"jsondocdate\":\"20240105100000\"}}")
run(1 import "${base}" "${WORK}/universal.json")
expect("${err}" "universal exchange file.*load-universal")
sql(".dump")
if(NOT before STREQUAL value)
  message(FATAL_ERROR "a refused file changed the base")
endif()
run(1 import "${base}" "${WORK}/missing.json")
expect("${err}" "cannot read \"[^\"]*missing.json\": No such file")
run(2 import "${base}")
