#!/bin/bash
# The LAN search by real broadcast, on the real interface list, inside a network namespace
# made for it: nothing here can read or reach the machine's own networks. The namespace
# gets a veth pair whose one end holds 127.199.0.1/24 with the broadcast address
# 127.199.0.255 (loopback addresses, routed on that interface by route_localnet), the
# simulated servers listen on that broadcast address, and `quarrix-cli lan` must find them.
# Usage: lan-namespace.sh <quarrix-fakeserver> <quarrix-cli>
# Exit 77 (skipped) only when no network namespace can be made here.
set -u
fake=$1
cli=$2

fail() {
    echo "FAIL: $*"
    exit 1
}

if [ "${3:-}" != --inside ]; then
    for tool in unshare ip; do
        command -v "$tool" >/dev/null 2>&1 || PATH=$PATH:/usr/sbin:/sbin
        command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit 77; }
    done
    if [ "$(id -u)" -eq 0 ]; then
        namespace=(unshare --net)
    else
        namespace=(unshare --user --map-root-user --net)
    fi
    if ! "${namespace[@]}" true 2>/dev/null; then
        echo "SKIP: no network namespace can be made here (${namespace[*]})"
        exit 77
    fi
    PATH=$PATH:/usr/sbin:/sbin exec "${namespace[@]}" bash "$0" "$fake" "$cli" --inside
fi

# ---- inside the namespace from here on ----
# A guard of its own: the machine's namespace is never the one set up below.
[ "$(readlink /proc/self/ns/net)" != "$(readlink /proc/1/ns/net 2>/dev/null)" ] ||
    fail "not inside a network namespace of its own"

work=$(mktemp -d)
server=""
cleanup() {
    [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

ip link set lo up || fail "cannot bring lo up"
ip link add qxlan0 type veth peer name qxlan1 || fail "cannot make a veth pair in the namespace"
ip addr add 127.199.0.1/24 brd 127.199.0.255 dev qxlan0 || fail "cannot address qxlan0"
ip link set qxlan1 up && ip link set qxlan0 up || fail "cannot bring the veth pair up"
for conf in all qxlan0; do
    echo 1 >"/proc/sys/net/ipv4/conf/$conf/route_localnet" || fail "route_localnet ($conf)"
done

# Sockets bound to the broadcast address hear only what was broadcast; the binary
# server's twin on the unicast address takes the challenge round trip that follows.
"$fake" --log --seconds 60 \
    --server '127.199.0.255:27015,name=局域网 一号,address=127.199.0.1:27015' \
    --server '127.199.0.255:27016,name=LAN binary,dialect=binary,challenge=1' \
    --server '127.199.0.1:27016,name=LAN binary,dialect=binary,challenge=1' \
    --server '127.199.0.1:27017,name=Unicast only' \
    >"$work/server.log" 2>&1 &
server=$!
for _ in $(seq 100); do
    grep -q '^ready' "$work/server.log" && break
    kill -0 "$server" 2>/dev/null || fail "the simulated servers did not start: $(cat "$work/server.log")"
    sleep 0.1
done
grep -q '^ready 4 servers' "$work/server.log" || fail "not ready: $(cat "$work/server.log")"

"$cli" lan --ports 27015,27016,27017 --wait-ms 1500 >"$work/out.tsv" 2>"$work/err.txt"
status=$?
echo "--- quarrix-cli lan (standard error)"
cat "$work/err.txt"
echo "--- quarrix-cli lan (standard output)"
cat "$work/out.tsv"
echo "--- simulated servers"
cat "$work/server.log"
[ "$status" -eq 0 ] || fail "quarrix-cli lan ended with $status"

grep -qx '广播地址: 127.199.0.255' "$work/err.txt" || fail "the search did not broadcast on qxlan0"
grep -q '^局域网搜索结束 ! 找到服务器: 2$' "$work/err.txt" || fail "the log does not say 2 servers"
cut -f1-3 "$work/out.tsv" >"$work/found"
printf '局域网 一号\t127.199.0.1\t27015\nLAN binary\t127.199.0.1\t27016\n' >"$work/expected"
diff "$work/expected" "$work/found" || fail "other servers than the two that hear broadcasts"
# Both requests reached the servers on the broadcast address (servers 0 and 1, as
# numbered by the order above); the unicast-only server (3) heard nothing, so no request
# went to a single address.
grep -q '^request 0 i ' "$work/server.log" || fail "no text request by broadcast"
grep -q '^request 1 T ' "$work/server.log" || fail "no binary request by broadcast"
grep -q '^request 3 ' "$work/server.log" && fail "a request went to a single address"
echo "found both servers by broadcast in a namespace of its own"
exit 0
