#!/usr/bin/env bash
# Checks the simulated server of the binary dialect against an independent client:
# Debian's qstat (-a2s) must read its name, map, player count and limit, bots, OS, VAC
# and version, every player and every rule, through the challenge round trip; and
# quarrix-cli query must show the same server, players and rules as qstat does.
# Usage: qstat_reads_a2s.sh PATH/TO/quarrix-fakeserver PATH/TO/quarrix-cli CASE
# (CASE as select_case in common.sh takes it). Exit 77: qstat is not installed.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=common.sh
. "$here/common.sh"

server_bin="$1"
cli_bin="$2"
select_case "$3" || exit 1

command -v quakestat >/dev/null 2>&1 || { echo "quakestat is not installed"; exit 77; }
command -v iconv >/dev/null 2>&1 || { echo "iconv is missing"; exit 1; }

log="$WORK_DIR/server.out"
start_fake_server "$server_bin" "$log" "$CASE_SERVER" || exit 1
address="$FAKE_NET.1.1:27015"
tab="$(printf '\t')"
bad=0
fail() {
  echo "FAIL: $*"
  bad=1
}
grep -v '^#' "$here/default_rules.txt" | LC_ALL=C sort >"$WORK_DIR/expected_rules"
expected_players "$CASE_PLAYERS" >"$WORK_DIR/expected_players"

# qstat prints raw bytes; -nnx keeps it from rewriting bytes above 127 in names.
timeout 30 quakestat -a2s "$address" -R -P -nnx -raw "$tab" >"$WORK_DIR/qstat.raw" 2>&1
# The server sends GBK; compared in UTF-8, as the CLI prints.
if ! iconv -f GBK -t UTF-8 "$WORK_DIR/qstat.raw" >"$WORK_DIR/qstat.out"; then
  echo "FAIL: qstat's output is not GBK text"
  exit 1
fi
echo "qstat -a2s -R -P (cut):"
cut -c1-200 "$WORK_DIR/qstat.out" | head -4 | sed 's/^/  /'

# -raw prints the server (type, address, name, map, limit, players, ping, retries),
# then the rules on one line, then a line per player (name, frags, time).
expected="$address|$CASE_NAME|$CASE_MAP|$CASE_MAX|$CASE_PLAYERS"
actual="$(awk -F'\t' 'NR == 1 { print $2 "|" $3 "|" $4 "|" $5 "|" $6 }' "$WORK_DIR/qstat.out")"
[ "$actual" = "$expected" ] || fail "qstat shows '$actual', expected '$expected'"

# qstat lists what the info replies say among the rules, before the server's own.
sed -n 2p "$WORK_DIR/qstat.out" | tr '\t' '\n' |
  grep -vE '^(protocol|gamedir|gamename|bots|dedicated|sv_os|secure|version|game_port)=' |
  grep -vE '^(password|gameid|steamid|game_tags|sourcetv_port|sourcetv_name)=' |
  grep -v '^$' | LC_ALL=C sort >"$WORK_DIR/qstat_rules"
# What the 'I' reply says: the last of each key, as qstat lists the replies in the
# order they came and the server sends 'I' last.
qstat_i="$(sed -n 2p "$WORK_DIR/qstat.out" | tr '\t' '\n' |
  awk -F= '{ v[$1] = substr($0, length($1) + 2) }
           END { print v["bots"] "|" v["sv_os"] "|" v["secure"] "|" v["version"] }')"
expected_i="$CASE_BOTS|linux|1|$CASE_VERSION"
[ "$qstat_i" = "$expected_i" ] ||
  fail "qstat's bots|os|VAC|version '$qstat_i', expected '$expected_i'"
sed -n '3,$p' "$WORK_DIR/qstat.out" | awk -F'\t' 'NF >= 2 { print $1 "\t" $2 }' |
  LC_ALL=C sort >"$WORK_DIR/qstat_players"
same_lists "$WORK_DIR/expected_rules" "$WORK_DIR/qstat_rules" \
  "qstat's rules (>) differ from the server's (<)"
same_lists "$WORK_DIR/expected_players" "$WORK_DIR/qstat_players" \
  "qstat's players (>) differ from the server's (<)"

# The answers came from the simulated server, through its challenge: an info request
# with the challenge appended, and players and rules requests carrying it.
wait_for_challenged "$log" 1 T ffffffff54536f7572636520456e67696e6520517565727900 ||
  fail "no info request with the challenge recorded"
wait_for_challenged "$log" 1 U ffffffff55 || fail "no players request with the challenge recorded"
wait_for_challenged "$log" 1 V ffffffff56 || fail "no rules request with the challenge recorded"

# quarrix-cli: the server line (name, ip, port, map, players, max, ..., dialect), then
# "player NUMBER NAME FRAGS" and "rule NAME VALUE" lines, in UTF-8.
timeout 30 "$cli_bin" query "$address" --players --rules --format tsv --wait-ms 2000 \
  >"$WORK_DIR/cli.out" 2>"$WORK_DIR/cli.err"
status=$?
[ "$status" -eq 0 ] ||
  fail "quarrix-cli query exited with $status: $(cat "$WORK_DIR/cli.err")"
echo "quarrix-cli query (first line): $(head -1 "$WORK_DIR/cli.out")"
# A server that sends 'm' and 'I' to one request is one server: one line.
rows="$(grep -cvE '^(player|rule)'"$tab" "$WORK_DIR/cli.out")"
[ "$rows" = 1 ] || fail "quarrix-cli printed $rows server lines, expected 1"
expected="$CASE_NAME|$FAKE_NET.1.1|27015|$CASE_MAP|$CASE_PLAYERS|$CASE_MAX|binary"
actual="$(awk -F'\t' 'NR == 1 { print $1 "|" $2 "|" $3 "|" $4 "|" $5 "|" $6 "|" $10 }' \
  "$WORK_DIR/cli.out")"
[ "$actual" = "$expected" ] || fail "quarrix-cli shows '$actual', expected '$expected'"
# Bots, OS, VAC and version as the 'I' reply tells them, whatever came before it.
actual="$(awk -F'\t' 'NR == 1 { print $11 "|" $12 "|" $13 "|" $15 }' "$WORK_DIR/cli.out")"
[ "$actual" = "$expected_i" ] ||
  fail "quarrix-cli's bots|os|vac|version '$actual', expected '$expected_i'"
awk -F'\t' '$1 == "rule" { print $2 "=" $3 }' "$WORK_DIR/cli.out" |
  LC_ALL=C sort >"$WORK_DIR/cli_rules"
awk -F'\t' '$1 == "player" { print $3 "\t" $4 }' "$WORK_DIR/cli.out" |
  LC_ALL=C sort >"$WORK_DIR/cli_players"
same_lists "$WORK_DIR/qstat_rules" "$WORK_DIR/cli_rules" \
  "quarrix-cli's rules (>) differ from qstat's (<)"
same_lists "$WORK_DIR/qstat_players" "$WORK_DIR/cli_players" \
  "quarrix-cli's players (>) differ from qstat's (<)"

[ "$bad" -eq 0 ] || exit 1
echo "qstat and quarrix-cli read the same $(wc -l <"$WORK_DIR/cli_players") players" \
  "and $(wc -l <"$WORK_DIR/cli_rules") rules"
exit 0
