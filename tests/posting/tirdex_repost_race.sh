#!/bin/sh
# Two `tirdex repost` runs started together on one base: exactly one re-posts, the other is
# refused with the control's message and changes nothing.
#   tirdex_repost_race.sh TIRDEX SQLITE3 WORK_DIR TRIALS
set -u
tirdex=$1 sqlite=$2 work=$3 trials=$4
mkdir -p "$work"
template="$work/race_template.sqlite"
rm -f "$template" "$template-wal" "$template-shm"
"$tirdex" demo-base "$template" --goods 200 --docs 3000 >/dev/null 2>&1 || { echo "demo-base failed"; exit 1; }
"$sqlite" "$template" "UPDATE tirDocuments SET fState = 3 WHERE fDocType <> 3;" >/dev/null

# The registers one run leaves, to compare each trial with.
reference="$work/race_reference.sqlite"
cp "$template" "$reference"
"$tirdex" repost "$reference" --chunk 100 >/dev/null 2>&1 || { echo "reference run failed"; exit 1; }
summary="SELECT (SELECT COUNT(*) FROM tirAStore), (SELECT COUNT(*) FROM tirAMSettlement), (SELECT COUNT(*) FROM tirAPayments), (SELECT printf('%.4f', SUM(fSum)) FROM tirAStoreNow), (SELECT COUNT(*) FROM tirDocuments WHERE fState = 0), (SELECT COUNT(*) FROM tirSettings WHERE fMId = 170 AND fPType = -48 AND fPI = 1);"
expected=$("$sqlite" "$reference" "$summary")

passed=0
i=1
while [ "$i" -le "$trials" ]; do
  base="$work/race_$i.sqlite"
  rm -f "$base" "$base-wal" "$base-shm"
  cp "$template" "$base"
  "$tirdex" repost "$base" --chunk 10 >"$work/race_a.out" 2>"$work/race_a.err" &
  a=$!
  "$tirdex" repost "$base" --chunk 10 >"$work/race_b.out" 2>"$work/race_b.err" &
  b=$!
  wait $a; rca=$?
  wait $b; rcb=$?
  if [ $rca -eq 0 ] && [ $rcb -eq 1 ]; then loser=b; elif [ $rca -eq 1 ] && [ $rcb -eq 0 ]; then loser=a;
  else echo "trial $i: exit codes $rca and $rcb"; cat "$work/race_a.err" "$work/race_b.err"; exit 1; fi
  if ! grep -q "Перепроведення вже виконується іншим користувачем." "$work/race_$loser.err"; then
    echo "trial $i: the refused run did not report the control"; cat "$work/race_$loser.err"; exit 1
  fi
  actual=$("$sqlite" "$base" "$summary")
  if [ "$actual" != "$expected" ]; then
    echo "trial $i: registers $actual, one run leaves $expected"; exit 1
  fi
  rm -f "$base" "$base-wal" "$base-shm"
  passed=$((passed + 1))
  i=$((i + 1))
done
echo "$passed of $trials trials: one run re-posted, the other was refused"
