# Runs a workload of tirdex commands on sample bases with every statement recorded (see
# src/db/statement_recorder.h): the texts with "{IF …}" blocks in the form a Microsoft SQL Server
# base would receive them into ${RECORD}, the texts the same on both kinds into ${SHARED}.
# Arguments: -DTIRDEX=<tirdex> -DWORK=<scratch folder> -DRECORD=<file> -DSHARED=<file>.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(REMOVE "${RECORD}" "${SHARED}")
include(${CMAKE_CURRENT_LIST_DIR}/../support/tirdex_script_helpers.cmake)

set(ENV{TIR_SQL_RECORD} "${RECORD}")
set(ENV{TIR_SQL_RECORD_KIND} "mssql")
set(ENV{TIR_SQL_RECORD_SHARED} "${SHARED}")
set(ENV{XDG_CONFIG_HOME} "${WORK}/config")
set(base "${WORK}/demo.sqlite")

# A sample base with documents of every type, its trees checked and repaired.
run(0 demo-base "${base}" --goods 40 --docs 120 --seed 3)
run(0 tree check "${base}" tirGoodsGroups)
run(0 tree repair "${base}" tirGoodsGroups)
run(0 tree check "${base}" tirPartnersGroups)

# Posting: every document, then one document unposted, re-posted and deleted; mass re-posting.
run(0 post "${base}" --all --rebuild)
run(0 post "${base}" 5 --cmd 1)
run(0 post "${base}" 5 --cmd 20)
run(0 post "${base}" 6 --cmd 2)
run(0 repost "${base}" --full --chunk 25)
run(0 rebuild-balances "${base}")
run(0 balance "${base}" --contract 1)
run(0 clear-registers "${base}")
run(0 repost "${base}" --from 2000-01-01 --to 2100-01-01)

# Every export section, each goods variant, documents by period and marked as sent.
run(0 export "${base}" "${WORK}/full.json" --goods full --barcodes --partners --contracts
    --catalogs --docs-recent --mark-sent)
run(0 export "${base}" "${WORK}/cook_orders.json" --cook-orders)
foreach(goods indocs set1 set2 qtty)
  run(0 export "${base}" "${WORK}/${goods}.json" --goods ${goods} --docs-period 2000-01-01
      2100-01-01)
endforeach()
run(0 export "${base}" "${WORK}/after.json" --docs-after 1 --partners 1)

# Every import kind into a fresh base, twice (inserts, then identical rows), and the small files.
set(target "${WORK}/target.sqlite")
run(0 schema "${target}")
run(0 import "${target}" "${WORK}/full.json")
run(0 import "${target}" "${WORK}/full.json" --goods --partners --catalogs --docs)
run(0 import "${target}" "${WORK}/set2.json" --goods)
file(WRITE "${WORK}/order.json" "{\"docs\":[{\"guid\":\"D0000000-0000-0000-0000-000000000005\",
 \"sum\":7,\"type\":6,\"docgoods\":[{\"guid\":\"D0000000-0000-0000-0000-000000000003\",\"qtty\":1,
 \"sum\":7}]}]}")
run(0 import-mobile "${base}" "${WORK}/order.json")
file(WRITE "${WORK}/cook.json" "{\"ordercookdoc\":{\"orderstatus\":2,\"orderposindoc\":1,\"lid\":1}}")
run(0 cook-status "${base}" "${WORK}/cook.json")

# Loyalty feeds, universal export and load, profiles and tokens.
run(0 loyalty categories "${base}" "${WORK}/categories.json")
run(0 loyalty products "${base}" "${WORK}/products.json" --pos 0 --count 10)
run(0 loyalty categories "${base}" "${WORK}/categories_off.json" --off "(1),(2)")
run(0 loyalty prices "${base}" "${WORK}/prices.json" --sale-point 1 --pos 0 --count 10)
run(0 export-period "${base}" 2000-01-01 2100-01-01 "${WORK}/universal.json")
set(universal "${WORK}/universal.sqlite")
run(0 schema "${universal}")
run(0 load-universal "${universal}" "${WORK}/universal.json")
run(0 load-universal "${universal}" "${WORK}/universal.json")
run(0 tokens "${base}" add peer)
run(0 tokens "${base}" list)
run(0 tokens "${base}" disable peer)
run(0 settings set MAIN GUIDCODE "{A0000000-0000-0000-0000-00000000000A}")
run(0 shop-profile "${base}" --url http://127.0.0.1:9/shop --auto 1 --period 60)
run(0 shop-profile "${base}")

if(NOT EXISTS "${RECORD}" OR NOT EXISTS "${SHARED}")
  message(FATAL_ERROR "the workload recorded no statement into ${RECORD}")
endif()
