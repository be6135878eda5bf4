#!/usr/bin/env bash
# Checks the simulated server of the binary dialect against an independent client:
# the npm package gamedig (type counterstrike16) must read its name, map, player count
# and limit, bots and version, every player and every rule, through the challenge
# round trip.
# Usage: gamedig_reads_a2s.sh PATH/TO/quarrix-fakeserver GAMEDIG_PREFIX CASE
# (CASE as select_case in common.sh takes it). Exit 77: node is not installed.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=common.sh
. "$here/common.sh"

server_bin="$1"
prefix="$2"
select_case "$3" || exit 1

command -v node >/dev/null 2>&1 || { echo "node is not installed"; exit 77; }
if [ ! -f "$prefix/node_modules/gamedig/package.json" ]; then
  echo "gamedig is not installed in $prefix: build the target interop_gamedig"
  exit 1
fi

log="$WORK_DIR/server.out"
start_fake_server "$server_bin" "$log" "$CASE_SERVER" || exit 1
address="$FAKE_NET.1.1:27015"
bad=0
fail() {
  echo "FAIL: $*"
  bad=1
}
grep -v '^#' "$here/default_rules.txt" | LC_ALL=C sort >"$WORK_DIR/expected_rules"
expected_players "$CASE_PLAYERS" >"$WORK_DIR/expected_players"

timeout 30 node "$here/gamedig_query.cjs" "$prefix" "$address" >"$WORK_DIR/gamedig.json" \
  2>"$WORK_DIR/gamedig.err"
status=$?
echo "gamedig (cut): $(cut -c1-400 "$WORK_DIR/gamedig.json")"
if [ "$status" -ne 0 ]; then
  echo "FAIL: node exited with $status: $(cat "$WORK_DIR/gamedig.err")"
  exit 1
fi

# The JSON as lines: the server's fields, "NAME<TAB>SCORE" players, "NAME=VALUE" rules.
node -e '
const fs = require("node:fs")
const [file, dir] = process.argv.slice(1)
const s = JSON.parse(fs.readFileSync(file, "utf8"))
const lines = (list) => list.map((l) => l + "\n").join("")
const info = [s.error || "", s.name, s.map, s.numplayers, s.maxplayers, s.bots, s.version]
fs.writeFileSync(dir + "/info", lines(info))
fs.writeFileSync(dir + "/players", lines((s.players || []).map((p) => p.name + "\t" + p.score)))
fs.writeFileSync(dir + "/rules", lines(Object.entries(s.rules || {}).map(([k, v]) => k + "=" + v)))
' "$WORK_DIR/gamedig.json" "$WORK_DIR" || { echo "FAIL: gamedig's output is not JSON"; exit 1; }
LC_ALL=C sort -o "$WORK_DIR/players" "$WORK_DIR/players"
LC_ALL=C sort -o "$WORK_DIR/rules" "$WORK_DIR/rules"

mapfile -t info <"$WORK_DIR/info"
[ -z "${info[0]}" ] || fail "gamedig failed: ${info[0]}"
[ "${info[1]}" = "$CASE_NAME" ] || fail "gamedig name '${info[1]}', expected '$CASE_NAME'"
[ "${info[2]}" = "$CASE_MAP" ] || fail "gamedig map '${info[2]}', expected '$CASE_MAP'"
[ "${info[3]}" = "$CASE_PLAYERS" ] || fail "gamedig players '${info[3]}', expected '$CASE_PLAYERS'"
[ "${info[4]}" = "$CASE_MAX" ] || fail "gamedig limit '${info[4]}', expected '$CASE_MAX'"
[ "${info[5]}" = "$CASE_BOTS" ] || fail "gamedig bots '${info[5]}', expected '$CASE_BOTS'"
[ "${info[6]}" = "$CASE_VERSION" ] ||
  fail "gamedig version '${info[6]}', expected '$CASE_VERSION'"
same_lists "$WORK_DIR/expected_players" "$WORK_DIR/players" \
  "gamedig's players (>) differ from the server's (<)"
same_lists "$WORK_DIR/expected_rules" "$WORK_DIR/rules" \
  "gamedig's rules (>) differ from the server's (<)"

# The answers came from the simulated server, through its challenge.
wait_for_challenged "$log" 1 T ffffffff54536f7572636520456e67696e6520517565727900 ||
  fail "no info request with the challenge recorded"
wait_for_challenged "$log" 1 U ffffffff55 || fail "no players request with the challenge recorded"
wait_for_challenged "$log" 1 V ffffffff56 || fail "no rules request with the challenge recorded"

[ "$bad" -eq 0 ] || exit 1
echo "gamedig read the $(wc -l <"$WORK_DIR/players") players and $(wc -l <"$WORK_DIR/rules") rules"
exit 0
