#!/usr/bin/env bash
# Checks the simulated server against an independent client of the same protocol:
# Debian's qstat must read the name, map, player count and limit it announces.
# Usage: qstat_reads_fakeserver.sh PATH/TO/quarrix-fakeserver
set -u

server_bin="$1"
port=27015
name_utf8='测试服务器 One'
map=de_nuke
players=5
limit=20

command -v quakestat >/dev/null 2>&1 || { echo "quakestat is not installed"; exit 77; }

work="$(mktemp -d)"
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

# Starts the server on an address of this run's (from the process id); an address another
# copy of the suite holds is left for the next one.
for attempt in 0 1 2 3 4 5 6 7; do
  n=$(( ($$ + attempt * 7919) % 64516 ))
  address="127.10.$(( 1 + n / 254 )).$(( 1 + n % 254 ))"
  "$server_bin" --server "$address:$port,name=$name_utf8,map=$map,players=$players,max=$limit" \
    --log --seconds 30 >"$work/server.out" 2>&1 &
  pid=$!
  for _ in $(seq 1 100); do
    grep -q '^ready 1 servers$' "$work/server.out" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  grep -q '^ready 1 servers$' "$work/server.out" && break
  wait "$pid" 2>/dev/null
  pid=""
done
if ! grep -q '^ready 1 servers$' "$work/server.out"; then
  echo "fake server did not start:"; cat "$work/server.out"; exit 1
fi

LC_ALL=C quakestat -hlqs "$address:$port" -raw , >"$work/qstat.out" 2>&1
echo "qstat: $(cat "$work/qstat.out")"

# The server sends the name as GBK bytes; this qstat passes them through undecoded,
# another build might turn them into UTF-8, so both spellings are taken.
name_gbk="$(printf '%s' "$name_utf8" | iconv -f UTF-8 -t GBK)"
LC_ALL=C awk -F, -v a="$address:$port" -v g="$name_gbk" -v u="$name_utf8" -v m="$map" \
    -v p="$players" -v l="$limit" '
  # -raw with "," prints: type, address, name, map, limit, players, ping, retries
  $2 == a { found = 1
            if ($3 != g && $3 != u) { print "name differs: " $3; bad = 1 }
            if ($4 != m) { print "map differs: " $4; bad = 1 }
            if ($5 != l) { print "limit differs: " $5; bad = 1 }
            if ($6 != p) { print "players differ: " $6; bad = 1 } }
  END { if (!found) print "no line for " a; exit (!found || bad) }' "$work/qstat.out" || exit 1

# The answer must have come from the simulated server, not from anything else.
# The log is printed at the server's next 100 ms tick.
for _ in $(seq 1 20); do
  grep -q '^request 0 i ' "$work/server.out" && break
  sleep 0.1
done
grep -q '^request 0 i ' "$work/server.out" || { echo "no info request recorded"; exit 1; }
echo "qstat read the simulated server"
exit 0
