# Runs the posting commands of tirdex on a small sample base and checks their output and exit
# codes. Arguments: -DTIRDEX=<tirdex> -DSQLITE3=<sqlite3 shell> -DWORK=<scratch folder>.
set(base "${WORK}/tirdex_posting_commands.sqlite")
file(MAKE_DIRECTORY "${WORK}")
file(REMOVE "${base}" "${base}-wal" "${base}-shm")

include(${CMAKE_CURRENT_LIST_DIR}/../support/tirdex_script_helpers.cmake)

run(0 demo-base "${base}" --goods 40 --docs 60)
sql("SELECT COUNT(*) FROM tirDocuments;")
set(docs "${value}")
# Documents of type 3 are left as they are by posting; the sample base writes them unposted.
sql("SELECT COUNT(*) FROM tirDocuments WHERE fDocType <> 3;")
set(postable "${value}")
sql("SELECT COUNT(*) FROM tirDocuments WHERE fDocType = 3;")
set(untouched "${value}")

# Every document, with balances rebuilt first; progress goes to stderr.
run(0 post "${base}" --all --rebuild)
expect("${out}" "posted ${docs} documents with command 0")
if(untouched EQUAL 0)
  expect("${out}" "documents by state: 0: ${docs}\n")
else()
  expect("${out}" "documents by state: 0: ${postable} 1: ${untouched}\n")
endif()
expect("${err}" "posted ${docs} of ${docs} documents")
sql("SELECT COUNT(*) FROM tirDocuments d WHERE d.fDocType IN (1, 2, 8, 9, 10, 11, 12, 14) AND EXISTS (SELECT 1 FROM tirDocGoods g WHERE g.fDocId = d.fId) AND NOT EXISTS (SELECT 1 FROM tirAStore a WHERE a.fDocId = d.fId);")
if(NOT value EQUAL 0)
  message(FATAL_ERROR "${value} stock documents with lines got no movements")
endif()

# One sale unposted, then posted again; the state change lands in the host's log.
sql("SELECT MIN(fId) FROM tirDocuments WHERE fDocType = 2;")
set(sale "${value}")
run(0 post "${base}" ${sale} --cmd 1)
expect("${out}" "document ${sale}, type 2 \\(Продажа\\), command 1")
expect("${out}" "state: 0 -> 1")
expect("${out}" "tirAStore rows: +[1-9][0-9]* -> 0")
run(0 post "${base}" ${sale})
expect("${out}" "state: 1 -> 0")
sql("SELECT group_concat(fData, ',') FROM tirSysLog WHERE fDocId = ${sale} AND fType = 7;")
# The first posting of the unposted document logged too.
expect("${value}" "^Проведено,НеПроведено,Проведено$")

# A period that holds no document.
run(0 post "${base}" --all --from 1990-01-01 --to 1990-01-31 --cmd 20)
expect("${out}" "posted 0 documents with command 20")

run(0 balance "${base}" --contract 1)
expect("${out}" "settlement balance of contract 1: -?[0-9]+\\.[0-9][0-9]")
run(0 rebuild-balances "${base}")
expect("${out}" "tirAStoreNow rows: [0-9]+ -> [0-9]+")
run(0 clear-registers "${base}")
expect("${out}" "tirAStore rows: +[1-9][0-9]* -> 0")
sql("SELECT (SELECT COUNT(*) FROM tirAStore) + (SELECT COUNT(*) FROM tirAMSettlement) + (SELECT COUNT(*) FROM tirAPayments);")
if(NOT value EQUAL 0)
  message(FATAL_ERROR "registers not empty after clear-registers")
endif()

# Mass re-posting names what it did with each document: posted, left alone (states other than 0
# and 3, orders aside) and handed to single posting (customer returns, other types).
sql("UPDATE tirDocuments SET fState = 1 WHERE fId % 4 = 0;")
sql("SELECT COUNT(*) FROM tirDocuments WHERE fState NOT IN (0, 3) AND fDocType NOT IN (6, 7, 15);")
set(left "${value}")
sql("SELECT COUNT(*) FROM tirDocuments WHERE fState IN (0, 3) AND fDocType NOT IN (1, 2, 4, 5, 6, 7, 8, 9, 10, 12, 13, 14, 15);")
set(fallen "${value}")
math(EXPR posted "${docs} - ${left} - ${fallen}")
run(0 repost "${base}" --full)
expect("${out}" "went through ${docs} documents")
expect("${out}" "posted: +${posted}\n")
expect("${out}" "left alone: +${left} ")
expect("${out}" "fallen back: +${fallen} ")
if(left EQUAL 0)
  message(FATAL_ERROR "no document was left alone")
endif()

# Bad usage and failures.
run(1 post "${base}" 99999999)
run(2 post "${base}")
run(2 post "${base}" 1 --all)
run(2 post "${base}" 1 --cmd 5)
run(2 post "${base}" --all --from 2020-13-45)
run(2 balance "${base}")
run(1 rebuild-balances "${WORK}/no_such_base.sqlite")

# A live mass re-posting control row keeps the command from posting.
sql("INSERT INTO tirSettings (fMId, fPType, fPI, fPDate, fUserId, fPStr50, fPStr) VALUES (170, -48, 1, CURRENT_TIMESTAMP, 2, 'x', '');")
run(1 post "${base}" ${sale} --cmd 1)
expect("${err}" "mass re-posting")

file(REMOVE "${base}" "${base}-wal" "${base}-shm")
